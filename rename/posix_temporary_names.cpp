#include "posix_temporary_names.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

namespace rinomina {
namespace {

constexpr std::string_view kSuffix = ".tmp";

// Parses a run of decimal digits at the start of `text` and removes it.
bool TakeNumber(std::string_view& text, int& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data() || text[0] == '+') return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

bool IsRegularFile(int folder, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_REG;
  struct stat status;
  return ::fstatat(folder, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(status.st_mode);
}

}  // namespace

TemporaryNames::TemporaryNames() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  std::string hostName(host);
  std::replace(hostName.begin(), hostName.end(), '/', '_');
  hostPrefix_ = ".rinomina-" + hostName + "-";
  prefix_ = hostPrefix_ + std::to_string(::getpid()) + "-";
}

std::string TemporaryNames::Next() {
  return prefix_ + std::to_string(++counter_) + std::string(kSuffix);
}

// Exactly hostPrefix_ + PID + "-" + N + ".tmp", and PID does not run.
bool TemporaryNames::IsLeftover(std::string_view name) const {
  if (!name.starts_with(hostPrefix_) || !name.ends_with(kSuffix)) return false;
  name = name.substr(hostPrefix_.size(), name.size() - hostPrefix_.size() - kSuffix.size());
  int pid = 0, counter = 0;
  if (!TakeNumber(name, pid) || name.empty() || name[0] != '-') return false;
  name.remove_prefix(1);
  if (!TakeNumber(name, counter) || !name.empty() || pid <= 0) return false;
  return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void TemporaryNames::RemoveLeftovers(int folder) const {
  const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_name[0] != '.' || !IsLeftover(entry->d_name)) continue;
    // A failure only keeps the leftover for a later pass.
    if (IsRegularFile(::dirfd(listing), *entry)) ::unlinkat(::dirfd(listing), entry->d_name, 0);
  }
  ::closedir(listing);
}

}  // namespace rinomina

#include "posix_temporary_names.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>

#include "new_name.hpp"
#include "posix_file_descriptor.hpp"

namespace rinomina {
namespace {

// Parses a run of decimal digits at the start of `text` and removes it.
bool TakeNumber(std::string_view& text, int& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data() || text[0] == '+') return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

// An open file description lock over the whole file, taken without waiting.
bool TakeLock(int file, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return ::fcntl(file, F_OFD_SETLK, &lock) == 0;
}

// Where the file system refuses every lock (ENOLCK: NFS without its lock
// service, some FUSE folders) no writer can be told by its lock, and a
// leftover goes only once it has not changed for this long. The change time
// (ctime) tells, not the modification time: a finished copy takes its
// source's modification time, maybe years old, just before its rename, while
// the change time moves with every write and every change of times, and no
// one can set it. A pass of another PID namespace of this machine keeps its
// copy so while it writes; one held still for longer loses it and fails
// cleanly at its rename.
constexpr time_t kIdleSeconds = 10 * 60;

bool IdleLongEnough(const struct stat& status) {
  struct timespec now;
  return ::clock_gettime(CLOCK_REALTIME, &now) == 0 &&
         now.tv_sec - status.st_ctim.tv_sec >= kIdleSeconds;
}

// Removes the regular file `name` of `folder` unless a process holds a lock
// on it. The probe is a read lock: the writer's lock refuses it just the
// same, and a read-only copy can be opened for it. It is held until the
// name is gone, so the writer cannot lock the file meanwhile.
void RemoveUnlocked(int folder, const char* name) {
  FileDescriptor file(
      ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status;
  if (!file.valid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return;
  if (TakeLock(file.get(), F_RDLCK) || (errno == ENOLCK && IdleLongEnough(status))) {
    ::unlinkat(folder, name, 0);
  }
}

}  // namespace

bool LockTemporary(int file) {
  return TakeLock(file, F_WRLCK) || (errno != EAGAIN && errno != EACCES);
}

TemporaryNames::TemporaryNames() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
  std::string hostName(host);
  std::replace(hostName.begin(), hostName.end(), '/', '_');
  hostPrefix_ = std::string(kTemporaryNamePrefix) + hostName + "-";
  prefix_ = hostPrefix_ + std::to_string(::getpid()) + "-";
}

std::string TemporaryNames::Next() {
  return prefix_ + std::to_string(++counter_) + std::string(kTemporaryNameSuffix);
}

// Exactly hostPrefix_ + PID + "-" + N + ".tmp" as Next() writes it (no
// leading zero either: another name only looks like one), and PID does not run.
bool TemporaryNames::IsLeftover(std::string_view name) const {
  if (!name.starts_with(hostPrefix_) || !name.ends_with(kTemporaryNameSuffix)) return false;
  name = name.substr(hostPrefix_.size(),
                     name.size() - hostPrefix_.size() - kTemporaryNameSuffix.size());
  const std::string_view numbers = name;
  int pid = 0, counter = 0;
  if (!TakeNumber(name, pid) || name.empty() || name[0] != '-') return false;
  name.remove_prefix(1);
  if (!TakeNumber(name, counter) || !name.empty() || pid <= 0) return false;
  if (numbers != std::to_string(pid) + "-" + std::to_string(counter)) return false;
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
    RemoveUnlocked(::dirfd(listing), entry->d_name);
  }
  ::closedir(listing);
}

}  // namespace rinomina

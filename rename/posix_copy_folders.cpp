// The POSIX file-system layer: both folders are opened once and every file is
// reached relative to them (openat, renameat), so a pass costs a handful of
// system calls per file and no path is built per file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "copy_folders.hpp"
#include "copy_pass.hpp"
#include "file_name_text.hpp"
#include "messages.hpp"

namespace rinomina {
namespace {

std::error_code LastError() { return {errno, std::system_category()}; }

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the error a delayed write may surface only here.
  std::error_code Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code() : LastError();
  }

 private:
  int fd_;
};

// Whether a listed entry is a file to copy: regular files and links to them.
// A link that cannot be followed is listed too; copying it then fails with
// the reason. Folders, FIFOs, sockets and devices are left out (a FIFO would
// block the copy for ever).
bool IsListedFile(int folderFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG:
      return true;
    case DT_LNK:
    case DT_UNKNOWN: {
      struct stat status;
      if (::fstatat(folderFd, entry.d_name, &status, 0) != 0) return true;
      return S_ISREG(status.st_mode);
    }
    default:
      return false;
  }
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Copies the rest of `source` to `target` with copy_file_range, which clones
// or copies inside the kernel; false (with nothing written) when the file
// system cannot do it, so the caller falls back to read and write.
bool CopyInKernel(int source, int target, off_t size, std::error_code& error) {
  constexpr std::size_t kLargestRequest = std::size_t{1} << 30;
  off_t copied = 0;
  for (;;) {
    const std::size_t request =
        size > copied ? static_cast<std::size_t>(size - copied) : kLargestRequest;
    const ssize_t count =
        ::copy_file_range(source, nullptr, target, nullptr, std::min(request, kLargestRequest), 0);
    if (count < 0) {
      if (errno == EINTR) continue;
      const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                               errno == EOPNOTSUPP || errno == ETXTBSY;
      if (unsupported && copied == 0) return false;
      error = LastError();
      return true;
    }
    copied += count;
    // The size read before the copy is the file's end; a size of 0 may hide
    // content (some special file systems), so such files go on to the end.
    if (count == 0 || (size > 0 && copied >= size)) return true;
  }
}

std::error_code WriteAll(int target, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t count = ::write(target, data, size);
    if (count < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data += count;
    size -= static_cast<std::size_t>(count);
  }
  return {};
}

std::error_code CopyByReading(int source, int target, std::vector<char>& buffer) {
  if (buffer.empty()) buffer.resize(std::size_t{1} << 17);
  for (;;) {
    const ssize_t count = ::read(source, buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (count == 0) return {};
    if (std::error_code error = WriteAll(target, buffer.data(), static_cast<std::size_t>(count))) {
      return error;
    }
  }
}

}  // namespace

struct CopyFolders::State {
  std::string programFolder;
  DIR* listing = nullptr;         // "Originali"; null when it does not exist
  const char* current = nullptr;  // name of the file last listed, owned by `listing`
  FileDescriptor target;          // "Modificati", opened at the first copy
  std::vector<char> buffer;       // for file systems without copy_file_range
  std::string temporaryPrefix;    // of this process's temporary names in "Modificati"
  unsigned temporaryCounter = 0;
  // While target names keep being taken (a pass run again), an exclusive
  // create would only fail, so targets go straight to the temporary file;
  // every kProbeInterval-th file tries the exclusive create again, to notice
  // when names are free once more. Both ways are equally safe.
  static constexpr unsigned kProbeInterval = 32;
  bool targetsTaken = false;
  unsigned sinceProbe = 0;

  ~State() {
    if (listing != nullptr) ::closedir(listing);
  }

  [[noreturn]] void Fail(std::u16string_view newName, std::error_code error) const {
    throw CopyFailed(DecodeFileName(current), newName, error);
  }

  void OpenTarget(std::u16string_view newName);
  bool ExpectTargetTaken();
  std::error_code CopyData(int source, int target, off_t size);
  void CopyToNewTarget(int source, const struct stat& status, const std::string& targetName,
                       std::u16string_view newName);
  void ReplaceTarget(int source, const struct stat& status, const std::string& targetName,
                     std::u16string_view newName);
};

CopyFolders::CopyFolders(const std::filesystem::path& programFolder)
    : state_(std::make_unique<State>()) {
  state_->programFolder = programFolder.native();
  const std::string sourcePath = state_->programFolder + "/Originali";
  const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return;  // no folder: nothing to copy
    throw FolderFailed("Originali", LastError());
  }
  state_->listing = ::fdopendir(fd);
  if (state_->listing == nullptr) {
    const std::error_code error = LastError();
    ::close(fd);
    throw FolderFailed("Originali", error);
  }
}

CopyFolders::~CopyFolders() = default;

bool CopyFolders::NextFile(std::u16string& name) {
  State& state = *state_;
  if (state.listing == nullptr) return false;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(state.listing);
    if (entry == nullptr) {
      if (errno != 0) throw ListingFailed(LastError());
      state.current = nullptr;
      return false;
    }
    if (IsDotOrDotDot(entry->d_name) || !IsListedFile(::dirfd(state.listing), *entry)) continue;
    state.current = entry->d_name;
    name = DecodeFileName(entry->d_name);
    return true;
  }
}

void CopyFolders::CopyCurrentFile(std::u16string_view newName) {
  State& state = *state_;
  const std::optional<std::string> targetName = EncodeFileName(newName);
  if (!targetName) {
    throw CopyRefused(DecodeFileName(state.current), newName,
                      "il nuovo nome contiene caratteri non validi",
                      std::make_error_code(std::errc::illegal_byte_sequence));
  }
  if (!state.target.valid()) state.OpenTarget(newName);

  // O_NONBLOCK: a name swapped for a FIFO since the listing must not hang us.
  FileDescriptor source(::openat(::dirfd(state.listing), state.current,
                                 O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!source.valid()) state.Fail(newName, LastError());
  struct stat status;
  if (::fstat(source.get(), &status) != 0) state.Fail(newName, LastError());
  if (!S_ISREG(status.st_mode)) {
    throw CopyRefused(DecodeFileName(state.current), newName, "non è un file normale",
                      std::make_error_code(std::errc::invalid_argument));
  }
  if (state.ExpectTargetTaken()) {
    state.ReplaceTarget(source.get(), status, *targetName, newName);
  } else {
    state.CopyToNewTarget(source.get(), status, *targetName, newName);
  }
}

bool CopyFolders::State::ExpectTargetTaken() {
  if (!targetsTaken || ++sinceProbe == kProbeInterval) {
    sinceProbe = 0;
    return false;
  }
  return true;
}

void CopyFolders::State::OpenTarget(std::u16string_view newName) {
  const std::string targetPath = programFolder + "/Modificati";
  target.Reset(::open(targetPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!target.valid()) throw TargetFolderFailed(DecodeFileName(current), newName, LastError());

  // One folder under two names: a copy could overwrite its own source or be
  // listed again and copied without end.
  struct stat sourceStatus, targetStatus;
  if (::fstat(::dirfd(listing), &sourceStatus) != 0 || ::fstat(target.get(), &targetStatus) != 0) {
    const std::error_code error = LastError();
    target.Reset();
    Fail(newName, error);
  }
  if (sourceStatus.st_dev == targetStatus.st_dev && sourceStatus.st_ino == targetStatus.st_ino) {
    target.Reset();
    throw SameFolder();
  }
  temporaryPrefix = ".rinomina-" + std::to_string(::getpid()) + "-";
}

std::error_code CopyFolders::State::CopyData(int source, int targetFile, off_t size) {
  std::error_code error;
  if (CopyInKernel(source, targetFile, size, error)) return error;
  return CopyByReading(source, targetFile, buffer);
}

// The target name is free: create it exclusively (which also refuses to
// follow a link standing there) and remove it again if the copy fails.
void CopyFolders::State::CopyToNewTarget(int source, const struct stat& status,
                                         const std::string& targetName,
                                         std::u16string_view newName) {
  FileDescriptor file(::openat(target.get(), targetName.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 0777));
  targetsTaken = !file.valid() && errno == EEXIST;
  if (targetsTaken) return ReplaceTarget(source, status, targetName, newName);
  if (!file.valid()) Fail(newName, LastError());
  std::error_code error = CopyData(source, file.get(), status.st_size);
  const std::error_code closeError = file.Close();
  if (!error) error = closeError;
  if (error) {
    ::unlinkat(target.get(), targetName.c_str(), 0);
    Fail(newName, error);
  }
}

// Something stands under the target name: copy beside it, then rename over
// it in one step. A link there is replaced, never written through, and the
// old file stays intact until the copy is complete.
void CopyFolders::State::ReplaceTarget(int source, const struct stat& status,
                                       const std::string& targetName, std::u16string_view newName) {
  std::string temporaryName;
  FileDescriptor file;
  while (!file.valid()) {
    temporaryName = temporaryPrefix + std::to_string(++temporaryCounter) + ".tmp";
    file.Reset(::openat(target.get(), temporaryName.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 0777));
    if (!file.valid() && errno != EEXIST) Fail(newName, LastError());
  }
  std::error_code error = CopyData(source, file.get(), status.st_size);
  const std::error_code closeError = file.Close();
  if (!error) error = closeError;
  if (!error &&
      ::renameat(target.get(), temporaryName.c_str(), target.get(), targetName.c_str()) != 0) {
    error = LastError();
  }
  if (error) {
    ::unlinkat(target.get(), temporaryName.c_str(), 0);
    Fail(newName, error);
  }
}

}  // namespace rinomina

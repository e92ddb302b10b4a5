// The POSIX file-system layer: both folders are opened once and every file is
// reached relative to them, so a pass costs a handful of system calls per file
// and no path is built per file.
//
// A copy is written into an unnamed file (O_TMPFILE) and linked under its name
// only when complete, so whatever ends the process, a name in "Modificati"
// holds a complete copy or the file that stood there before. Where the file
// system has no unnamed files, a hidden temporary file is renamed instead,
// locked while it is written, and the next pass removes those a killed pass
// left behind.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "copy_folders.hpp"
#include "copy_pass.hpp"
#include "file_name_text.hpp"
#include "messages.hpp"
#include "pass_monitor.hpp"
#include "posix_copy_data.hpp"
#include "posix_file_descriptor.hpp"
#include "posix_temporary_names.hpp"

namespace rinomina {
namespace {

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

}  // namespace

struct CopyFolders::State {
  PassMonitor* monitor;  // may be null
  std::string programFolder;
  DIR* listing = nullptr;         // "Originali"; null when it does not exist
  const char* current = nullptr;  // name of the file last listed, owned by `listing`
  FileDescriptor target;          // "Modificati", opened at the first copy
  bool flushed = false;
  bool unnamedFiles = true;      // O_TMPFILE works in "Modificati"
  bool linkThroughProc = false;  // AT_EMPTY_PATH is not allowed to this user
  DataCopier data{monitor};
  TemporaryNames temporaryNames;
  // While target names keep being taken (a pass run again), linking under
  // the target name would only fail, so copies go straight to the temporary
  // name; every kProbeInterval-th file tries the target name again, to
  // notice when names are free once more. Both ways are equally safe.
  static constexpr unsigned kProbeInterval = 32;
  bool targetsTaken = false;
  unsigned sinceProbe = 0;
  // Over a file-size limit a write fails with EFBIG, reported like any other
  // failure, instead of SIGXFSZ ending the program mid-copy. Set when the
  // copies begin: a listing only (SizeTotal's, which may outlive the pass)
  // leaves the process's signals alone.
  struct sigaction oldFileSizeAction {};
  bool fileSizeSignalIgnored = false;

  explicit State(PassMonitor* passMonitor) : monitor(passMonitor) {}
  ~State() {
    // A failure is on its way out: the copies made before it must last too,
    // and the failure is the error to report.
    if (target.valid() && !flushed) ::syncfs(target.get());
    if (listing != nullptr) ::closedir(listing);
    if (fileSizeSignalIgnored) ::sigaction(SIGXFSZ, &oldFileSizeAction, nullptr);
  }

  [[noreturn]] void Fail(std::u16string_view newName, std::error_code error) const {
    if (error == std::errc::operation_canceled && monitor && monitor->StopRequested()) {
      throw PassStopped();
    }
    throw CopyFailed(DecodeFileName(current), newName, error);
  }

  void OpenTarget(std::u16string_view newName);
  void Flush();
  bool ExpectTargetTaken();
  int LinkUnnamed(int file, const std::string& name);
  void CopyUnnamed(FileDescriptor& file, int source, const struct stat& status,
                   const std::string& targetName, std::u16string_view newName);
  void CopyNamed(int source, const struct stat& status, const std::string& targetName,
                 std::u16string_view newName);
  bool IsNamed(int file, const std::string& name) const;
  void RenameOverTarget(FileDescriptor& file, const std::string& temporaryName,
                        const std::string& targetName, std::u16string_view newName);
};

CopyFolders::CopyFolders(const std::filesystem::path& programFolder, PassMonitor* monitor)
    : state_(std::make_unique<State>(monitor)) {
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
      state.Flush();
      return false;
    }
    if (IsDotOrDotDot(entry->d_name) || !IsListedFile(::dirfd(state.listing), *entry)) continue;
    state.current = entry->d_name;
    name = DecodeFileName(entry->d_name);
    return true;
  }
}

std::uint64_t CopyFolders::CurrentFileSize() {
  struct stat status;
  if (::fstatat(::dirfd(state_->listing), state_->current, &status, 0) != 0) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

void CopyFolders::CopyCurrentFile(std::u16string_view newName) {
  State& state = *state_;
  const std::optional<std::string> targetName = EncodeFileName(newName);
  if (!targetName) {
    throw NameNotEncodable(DecodeFileName(state.current), newName);
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
  if (state.unnamedFiles) {
    FileDescriptor file(
        ::openat(state.target.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, status.st_mode & 0777));
    if (file.valid()) return state.CopyUnnamed(file, source.get(), status, *targetName, newName);
    // Old kernels take O_TMPFILE for O_DIRECTORY (EISDIR).
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      state.Fail(newName, LastError());
    }
    state.unnamedFiles = false;
  }
  state.CopyNamed(source.get(), status, *targetName, newName);
}

void CopyFolders::State::OpenTarget(std::u16string_view newName) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  fileSizeSignalIgnored = ::sigaction(SIGXFSZ, &ignore, &oldFileSizeAction) == 0;
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
  temporaryNames.RemoveLeftovers(target.get());
}

// The pass's copies reach the disk before the window closes and the user
// pulls the stick; a delayed write error shows here, if anywhere.
void CopyFolders::State::Flush() {
  if (!target.valid() || flushed) return;
  flushed = true;
  if (::syncfs(target.get()) != 0) throw FlushFailed(LastError());
}

bool CopyFolders::State::ExpectTargetTaken() {
  if (!targetsTaken || ++sinceProbe == kProbeInterval) {
    sinceProbe = 0;
    return false;
  }
  return true;
}

// Gives the unnamed file `file` the name `name` in "Modificati". Linking the
// descriptor itself (AT_EMPTY_PATH) is quickest but needs a capability
// (CAP_DAC_READ_SEARCH) ordinary users lack before Linux 6.10; they get
// ENOENT, and from then on the descriptor's link in /proc is used. Where /proc
// is not mounted either, that gives ENOENT too: unnamed files are given up
// for named temporaries (a real ENOENT shows again there).
int CopyFolders::State::LinkUnnamed(int file, const std::string& name) {
  if (!linkThroughProc) {
    if (::linkat(file, "", target.get(), name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT) return -1;
    linkThroughProc = true;
  }
  char path[32];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", file);
  const int result = ::linkat(AT_FDCWD, path, target.get(), name.c_str(), AT_SYMLINK_FOLLOW);
  if (result != 0 && errno == ENOENT) unnamedFiles = false;
  return result;
}

// The complete copy is linked under the target name when that is free (a
// link there is never followed), else under a temporary name and renamed
// over the target. Until then a kill only drops the unnamed file. That name
// lives for a link and a rename only, so it is not locked: a lock costs a
// tenth of a pass replacing small files, and a cleanup meeting the name in
// that instant could at worst make this copy fail, its target intact.
void CopyFolders::State::CopyUnnamed(FileDescriptor& file, int source, const struct stat& status,
                                     const std::string& targetName, std::u16string_view newName) {
  if (std::error_code error = data.Copy(source, file.get(), status)) Fail(newName, error);
  if (!ExpectTargetTaken()) {
    const bool linked = LinkUnnamed(file.get(), targetName) == 0;
    if (!linked && !unnamedFiles) return CopyNamed(source, status, targetName, newName);
    targetsTaken = !linked && errno == EEXIST;
    if (!linked && !targetsTaken) Fail(newName, LastError());
    if (linked) {
      if (std::error_code error = file.Close()) {
        ::unlinkat(target.get(), targetName.c_str(), 0);
        Fail(newName, error);
      }
      return;
    }
  }
  std::string temporaryName = temporaryNames.Next();
  while (LinkUnnamed(file.get(), temporaryName) != 0) {
    if (!unnamedFiles) return CopyNamed(source, status, targetName, newName);
    if (errno != EEXIST) Fail(newName, LastError());
    temporaryName = temporaryNames.Next();
  }
  RenameOverTarget(file, temporaryName, targetName, newName);
}

// Without unnamed files: the copy is written under a hidden temporary name,
// locked before anything is written. A cleanup of another pass may have
// examined the new file before the lock: a name whose lock is taken, or that
// no longer leads to the file, is left for the next one.
void CopyFolders::State::CopyNamed(int source, const struct stat& status,
                                   const std::string& targetName, std::u16string_view newName) {
  std::string temporaryName;
  FileDescriptor file;
  while (!file.valid()) {
    temporaryName = temporaryNames.Next();
    file.Reset(::openat(target.get(), temporaryName.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, status.st_mode & 0777));
    if (!file.valid() && errno != EEXIST) Fail(newName, LastError());
    if (file.valid() && !(LockTemporary(file.get()) && IsNamed(file.get(), temporaryName))) {
      file.Reset();
    }
  }
  if (std::error_code error = data.Copy(source, file.get(), status)) {
    file.Reset();
    ::unlinkat(target.get(), temporaryName.c_str(), 0);
    Fail(newName, error);
  }
  // A duplicate keeps the lock until the name is gone: the close, where a
  // delayed write error shows, comes before the rename.
  const FileDescriptor lock(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));
  RenameOverTarget(file, temporaryName, targetName, newName);
}

// Whether `name` in "Modificati" is the file open as `file`.
bool CopyFolders::State::IsNamed(int file, const std::string& name) const {
  struct stat named, opened;
  return ::fstatat(target.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(file, &opened) == 0 && named.st_dev == opened.st_dev &&
         named.st_ino == opened.st_ino;
}

// One step: whatever stands under the target name (a link too) is replaced,
// never written through, and stays intact until the copy is complete.
void CopyFolders::State::RenameOverTarget(FileDescriptor& file, const std::string& temporaryName,
                                          const std::string& targetName,
                                          std::u16string_view newName) {
  std::error_code error = file.Close();
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

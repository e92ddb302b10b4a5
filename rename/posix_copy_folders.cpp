// The POSIX steps under the side-by-side copies: both folders are opened once
// and every file is reached relative to them, so a copy costs a handful of
// system calls and no path is built per file.
//
// A worker writes a copy into an unnamed file (O_TMPFILE); the pass's thread
// links it under its name once complete, so whatever ends the process, a name
// in "Modificati" holds a complete copy or the file that stood there before.
// Where the file system has no unnamed files, a worker writes a hidden
// temporary file instead, locked from its creation until the pass's thread
// renames it, and the next pass removes those a killed pass left behind.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>

#include "copy_pass.hpp"
#include "copy_steps.hpp"
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

// Whether each file's open, create, rename and close on `folder`'s file
// system waits on a server or a daemon: network and FUSE folders. Measured
// (scripts/bench): on a FUSE folder that waits 1 ms per call the pass takes
// about 0.7 x the time side by side; on tmpfs, where a small file's copy is
// all processor time, the workers' hand-overs made it slower, not faster.
bool WaitsPerFile(int folder) {
  constexpr long kWaitingFileSystems[] = {
      0x65735546,  // FUSE (and fuseblk)
      0x6969,      // NFS
      0xFE534D42,  // SMB2
      0xFF534D42,  // CIFS
      0x00C36400,  // Ceph
      0x01021997,  // 9P
      0x5346414F,  // AFS
  };
  struct statfs status;
  if (::fstatfs(folder, &status) != 0) return false;
  return std::find(std::begin(kWaitingFileSystems), std::end(kWaitingFileSystems),
                   static_cast<long>(status.f_type)) != std::end(kWaitingFileSystems);
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// A listed file on its way to its new name: once written, the unnamed file
// or the hidden temporary that holds its copy.
struct PosixCopy final : PendingCopy {
  int target = -1;  // "Modificati", open as long as the steps
  std::string sourceName;
  std::u16string listedName;
  std::u16string newName;
  std::string targetName;
  FileDescriptor file;        // the unnamed file, or the hidden temporary being written
  std::string temporaryName;  // the hidden name of the copy while it has one
  FileDescriptor lock;        // holds the hidden temporary's lock until it is renamed or gone
  // A copy not named is dropped: an unnamed file by closing it, a hidden
  // temporary by removing it, and only then unlocking it.
  ~PosixCopy() override {
    if (!temporaryName.empty()) ::unlinkat(target, temporaryName.c_str(), 0);
  }
};

class PosixSteps final : public CopySteps {
 public:
  PosixSteps(const std::filesystem::path& programFolder, PassMonitor* monitor);
  ~PosixSteps() override;
  bool NextFile(std::u16string& name) override;
  std::uint64_t CurrentFileSize() override;
  std::unique_ptr<PendingCopy> Prepare(std::u16string_view newName) override;
  std::unique_ptr<CopyWriter> NewWriter() override;
  void Name(PendingCopy& copy) override;
  void Flush() override;
  bool SideBySideHelps() const override { return sideBySideHelps_; }

  // A writer's step, on any thread.
  void Write(DataCopier& data, PosixCopy& copy);

 private:
  [[noreturn]] void Fail(const PosixCopy& copy, std::error_code error) const;
  void OpenTarget(std::u16string_view newName);
  std::string NextTemporaryName();
  void WriteNamed(DataCopier& data, PosixCopy& copy, int source, const struct stat& status);
  bool IsNamed(int file, const std::string& name) const;
  bool ExpectTargetTaken();
  int LinkUnnamed(int file, const std::string& name);
  void NameUnnamed(PosixCopy& copy);
  void RenameOverTarget(PosixCopy& copy);
  void RewriteNamed(PosixCopy& copy);

  PassMonitor* monitor_;  // may be null
  std::string programFolder_;
  DIR* listing_ = nullptr;         // "Originali"; null when it does not exist
  int listingFd_ = -1;             // its descriptor, for the writers
  const char* current_ = nullptr;  // name of the file last listed, owned by `listing_`
  FileDescriptor target_;          // "Modificati", opened at the first copy
  bool flushed_ = false;
  std::atomic<bool> unnamedFiles_{true};  // O_TMPFILE works in "Modificati"
  bool linkThroughProc_ = false;          // AT_EMPTY_PATH is not allowed to this user
  std::mutex namesMutex_;                 // the writers take temporary names too
  TemporaryNames temporaryNames_;
  DataCopier namingData_{monitor_};  // to write a copy again as a hidden temporary
  // While target names keep being taken (a pass run again), linking under
  // the target name would only fail, so copies go straight to the temporary
  // name; every kProbeInterval-th file tries the target name again, to
  // notice when names are free once more. Both ways are equally safe.
  static constexpr unsigned kProbeInterval = 32;
  bool targetsTaken_ = false;
  unsigned sinceProbe_ = 0;
  // Over a file-size limit a write fails with EFBIG, reported like any other
  // failure, instead of SIGXFSZ ending the program mid-copy. Set when the
  // copies begin: a listing only (SizeTotal's, which may outlive the pass)
  // leaves the process's signals alone.
  struct sigaction oldFileSizeAction_ {};
  bool fileSizeSignalIgnored_ = false;
  bool sideBySideHelps_ = false;  // known once "Modificati" is open
};

// One worker's writer: its own buffer and per-file state.
class PosixWriter final : public CopyWriter {
 public:
  PosixWriter(PosixSteps& steps, PassMonitor* monitor) : steps_(steps), data_(monitor) {}
  void Write(PendingCopy& copy) override { steps_.Write(data_, static_cast<PosixCopy&>(copy)); }

 private:
  PosixSteps& steps_;
  DataCopier data_;
};

PosixSteps::PosixSteps(const std::filesystem::path& programFolder, PassMonitor* monitor)
    : monitor_(monitor), programFolder_(programFolder.native()) {
  const std::string sourcePath = programFolder_ + "/Originali";
  const int fd = ::open(sourcePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return;  // no folder: nothing to copy
    throw FolderFailed("Originali", LastError());
  }
  listing_ = ::fdopendir(fd);
  if (listing_ == nullptr) {
    const std::error_code error = LastError();
    ::close(fd);
    throw FolderFailed("Originali", error);
  }
  listingFd_ = fd;
}

PosixSteps::~PosixSteps() {
  // A failure is on its way out: the copies made before it must last too,
  // and the failure is the error to report.
  if (target_.valid() && !flushed_) ::syncfs(target_.get());
  if (listing_ != nullptr) ::closedir(listing_);
  if (fileSizeSignalIgnored_) ::sigaction(SIGXFSZ, &oldFileSizeAction_, nullptr);
}

bool PosixSteps::NextFile(std::u16string& name) {
  if (listing_ == nullptr) return false;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing_);
    if (entry == nullptr) {
      if (errno != 0) throw ListingFailed(LastError());
      current_ = nullptr;
      return false;
    }
    if (IsDotOrDotDot(entry->d_name) || !IsListedFile(listingFd_, *entry)) continue;
    current_ = entry->d_name;
    name = DecodeFileName(entry->d_name);
    return true;
  }
}

std::uint64_t PosixSteps::CurrentFileSize() {
  struct stat status;
  if (::fstatat(listingFd_, current_, &status, 0) != 0) return 0;
  return static_cast<std::uint64_t>(status.st_size);
}

std::unique_ptr<PendingCopy> PosixSteps::Prepare(std::u16string_view newName) {
  std::optional<std::string> targetName = EncodeFileName(newName);
  if (!targetName) throw NameNotEncodable(DecodeFileName(current_), newName);
  if (!target_.valid()) OpenTarget(newName);
  auto copy = std::make_unique<PosixCopy>();
  copy->target = target_.get();
  copy->sourceName = current_;
  copy->listedName = DecodeFileName(current_);
  copy->newName = newName;
  copy->targetName = std::move(*targetName);
  return copy;
}

std::unique_ptr<CopyWriter> PosixSteps::NewWriter() {
  return std::make_unique<PosixWriter>(*this, monitor_);
}

void PosixSteps::Name(PendingCopy& pending) {
  auto& copy = static_cast<PosixCopy&>(pending);
  if (copy.temporaryName.empty()) return NameUnnamed(copy);
  RenameOverTarget(copy);
}

// The pass's copies reach the disk before the window closes and the user
// pulls the stick; a delayed write error shows here, if anywhere.
void PosixSteps::Flush() {
  if (!target_.valid() || flushed_) return;
  flushed_ = true;
  if (::syncfs(target_.get()) != 0) throw FlushFailed(LastError());
}

void PosixSteps::Fail(const PosixCopy& copy, std::error_code error) const {
  if (error == std::errc::operation_canceled && monitor_ && monitor_->StopRequested()) {
    throw PassStopped();
  }
  throw CopyFailed(copy.listedName, copy.newName, error);
}

void PosixSteps::OpenTarget(std::u16string_view newName) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigemptyset(&ignore.sa_mask);
  fileSizeSignalIgnored_ = ::sigaction(SIGXFSZ, &ignore, &oldFileSizeAction_) == 0;
  const std::string targetPath = programFolder_ + "/Modificati";
  target_.Reset(::open(targetPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!target_.valid()) throw TargetFolderFailed(DecodeFileName(current_), newName, LastError());

  // One folder under two names: a copy could overwrite its own source or be
  // listed again and copied without end.
  struct stat sourceStatus, targetStatus;
  if (::fstat(listingFd_, &sourceStatus) != 0 || ::fstat(target_.get(), &targetStatus) != 0) {
    const std::error_code error = LastError();
    target_.Reset();
    throw CopyFailed(DecodeFileName(current_), newName, error);
  }
  if (sourceStatus.st_dev == targetStatus.st_dev && sourceStatus.st_ino == targetStatus.st_ino) {
    target_.Reset();
    throw SameFolder();
  }
  sideBySideHelps_ = WaitsPerFile(listingFd_) || WaitsPerFile(target_.get());
  temporaryNames_.RemoveLeftovers(target_.get());
}

std::string PosixSteps::NextTemporaryName() {
  const std::lock_guard<std::mutex> lock(namesMutex_);
  return temporaryNames_.Next();
}

// On a worker: the source's data into an unnamed file, or a hidden
// temporary where there are none.
void PosixSteps::Write(DataCopier& data, PosixCopy& copy) {
  // O_NONBLOCK: a name swapped for a FIFO since the listing must not hang us.
  FileDescriptor source(
      ::openat(listingFd_, copy.sourceName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!source.valid()) Fail(copy, LastError());
  struct stat status;
  if (::fstat(source.get(), &status) != 0) Fail(copy, LastError());
  if (!S_ISREG(status.st_mode)) {
    throw CopyRefused(copy.listedName, copy.newName, "non è un file normale",
                      std::make_error_code(std::errc::invalid_argument));
  }
  if (unnamedFiles_.load(std::memory_order_relaxed)) {
    copy.file.Reset(
        ::openat(target_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, status.st_mode & 0777));
    if (copy.file.valid()) {
      if (std::error_code error = data.Copy(source.get(), copy.file.get(), status)) {
        copy.file.Reset();
        Fail(copy, error);
      }
      return;
    }
    // Old kernels take O_TMPFILE for O_DIRECTORY (EISDIR).
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) Fail(copy, LastError());
    unnamedFiles_.store(false, std::memory_order_relaxed);
  }
  WriteNamed(data, copy, source.get(), status);
}

// Without unnamed files: the copy is written under a hidden temporary name,
// locked before anything is written. A cleanup of another pass may have
// examined the new file before the lock: a name whose lock is taken, or that
// no longer leads to the file, is left for the next one. A duplicate keeps
// the lock until the name is gone: the close, where a delayed write error
// shows, comes here, before the rename.
void PosixSteps::WriteNamed(DataCopier& data, PosixCopy& copy, int source,
                            const struct stat& status) {
  std::string name;
  FileDescriptor file;
  while (!file.valid()) {
    name = NextTemporaryName();
    file.Reset(::openat(target_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        status.st_mode & 0777));
    if (!file.valid() && errno != EEXIST) Fail(copy, LastError());
    if (file.valid() && !(LockTemporary(file.get()) && IsNamed(file.get(), name))) file.Reset();
  }
  copy.lock.Reset(::fcntl(file.get(), F_DUPFD_CLOEXEC, 0));
  copy.temporaryName = std::move(name);
  if (std::error_code error = data.Copy(source, file.get(), status)) Fail(copy, error);
  if (std::error_code error = file.Close()) Fail(copy, error);
}

// Whether `name` in "Modificati" is the file open as `file`.
bool PosixSteps::IsNamed(int file, const std::string& name) const {
  struct stat named, opened;
  return ::fstatat(target_.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(file, &opened) == 0 && named.st_dev == opened.st_dev &&
         named.st_ino == opened.st_ino;
}

bool PosixSteps::ExpectTargetTaken() {
  if (!targetsTaken_ || ++sinceProbe_ == kProbeInterval) {
    sinceProbe_ = 0;
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
int PosixSteps::LinkUnnamed(int file, const std::string& name) {
  if (!linkThroughProc_) {
    if (::linkat(file, "", target_.get(), name.c_str(), AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT) return -1;
    linkThroughProc_ = true;
  }
  char path[32];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", file);
  const int result = ::linkat(AT_FDCWD, path, target_.get(), name.c_str(), AT_SYMLINK_FOLLOW);
  if (result != 0 && errno == ENOENT) unnamedFiles_.store(false, std::memory_order_relaxed);
  return result;
}

// The complete copy is linked under the target name when that is free (a
// link there is never followed), else under a temporary name and renamed
// over the target. Until then a kill only drops the unnamed file. That name
// lives for a link and a rename only, so it is not locked: a lock costs a
// tenth of a pass replacing small files, and a cleanup meeting the name in
// that instant could at worst make this copy fail, its target intact.
void PosixSteps::NameUnnamed(PosixCopy& copy) {
  if (!ExpectTargetTaken()) {
    const bool linked = LinkUnnamed(copy.file.get(), copy.targetName) == 0;
    if (!linked && !unnamedFiles_.load(std::memory_order_relaxed)) return RewriteNamed(copy);
    targetsTaken_ = !linked && errno == EEXIST;
    if (!linked && !targetsTaken_) Fail(copy, LastError());
    if (linked) {
      if (std::error_code error = copy.file.Close()) {
        ::unlinkat(target_.get(), copy.targetName.c_str(), 0);
        Fail(copy, error);
      }
      return;
    }
  }
  std::string name = NextTemporaryName();
  while (LinkUnnamed(copy.file.get(), name) != 0) {
    if (!unnamedFiles_.load(std::memory_order_relaxed)) return RewriteNamed(copy);
    if (errno != EEXIST) Fail(copy, LastError());
    name = NextTemporaryName();
  }
  copy.temporaryName = std::move(name);
  if (std::error_code error = copy.file.Close()) Fail(copy, error);
  RenameOverTarget(copy);
}

// One step: whatever stands under the target name (a link too) is replaced,
// never written through, and stays intact until the copy is complete. On
// failure the discard of `copy` removes the temporary.
void PosixSteps::RenameOverTarget(PosixCopy& copy) {
  if (::renameat(target_.get(), copy.temporaryName.c_str(), target_.get(),
                 copy.targetName.c_str()) != 0) {
    Fail(copy, LastError());
  }
  copy.temporaryName.clear();
  copy.lock.Reset();
}

// Unnamed files turned out not to be linkable: the copy is written again,
// on this thread, as a hidden temporary.
void PosixSteps::RewriteNamed(PosixCopy& copy) {
  copy.file.Reset();
  Write(namingData_, copy);
  RenameOverTarget(copy);
}

}  // namespace

std::unique_ptr<CopySteps> MakeCopySteps(const std::filesystem::path& programFolder,
                                         PassMonitor* monitor) {
  return std::make_unique<PosixSteps>(programFolder, monitor);
}

}  // namespace rinomina

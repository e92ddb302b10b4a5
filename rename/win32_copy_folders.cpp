// The Windows steps under the side-by-side copies: FindFirstFileW/
// FindNextFileW over "Originali"; a worker writes each copy, new target or
// not, under a hidden temporary name in "Modificati", and the pass's thread
// renames it over its target (win32_copy_steps.hpp), so a name the pass gives
// never holds an incomplete file. Folders are reached through the \\?\ form
// of their full path, so paths may be longer than MAX_PATH.
#include <windows.h>

#include <string>

#include "copy_pass.hpp"
#include "copy_steps.hpp"
#include "file_name_text.hpp"
#include "messages.hpp"
#include "wide_text.hpp"
#include "win32_copy_steps.hpp"
#include "win32_long_path.hpp"
#include "win32_temporary_names.hpp"

namespace rinomina {
namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

std::error_code Win32Error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

// Identifies a folder by volume and file index; links and junctions are
// followed, so two names of one folder compare equal.
bool FolderIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info,
                    std::error_code& error) {
  const HANDLE folder = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    error = LastError();
    return false;
  }
  const bool known = GetFileInformationByHandle(folder, &info);
  if (!known) error = LastError();
  CloseHandle(folder);
  if (known && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    error = Win32Error(ERROR_DIRECTORY);
    return false;
  }
  return known;
}

// Whether `path` names something that is not a folder.
bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A listed file on its way to its new name; its hidden temporary copy, once
// written and not named, is removed with it.
struct Win32PendingCopy final : PendingCopy {
  Win32Copy copy;
  ~Win32PendingCopy() override {
    if (!copy.temporary.empty()) DiscardTemporary(copy);
  }
};

class Win32Steps final : public CopySteps {
 public:
  Win32Steps(const std::filesystem::path& programFolder, PassMonitor* monitor);
  ~Win32Steps() override {
    if (listing_ != INVALID_HANDLE_VALUE) FindClose(listing_);
  }
  bool NextFile(std::u16string& name) override;
  std::uint64_t CurrentFileSize() override {
    return (std::uint64_t{entry_.nFileSizeHigh} << 32) | entry_.nFileSizeLow;
  }
  std::unique_ptr<PendingCopy> Prepare(std::u16string_view newName) override;
  std::unique_ptr<CopyWriter> NewWriter() override;
  void Name(PendingCopy& copy) override {
    NameTemporary(static_cast<Win32PendingCopy&>(copy).copy, monitor_);
  }
  void Flush() override {}

 private:
  bool ReadEntry();
  void OpenTarget(std::u16string_view newName);

  PassMonitor* monitor_;
  std::wstring programFolder_;
  std::wstring sourceFolder_;  // \\?\ form of "Originali"
  std::wstring targetFolder_;  // \\?\ form of "Modificati"; empty before the first copy
  HANDLE listing_ = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW entry_{};
  bool entryPending_ = false;  // `entry_` holds the first result, not yet looked at
  std::u16string current_;     // name of the file last listed
  std::wstring temporaryPrefix_;
};

// Writes copies on one thread; the temporary prefix is fixed once the
// first copy is prepared, before any writer runs.
class Win32Writer final : public CopyWriter {
 public:
  Win32Writer(const std::wstring& prefix, PassMonitor* monitor)
      : prefix_(prefix), monitor_(monitor) {}
  void Write(PendingCopy& copy) override {
    WriteTemporary(static_cast<Win32PendingCopy&>(copy).copy, prefix_, monitor_);
  }

 private:
  const std::wstring& prefix_;
  PassMonitor* monitor_;
};

}  // namespace

std::unique_ptr<CopySteps> MakeCopySteps(const std::filesystem::path& programFolder,
                                         PassMonitor* monitor) {
  return std::make_unique<Win32Steps>(programFolder, monitor);
}

Win32Steps::Win32Steps(const std::filesystem::path& programFolder, PassMonitor* monitor)
    : monitor_(monitor), programFolder_(programFolder.native()) {
  std::error_code error;
  sourceFolder_ = LongFolderPath(programFolder_ + L"\\Originali", error);
  if (error) throw FolderFailed("Originali", error);

  const std::wstring pattern = sourceFolder_ + L"\\*.*";
  listing_ = FindFirstFileW(pattern.c_str(), &entry_);
  if (listing_ == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // No folder, or a file in its place: nothing to copy. Systems answer a
    // file with different codes, so its attributes decide.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || IsFile(sourceFolder_)) {
      return;
    }
    throw ListingFailed(Win32Error(code));
  }
  entryPending_ = true;
}

// Moves `entry_` on; false once the listing is exhausted.
bool Win32Steps::ReadEntry() {
  if (listing_ == INVALID_HANDLE_VALUE) return false;
  if (entryPending_) {
    entryPending_ = false;
    return true;
  }
  if (FindNextFileW(listing_, &entry_)) return true;
  const DWORD code = GetLastError();
  FindClose(listing_);
  listing_ = INVALID_HANDLE_VALUE;
  if (code == ERROR_NO_MORE_FILES) return false;
  throw ListingFailed(Win32Error(code));
}

bool Win32Steps::NextFile(std::u16string& name) {
  while (ReadEntry()) {
    // Read-only, hidden and system files are listed like any other; folders
    // (links to folders, "." and ".." among them) are not.
    if (entry_.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
    current_ = reinterpret_cast<const char16_t*>(entry_.cFileName);
    name = current_;
    return true;
  }
  current_.clear();
  return false;
}

std::unique_ptr<PendingCopy> Win32Steps::Prepare(std::u16string_view newName) {
  if (HasLoneSurrogate(newName)) throw NameNotEncodable(current_, newName);
  if (targetFolder_.empty()) OpenTarget(newName);
  auto pending = std::make_unique<Win32PendingCopy>();
  pending->copy = {current_,
                   std::u16string(newName),
                   sourceFolder_ + L"\\" + std::wstring(AsWide(current_)),
                   targetFolder_ + L"\\" + std::wstring(AsWide(newName)),
                   {}};
  return pending;
}

std::unique_ptr<CopyWriter> Win32Steps::NewWriter() {
  return std::make_unique<Win32Writer>(temporaryPrefix_, monitor_);
}

// Finds "Modificati" and makes sure it is not "Originali" under another name:
// a copy could overwrite its own source, or be listed again without end.
void Win32Steps::OpenTarget(std::u16string_view newName) {
  std::error_code error;
  std::wstring folder = LongFolderPath(programFolder_ + L"\\Modificati", error);
  BY_HANDLE_FILE_INFORMATION sourceInfo, targetInfo;
  if (!error && IsFile(folder)) {
    throw CopyRefused(current_, newName, "\"Modificati\" è un file, non una cartella",
                      Win32Error(ERROR_DIRECTORY));
  }
  if (error || !FolderIdentity(folder, targetInfo, error)) {
    throw TargetFolderFailed(current_, newName, error);
  }
  if (!FolderIdentity(sourceFolder_, sourceInfo, error)) throw CopyFailed(current_, newName, error);
  if (sourceInfo.dwVolumeSerialNumber == targetInfo.dwVolumeSerialNumber &&
      sourceInfo.nFileIndexHigh == targetInfo.nFileIndexHigh &&
      sourceInfo.nFileIndexLow == targetInfo.nFileIndexLow) {
    throw SameFolder();
  }
  RemoveLeftovers(folder);
  temporaryPrefix_ = TemporaryPrefix(folder);
  targetFolder_ = std::move(folder);
}

}  // namespace rinomina

// The Windows file-system layer: FindFirstFileW/FindNextFileW over
// "Originali", and each copy, new target or not, made under a temporary name
// in "Modificati" and then renamed over its target, so a name the pass gives
// never holds an incomplete file. Folders are reached through the \\?\ form
// of their full path, so paths may be longer than MAX_PATH.
#include <windows.h>

#include <string>

#include "copy_folders.hpp"
#include "copy_pass.hpp"
#include "messages.hpp"
#include "pass_monitor.hpp"
#include "wide_text.hpp"
#include "win32_copy_steps.hpp"
#include "win32_file_in_use.hpp"
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

}  // namespace

struct CopyFolders::State {
  PassMonitor* monitor = nullptr;
  std::wstring programFolder;
  std::wstring sourceFolder;  // \\?\ form of "Originali"
  std::wstring targetFolder;  // \\?\ form of "Modificati"; empty before the first copy
  HANDLE listing = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW entry{};
  bool entryPending = false;  // `entry` holds the first result, not yet looked at
  std::u16string current;     // name of the file last listed
  std::wstring temporaryPrefix;

  ~State() {
    if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
  }

  [[noreturn]] void Fail(std::u16string_view newName, std::error_code error) const {
    if (monitor && monitor->StopRequested()) throw PassStopped();
    throw CopyFailed(current, newName, error);
  }

  bool ReadEntry();
  void OpenTarget(std::u16string_view newName);
};

CopyFolders::CopyFolders(const std::filesystem::path& programFolder, PassMonitor* monitor)
    : state_(std::make_unique<State>()) {
  State& state = *state_;
  state.monitor = monitor;
  state.programFolder = programFolder.native();
  std::error_code error;
  state.sourceFolder = LongFolderPath(state.programFolder + L"\\Originali", error);
  if (error) throw FolderFailed("Originali", error);

  const std::wstring pattern = state.sourceFolder + L"\\*.*";
  state.listing = FindFirstFileW(pattern.c_str(), &state.entry);
  if (state.listing == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    // No folder, or a file in its place: nothing to copy. Systems answer a
    // file with different codes, so its attributes decide.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
        IsFile(state.sourceFolder)) {
      return;
    }
    throw ListingFailed(Win32Error(code));
  }
  state.entryPending = true;
}

CopyFolders::~CopyFolders() = default;

// Moves `entry` on; false once the listing is exhausted.
bool CopyFolders::State::ReadEntry() {
  if (listing == INVALID_HANDLE_VALUE) return false;
  if (entryPending) {
    entryPending = false;
    return true;
  }
  if (FindNextFileW(listing, &entry)) return true;
  const DWORD code = GetLastError();
  FindClose(listing);
  listing = INVALID_HANDLE_VALUE;
  if (code == ERROR_NO_MORE_FILES) return false;
  throw ListingFailed(Win32Error(code));
}

bool CopyFolders::NextFile(std::u16string& name) {
  State& state = *state_;
  while (state.ReadEntry()) {
    // Read-only, hidden and system files are listed like any other; folders
    // (links to folders, "." and ".." among them) are not.
    if (state.entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) continue;
    state.current = reinterpret_cast<const char16_t*>(state.entry.cFileName);
    name = state.current;
    return true;
  }
  state.current.clear();
  return false;
}

std::uint64_t CopyFolders::CurrentFileSize() {
  return (std::uint64_t{state_->entry.nFileSizeHigh} << 32) | state_->entry.nFileSizeLow;
}

void CopyFolders::CopyCurrentFile(std::u16string_view newName) {
  State& state = *state_;
  if (state.targetFolder.empty()) state.OpenTarget(newName);
  Win32Copy copy{state.current,
                 std::u16string(newName),
                 state.sourceFolder + L"\\" + std::wstring(AsWide(state.current)),
                 state.targetFolder + L"\\" + std::wstring(AsWide(newName)),
                 {}};
  WriteTemporary(copy, state.temporaryPrefix, state.monitor);
  NameTemporary(copy, state.monitor);
}

// Finds "Modificati" and makes sure it is not "Originali" under another name:
// a copy could overwrite its own source, or be listed again without end.
void CopyFolders::State::OpenTarget(std::u16string_view newName) {
  std::error_code error;
  std::wstring folder = LongFolderPath(programFolder + L"\\Modificati", error);
  BY_HANDLE_FILE_INFORMATION sourceInfo, targetInfo;
  if (!error && IsFile(folder)) {
    throw CopyRefused(current, newName, "\"Modificati\" è un file, non una cartella",
                      Win32Error(ERROR_DIRECTORY));
  }
  if (error || !FolderIdentity(folder, targetInfo, error)) {
    throw TargetFolderFailed(current, newName, error);
  }
  if (!FolderIdentity(sourceFolder, sourceInfo, error)) Fail(newName, error);
  if (sourceInfo.dwVolumeSerialNumber == targetInfo.dwVolumeSerialNumber &&
      sourceInfo.nFileIndexHigh == targetInfo.nFileIndexHigh &&
      sourceInfo.nFileIndexLow == targetInfo.nFileIndexLow) {
    throw SameFolder();
  }
  RemoveLeftovers(folder);
  temporaryPrefix = TemporaryPrefix(folder);
  targetFolder = std::move(folder);
}

}  // namespace rinomina

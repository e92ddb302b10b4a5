#include "win32_temporary_copy.hpp"

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <optional>

#include "pass_monitor.hpp"
#include "win32_optional_function.hpp"

namespace rinomina {
namespace {

struct Owner {
  DWORD processId;
  std::uint64_t started;  // the process's creation time
};

std::uint64_t Value(FILETIME time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

std::wstring Tag(Owner owner) {
  wchar_t tag[48];
  swprintf(tag, 48, L".rinomina-%lu-%016llX-", static_cast<unsigned long>(owner.processId),
           static_cast<unsigned long long>(owner.started));
  return tag;
}

// The owner of a temporary name made by this program, or nothing for any
// other name: the name must read back exactly as Tag writes it.
std::optional<Owner> OwnerOf(const std::wstring& name) {
  unsigned long processId = 0;
  unsigned long long started = 0;
  unsigned counter = 0;
  if (swscanf(name.c_str(), L".rinomina-%lu-%llx-%u", &processId, &started, &counter) != 3) {
    return std::nullopt;
  }
  const Owner owner{processId, started};
  if (name != Tag(owner) + std::to_wstring(counter) + L".tmp") return std::nullopt;
  return owner;
}

// Whether the owner may still run. Only a process id Windows does not know,
// a process that has ended or one started at another time is taken as gone;
// any other doubt keeps the file.
bool MayRun(Owner owner) {
  // The limited right is enough on Vista and later (also for elevated
  // processes); Windows XP knows only the full one.
  HANDLE process =
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, owner.processId);
  if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, owner.processId);
  }
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  FILETIME created, exited, kernel, user;
  const bool mayRun = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                      (!GetProcessTimes(process, &created, &exited, &kernel, &user) ||
                       Value(created) == owner.started);
  CloseHandle(process);
  return mayRun;
}

struct HiddenCopy {
  bool hidden = false;
  DWORD attributes = 0;  // the copy's own, before it was hidden
  PassMonitor* monitor = nullptr;
  bool watched = false;       // Windows called the progress routine
  std::uint64_t counted = 0;  // bytes of this copy counted on the monitor
};

// Hides the new file before its data is copied. Windows XP has no way to
// change a file's attributes through a handle: there the leading dot of the
// name is the only mark.
void HideDestination(HANDLE destination, HiddenCopy& copy) {
  static const auto getInformation = OptionalFunction<decltype(&GetFileInformationByHandleEx)>(
      L"kernel32.dll", "GetFileInformationByHandleEx");
  static const auto setInformation = OptionalFunction<decltype(&SetFileInformationByHandle)>(
      L"kernel32.dll", "SetFileInformationByHandle");
  FILE_BASIC_INFO info{};
  if (getInformation && setInformation &&
      getInformation(destination, FileBasicInfo, &info, sizeof info) &&
      !(info.FileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
    FILE_BASIC_INFO hidden{};  // times left at zero stay as they are
    hidden.FileAttributes = info.FileAttributes | FILE_ATTRIBUTE_HIDDEN;
    copy.attributes = info.FileAttributes;
    copy.hidden = setInformation(destination, FileBasicInfo, &hidden, sizeof hidden);
  }
}

void CountDone(HiddenCopy& copy, std::uint64_t transferred) {
  if (transferred <= copy.counted) return;
  copy.monitor->AddBytesDone(transferred - copy.counted);
  copy.counted = transferred;
}

// Called by CopyFileExW when a stream starts and after each chunk.
DWORD CALLBACK WatchCopy(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER,
                         DWORD, DWORD reason, HANDLE, HANDLE destination, void* data) {
  auto& copy = *static_cast<HiddenCopy*>(data);
  copy.watched = true;
  if (reason == CALLBACK_STREAM_SWITCH && !copy.hidden) HideDestination(destination, copy);
  if (copy.monitor == nullptr) return PROGRESS_QUIET;  // hiding it once is enough
  if (copy.monitor->StopRequested()) return PROGRESS_CANCEL;
  CountDone(copy, static_cast<std::uint64_t>(transferred.QuadPart));
  return PROGRESS_CONTINUE;
}

// Where Windows did not report the copy as it went, its whole size counts
// once it is complete.
void CountUnwatchedCopy(HiddenCopy& copy, const std::wstring& temporary) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (copy.monitor == nullptr || copy.watched ||
      !GetFileAttributesExW(temporary.c_str(), GetFileExInfoStandard, &file)) {
    return;
  }
  CountDone(copy, (std::uint64_t{file.nFileSizeHigh} << 32) | file.nFileSizeLow);
}

}  // namespace

std::wstring TemporaryPrefix(const std::wstring& folder) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return folder + L"\\" + Tag({GetCurrentProcessId(), Value(created)});
}

// A file that cannot be removed now stays for a later pass: it is no file of
// the user's, and this pass's own copies are not hindered by it.
void RemoveLeftovers(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  const HANDLE listing = FindFirstFileW((folder + L"\\.rinomina-*.tmp").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    constexpr DWORD kNotAFile =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if (entry.dwFileAttributes & kNotAFile) continue;
    const std::optional<Owner> owner = OwnerOf(entry.cFileName);
    if (owner && !MayRun(*owner)) RemoveTemporary(folder + L"\\" + entry.cFileName);
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}

// Wine never calls the progress routine: there the leading dot alone hides
// the file, and a stop request is seen between files only.
bool CopyHidden(const std::wstring& source, const std::wstring& temporary, PassMonitor* monitor) {
  HiddenCopy copy;
  copy.monitor = monitor;
  if (!CopyFileExW(source.c_str(), temporary.c_str(), WatchCopy, &copy, nullptr,
                   COPY_FILE_FAIL_IF_EXISTS)) {
    return false;
  }
  CountUnwatchedCopy(copy, temporary);
  return !copy.hidden ||
         SetFileAttributesW(temporary.c_str(),
                            copy.attributes ? copy.attributes : FILE_ATTRIBUTE_NORMAL);
}

// CopyFileW carries a read-only attribute over from the source, and
// DeleteFileW refuses read-only files. A failure here is left unreported:
// the failure that led here matters more.
void RemoveTemporary(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

}  // namespace rinomina

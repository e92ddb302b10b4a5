#include "win32_temporary_copy.hpp"

#include <windows.h>

#include "pass_monitor.hpp"
#include "win32_file_in_use.hpp"
#include "win32_optional_function.hpp"

namespace rinomina {
namespace {

// Hides the new file before its data is copied. Windows XP has no way to
// change a file's attributes through a handle: there the leading dot of the
// name is the only mark.
void Hide(HANDLE destination, HiddenCopy& copy) {
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

// Where Windows did not report the copy as it went (Wine never does), its
// whole size counts once it is complete.
void CountUnwatchedCopy(HiddenCopy& copy, const std::wstring& temporary) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (copy.monitor == nullptr || copy.watched ||
      !GetFileAttributesExW(temporary.c_str(), GetFileExInfoStandard, &file)) {
    return;
  }
  CountDone(copy, (std::uint64_t{file.nFileSizeHigh} << 32) | file.nFileSizeLow);
}

}  // namespace

DWORD CALLBACK HideDestination(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER,
                               LARGE_INTEGER, DWORD, DWORD reason, HANDLE, HANDLE destination,
                               void* data) {
  auto& copy = *static_cast<HiddenCopy*>(data);
  copy.watched = true;
  if (reason == CALLBACK_STREAM_SWITCH && !copy.hidden) Hide(destination, copy);
  if (copy.monitor == nullptr) return PROGRESS_QUIET;  // hiding it once is enough
  if (copy.monitor->StopRequested()) return PROGRESS_CANCEL;
  CountDone(copy, static_cast<std::uint64_t>(transferred.QuadPart));
  return PROGRESS_CONTINUE;
}

// Wine never calls the progress routine: there the leading dot alone hides
// the file, and a stop request is seen between files only.
bool CopyHidden(const std::wstring& source, const std::wstring& temporary, PassMonitor* monitor) {
  HiddenCopy copy;
  copy.monitor = monitor;
  if (!CopyFileExW(source.c_str(), temporary.c_str(), HideDestination, &copy, nullptr,
                   COPY_FILE_FAIL_IF_EXISTS)) {
    return false;
  }
  CountUnwatchedCopy(copy, temporary);
  return Unhide(temporary, copy);
}

bool Unhide(const std::wstring& temporary, const HiddenCopy& copy) {
  return !copy.hidden ||
         SetFileAttributesW(temporary.c_str(),
                            copy.attributes ? copy.attributes : FILE_ATTRIBUTE_NORMAL);
}

// CopyFileW carries a read-only attribute over from the source, and
// DeleteFileW refuses read-only files. A failure here is left unreported:
// the failure that led here matters more.
void RemoveTemporary(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  FileInUseWait wait;
  while (!DeleteFileW(path.c_str()) &&
         HeldOrCode(GetLastError(), path, DELETE, InUseWhenOpen::kNo) == ERROR_SHARING_VIOLATION &&
         wait.Next()) {
  }
}

}  // namespace rinomina

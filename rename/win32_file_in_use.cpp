#include "win32_file_in_use.hpp"

#include <algorithm>

#include "pass_monitor.hpp"

namespace rinomina {

constexpr DWORD kMostWaited = 2000;   // ms
constexpr DWORD kLongestSleep = 100;  // ms, between looks at a stop request

bool FileInUseWait::StopRequested() const { return monitor_ && monitor_->StopRequested(); }

bool FileInUseWait::Next() {
  if (waited_ >= kMostWaited || StopRequested()) return false;
  const DWORD end = waited_ + std::min(pause_, kMostWaited - waited_);
  while (waited_ < end) {
    const DWORD slice = std::min(kLongestSleep, end - waited_);
    Sleep(slice);
    waited_ += slice;
    if (StopRequested()) return false;
  }
  pause_ *= 2;
  return true;
}

DWORD HeldOrCode(DWORD code, const std::wstring& file, DWORD access, InUseWhenOpen whenOpen) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
    return ERROR_SHARING_VIOLATION;
  }
  if (code != ERROR_ACCESS_DENIED) return code;
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return code;
  }
  // A second look: the same access, sharing everything, meets only holders
  // that share less. Deleting or replacing a link concerns the link itself.
  const HANDLE opened = CreateFileW(
      file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, access & DELETE ? FILE_FLAG_OPEN_REPARSE_POINT : 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? ERROR_SHARING_VIOLATION : code;
  }
  CloseHandle(opened);
  return whenOpen == InUseWhenOpen::kYes ? ERROR_SHARING_VIOLATION : code;
}

}  // namespace rinomina

#include "win32_temporary_copy.hpp"

#include <windows.h>

#include "win32_file_in_use.hpp"
#include "win32_optional_function.hpp"

namespace rinomina {

// Hides the new file before its data is copied. Windows XP has no way to
// change a file's attributes through a handle: there the leading dot of the
// name is the only mark.
DWORD CALLBACK HideDestination(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                               DWORD reason, HANDLE, HANDLE destination, void* data) {
  static const auto getInformation = OptionalFunction<decltype(&GetFileInformationByHandleEx)>(
      L"kernel32.dll", "GetFileInformationByHandleEx");
  static const auto setInformation = OptionalFunction<decltype(&SetFileInformationByHandle)>(
      L"kernel32.dll", "SetFileInformationByHandle");
  auto& copy = *static_cast<HiddenCopy*>(data);
  FILE_BASIC_INFO info{};
  if (reason == CALLBACK_STREAM_SWITCH && getInformation && setInformation &&
      getInformation(destination, FileBasicInfo, &info, sizeof info) &&
      !(info.FileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
    FILE_BASIC_INFO hidden{};  // times left at zero stay as they are
    hidden.FileAttributes = info.FileAttributes | FILE_ATTRIBUTE_HIDDEN;
    copy.attributes = info.FileAttributes;
    copy.hidden = setInformation(destination, FileBasicInfo, &hidden, sizeof hidden);
  }
  return PROGRESS_QUIET;  // once is enough
}

// Wine never calls the progress routine: there the leading dot alone hides
// the file.
bool CopyHidden(const std::wstring& source, const std::wstring& temporary) {
  HiddenCopy copy;
  if (!CopyFileExW(source.c_str(), temporary.c_str(), HideDestination, &copy, nullptr,
                   COPY_FILE_FAIL_IF_EXISTS)) {
    return false;
  }
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

#include "win32_long_path.hpp"

#include <windows.h>

namespace rinomina {

std::wstring LongFolderPath(const std::wstring& path, std::error_code& error) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) {
      error = {static_cast<int>(GetLastError()), std::system_category()};
      return {};
    }
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);  // too small: `length` counts the terminating NUL
  }
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return full;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

}  // namespace rinomina

// Paths longer than MAX_PATH on Windows.
#pragma once

#include <string>
#include <system_error>

namespace rinomina {

// The \\?\ form of the folder that Windows reaches through `path`: made
// absolute, "." and ".." resolved and doubled separators merged exactly as
// a plain Win32 call would, but free of the MAX_PATH limit. File names are
// appended to it afterwards, untouched.
//   L"C:\\a\\..\\b"            -> L"\\\\?\\C:\\b"
//   L"\\\\server\\share\\b"    -> L"\\\\?\\UNC\\server\\share\\b"
//   L"\\\\?\\C:\\b"            -> unchanged
// On failure returns "" and sets `error`.
std::wstring LongFolderPath(const std::wstring& path, std::error_code& error);

}  // namespace rinomina

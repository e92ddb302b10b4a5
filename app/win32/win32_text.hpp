// Texts between the core (UTF-16 as char16_t, UTF-8 messages) and the Win32
// API (UTF-16 as wchar_t), and the few texts the window reads from Windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "wide_text.hpp"

namespace rinomina::win32 {

// Invalid UTF-8 becomes U+FFFD rather than failing: this is for showing.
std::wstring WideFromUtf8(std::string_view text);

// The whole text of a control, however long.
std::wstring WindowText(HWND window);

// The folder part of a file path: everything before its last backslash
// ("C:\Programmi\rinomina.exe" gives "C:\Programmi", "C:\rinomina.exe" "C:").
std::wstring FolderOf(std::wstring_view filePath);

// The folder of this program's executable. Throws std::system_error.
std::wstring ProgramFolder();

}  // namespace rinomina::win32

// The press of Command1: one copy pass over the program's own folder with
// the texts of the two boxes. A failure is shown in an Italian error box.
#pragma once

#include <windows.h>

namespace rinomina::win32 {

// Returns the exit status: 0 after a pass, 1 after a failure (once the user
// has closed the box). Throws nothing.
int PressCommand1(HWND form, HWND text1, HWND text2) noexcept;

}  // namespace rinomina::win32

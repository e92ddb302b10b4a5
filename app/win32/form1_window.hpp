// Form1 as a real Win32 window, built from the description in form1.hpp:
// LISTBOX, EDIT, BUTTON and STATIC controls placed at the screen's real dpi,
// keyboard navigation through IsDialogMessageW, and the press of Command1,
// after which the window is destroyed.
#pragma once

#include <windows.h>

#include <string_view>

namespace rinomina::win32 {

// What a press of Command1 does, given the window and its two text boxes;
// returns the program's exit status. It runs inside the window procedure, so
// it must not throw.
using PressHandler = int (*)(HWND form, HWND text1, HWND text2) noexcept;

// Creates Form1, hidden, with its load step done (Label3 holds the two-line
// description). Throws std::system_error when Windows refuses.
HWND CreateForm1(HINSTANCE instance, PressHandler onPress);

// The control made for the entry `name` of form1::kControls.
HWND Form1Control(HWND form, std::string_view name);

// Runs the thread's message loop until Form1 is destroyed. Returns the exit
// status: 0 when the window was closed by hand, else the press handler's.
int RunForm1(HWND form);

}  // namespace rinomina::win32

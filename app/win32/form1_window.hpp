// Form1 as a real Win32 window, built from the description in form1.hpp:
// LISTBOX, EDIT, BUTTON and STATIC controls placed at the screen's real dpi,
// keyboard navigation through IsDialogMessageW, and the press of Command1.
//
// The press runs the pass on a thread of its own, so the window keeps
// answering: it shows the share done in its title (and on the taskbar
// button), keeps a busy cursor, and its boxes and button are greyed. Closing
// it hides it at once and stops the pass; the session ending stops it too.
// The window is destroyed once the pass has ended, after the error box if it
// failed.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "pass_monitor.hpp"

namespace rinomina::win32 {

// The pass a press starts, given the texts of Text1 and Text2 at the press:
// nothing when it went through, else the error box's text. It runs on the
// pass's thread, so it must not throw.
using PassFunction = std::optional<std::wstring> (*)(const std::wstring& searchText,
                                                     const std::wstring& replacementText,
                                                     PassMonitor& monitor) noexcept;

// Creates Form1, hidden, with its load step done (Label3 holds the two-line
// description). Throws std::system_error when Windows refuses.
HWND CreateForm1(HINSTANCE instance, PassFunction pass);

// The control made for the entry `name` of form1::kControls.
HWND Form1Control(HWND form, std::string_view name);

// Handles one message of the thread's queue as Form1 needs: the dialog keys
// work. True when it was handled (nothing more to do with it).
bool PreTranslateForm1Message(HWND form, MSG& message);

// Runs the thread's message loop until Form1 is destroyed. Returns the exit
// status: 0 after a whole pass or when the window was closed before the
// press; 1 after a failed or stopped pass.
int RunForm1(HWND form);

}  // namespace rinomina::win32

// The work a press of Command1 starts: one copy pass over the program's own
// folder with the texts the two boxes held at the press. It runs on a thread
// of its own (form1_window.cpp starts it), so it throws nothing.
#pragma once

#include <optional>
#include <string>

#include "pass_monitor.hpp"

namespace rinomina::win32 {

// Nothing when the pass went through; otherwise the text of the error box
// (also after a stop, when no box is shown).
std::optional<std::wstring> RunPass(const std::wstring& searchText,
                                    const std::wstring& replacementText,
                                    PassMonitor& monitor) noexcept;

}  // namespace rinomina::win32

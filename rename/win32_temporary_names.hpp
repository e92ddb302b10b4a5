// The names of the temporary copies on Windows and the removal of what
// killed passes left. Each copy is written under a hidden name that says
// whose it is, ".rinomina-MACHINE-PID-START-N.tmp": MACHINE tells PCs (and
// Wine prefixes) sharing a folder apart, START is the process's creation
// time, so a reused process id is told apart too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rinomina {

struct TemporaryOwner {
  std::uint64_t machine;  // MachineIdentity() of the PC that wrote the copy
  DWORD processId;
  std::uint64_t started;  // the process's creation time, as a FILETIME value
};

// This PC as 64 bits: a hash of the MachineGuid Windows sets up at
// installation, or of the computer name where there is none.
std::uint64_t MachineIdentity();

// "FOLDER\.rinomina-MACHINE-PID-START-" for this process: a counter and
// ".tmp" make a temporary name of it (NextTemporaryName).
std::wstring TemporaryPrefix(const std::wstring& folder);

// PREFIX + a counter + ".tmp": a fresh name each call, whatever thread asks.
std::wstring NextTemporaryName(const std::wstring& prefix);

// The owner that a temporary name states, or nothing when the name is not
// exactly one that TemporaryPrefix and a counter make:
//   OwnerOf(L".rinomina-00000000000000AB-12-01D9C0FFEE000000-3.tmp")
//     == TemporaryOwner{0xAB, 12, 0x01D9C0FFEE000000}
std::optional<TemporaryOwner> OwnerOf(std::wstring_view name);

// Whether the process `owner` names may still run on this PC: only a process
// id Windows does not know, a process that has ended or one started at
// another time count as gone; any other doubt (no right to look) keeps it.
// `openProcess` is OpenProcess, or a stand-in for the tests.
using OpenProcessFunction = HANDLE(WINAPI*)(DWORD access, BOOL inherit, DWORD processId);
bool MayRun(TemporaryOwner owner, OpenProcessFunction openProcess = OpenProcess);

// Removes from `folder` the temporary copies this PC's ended processes left,
// each only once it is shown that nothing has it open. Nothing else: not
// another PC's, not a look-alike.
void RemoveLeftovers(const std::wstring& folder);

}  // namespace rinomina

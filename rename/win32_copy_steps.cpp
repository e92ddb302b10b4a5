#include "win32_copy_steps.hpp"

#include <windows.h>

#include "copy_pass.hpp"
#include "messages.hpp"
#include "pass_monitor.hpp"
#include "wide_text.hpp"
#include "win32_file_in_use.hpp"
#include "win32_temporary_copy.hpp"
#include "win32_temporary_names.hpp"

namespace rinomina {
namespace {

std::error_code Win32Error(DWORD code) { return {static_cast<int>(code), std::system_category()}; }

[[noreturn]] void Fail(const Win32Copy& copy, PassMonitor* monitor, DWORD code) {
  if (monitor && monitor->StopRequested()) throw PassStopped();
  throw CopyFailed(copy.sourceName, copy.newName, Win32Error(code));
}

}  // namespace

void WriteTemporary(Win32Copy& copy, const std::wstring& prefix, PassMonitor* monitor) {
  FileInUseWait wait(monitor);
  for (;;) {
    std::wstring temporary = NextTemporaryName(prefix);
    if (CopyHidden(copy.source, temporary, monitor)) {
      copy.temporary = std::move(temporary);
      return;
    }
    const DWORD code = HeldOrCode(GetLastError(), copy.source, GENERIC_READ, InUseWhenOpen::kNo);
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;  // not ours
    RemoveTemporary(temporary);  // a failed copy may leave part of the file
    if (code == ERROR_SHARING_VIOLATION && wait.Next()) continue;
    Fail(copy, monitor, code);
  }
}

// The old target (a link too) is replaced, never written through. The
// rename is tried first: the target is looked at only when it refuses, as
// nearly every target is new. A folder refuses for good; a target another
// program holds for a moment is waited out. A read-only target refuses too:
// it alone loses that attribute, and gets it back if the rename fails
// anyway. A read-only link keeps it (and the rename fails):
// SetFileAttributesW would reach the file the link points to.
void NameTemporary(Win32Copy& copy, PassMonitor* monitor) {
  FileInUseWait wait(monitor);
  DWORD targetAttributes = INVALID_FILE_ATTRIBUTES;  // once looked at
  bool unlocked = false;
  while (!MoveFileExW(copy.temporary.c_str(), copy.target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD code = GetLastError();
    if (targetAttributes == INVALID_FILE_ATTRIBUTES) {
      targetAttributes = GetFileAttributesW(copy.target.c_str());
      if (targetAttributes != INVALID_FILE_ATTRIBUTES &&
          (targetAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // Said plainly rather than with the bare "access denied" of the rename.
        DiscardTemporary(copy);
        throw CopyRefused(copy.sourceName, copy.newName, "esiste già una cartella con quel nome",
                          Win32Error(ERROR_ACCESS_DENIED));
      }
      const DWORD unlock = targetAttributes & ~FILE_ATTRIBUTE_READONLY;
      if (targetAttributes != INVALID_FILE_ATTRIBUTES &&
          (targetAttributes & FILE_ATTRIBUTE_READONLY) &&
          !(targetAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        unlocked = SetFileAttributesW(copy.target.c_str(), unlock ? unlock : FILE_ATTRIBUTE_NORMAL);
        if (unlocked) continue;
        code = GetLastError();
      }
    }
    // Windows refuses to rename over a file that is open, however shared.
    code = HeldOrCode(code, copy.target, DELETE, InUseWhenOpen::kYes);
    if (code == ERROR_SHARING_VIOLATION && wait.Next()) continue;
    if (unlocked) SetFileAttributesW(copy.target.c_str(), targetAttributes);
    DiscardTemporary(copy);
    Fail(copy, monitor, code);
  }
  copy.temporary.clear();
}

void DiscardTemporary(Win32Copy& copy) {
  RemoveTemporary(copy.temporary);
  copy.temporary.clear();
}

}  // namespace rinomina

// The temporary copies in "Modificati" on Windows (their names:
// win32_temporary_names.hpp). Each copy is written hidden under its
// temporary name and renamed over its target only once complete.
#pragma once

#include <windows.h>

#include <string>

namespace rinomina {

// CopyFileW from `source` to the new file `temporary`, which is hidden while
// it is written (where Windows lets the copy be watched) and then has the
// attributes CopyFileW gives it. False, with GetLastError, on failure.
bool CopyHidden(const std::wstring& source, const std::wstring& temporary);

// Removes a temporary copy, read-only or not, waiting out briefly another
// program that holds it.
void RemoveTemporary(const std::wstring& path);

// What CopyHidden's progress routine did to the new file.
struct HiddenCopy {
  bool hidden = false;
  DWORD attributes = 0;  // the copy's own, before it was hidden
};

// CopyFileExW's progress routine of CopyHidden: at the first stream it hides
// `destination` through its handle and notes in *data (a HiddenCopy) the
// attributes to give back; then it asks for no more calls.
DWORD CALLBACK HideDestination(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                               DWORD reason, HANDLE, HANDLE destination, void* data);

// Gives a complete copy that HideDestination hid its own attributes back.
bool Unhide(const std::wstring& temporary, const HiddenCopy& copy);

}  // namespace rinomina

// The temporary copies in "Modificati" on Windows (their names:
// win32_temporary_names.hpp). Each copy is written hidden under its
// temporary name and renamed over its target only once complete.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace rinomina {

class PassMonitor;

// CopyFileW from `source` to the new file `temporary`, which is hidden while
// it is written (where Windows lets the copy be watched) and then has the
// attributes CopyFileW gives it. False, with GetLastError, on failure. With a
// monitor, the bytes copied are counted there as they go, and a stop request
// cancels the copy between chunks (ERROR_REQUEST_ABORTED).
bool CopyHidden(const std::wstring& source, const std::wstring& temporary,
                PassMonitor* monitor = nullptr);

// Removes a temporary copy, read-only or not, waiting out briefly another
// program that holds it.
void RemoveTemporary(const std::wstring& path);

// What CopyHidden's progress routine did to the new file, and what it counted.
struct HiddenCopy {
  bool hidden = false;
  DWORD attributes = 0;  // the copy's own, before it was hidden
  PassMonitor* monitor = nullptr;
  bool watched = false;       // Windows called the progress routine
  std::uint64_t counted = 0;  // bytes of this copy counted on the monitor
};

// CopyFileExW's progress routine of CopyHidden: at the first stream it hides
// `destination` through its handle and notes in *data (a HiddenCopy) the
// attributes to give back. Without a monitor it then asks for no more calls;
// with one it counts the bytes after each chunk and cancels the copy once a
// stop is requested.
DWORD CALLBACK HideDestination(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER,
                               LARGE_INTEGER, DWORD, DWORD reason, HANDLE, HANDLE destination,
                               void* data);

// Gives a complete copy that HideDestination hid its own attributes back.
bool Unhide(const std::wstring& temporary, const HiddenCopy& copy);

}  // namespace rinomina

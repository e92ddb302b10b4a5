// The temporary copies in "Modificati" on Windows. Each copy is written under
// a hidden name that says whose it is, ".rinomina-PID-START-N.tmp" (START is
// the process's creation time, so a reused process id is told apart), and is
// renamed over its target only once complete. What a killed pass leaves
// behind is removed by the next pass in that folder.
#pragma once

#include <string>

namespace rinomina {

class PassMonitor;

// "FOLDER\.rinomina-PID-START-" for this process: a counter and ".tmp" make
// a temporary name of it.
std::wstring TemporaryPrefix(const std::wstring& folder);

// Removes from `folder` the temporary copies of processes that no longer run;
// nothing else, not even what merely looks like one.
void RemoveLeftovers(const std::wstring& folder);

// CopyFileW from `source` to the new file `temporary`, which is hidden while
// it is written (where Windows lets the copy be watched) and then has the
// attributes CopyFileW gives it. False, with GetLastError, on failure. With a
// monitor, the bytes copied are counted there as they go, and a stop request
// cancels the copy between chunks (ERROR_REQUEST_ABORTED).
bool CopyHidden(const std::wstring& source, const std::wstring& temporary,
                PassMonitor* monitor = nullptr);

// Removes a temporary copy, read-only or not.
void RemoveTemporary(const std::wstring& path);

}  // namespace rinomina

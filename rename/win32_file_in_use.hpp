// Files another program holds for a moment (an antivirus scanner, the search
// indexer, a backup tool) are waited out briefly, as Windows tools do:
//   FileInUseWait wait;
//   while (!DeleteFileW(path)) {
//     const DWORD code = HeldOrCode(GetLastError(), path, DELETE, InUseWhenOpen::kNo);
//     if (code != ERROR_SHARING_VIOLATION || !wait.Next()) return code;
//   }
#pragma once

#include <windows.h>

#include <string>

namespace rinomina {

class PassMonitor;

// The pauses between tries: 10, 20, 40, ... ms, about 2 s in all.
class FileInUseWait {
 public:
  // With a monitor, a stop request ends the wait within a tenth of a second.
  explicit FileInUseWait(const PassMonitor* monitor = nullptr) : monitor_(monitor) {}

  // Sleeps before the next try; false, without sleeping further, once the
  // time is up or a stop is requested.
  bool Next();

 private:
  bool StopRequested() const;

  const PassMonitor* monitor_;
  DWORD waited_ = 0;
  DWORD pause_ = 10;
};

// Whether a file that can be opened (shared in every way) is one the failed
// operation would refuse while it is open: so Windows renames over a target.
enum class InUseWhenOpen { kNo, kYes };

// ERROR_SHARING_VIOLATION when the failure `code` of an operation on `file`
// comes from another program holding the file, otherwise `code` unchanged.
// ERROR_ACCESS_DENIED is ambiguous: a read-only file or one that refuses
// `access` to this user is not held; one that gives a sharing violation when
// opened for `access` is.
DWORD HeldOrCode(DWORD code, const std::wstring& file, DWORD access, InUseWhenOpen whenOpen);

}  // namespace rinomina

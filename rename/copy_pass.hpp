// The copy pass: every file of "Originali" whose name contains the search text
// is copied into "Modificati" under the name RewriteName gives it.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "copy_options.hpp"
#include "pass_monitor.hpp"

namespace rinomina {

// The one error the core throws. what() is an Italian sentence in UTF-8 for a
// person, naming the file or folder and the reason; code() is the system's.
class CopyPassError : public std::runtime_error {
 public:
  CopyPassError(const std::string& message, std::error_code code)
      : std::runtime_error(message), code_(code) {}
  const std::error_code& code() const noexcept { return code_; }

 private:
  std::error_code code_;
};

// Lists programFolder + "/Originali" one name at a time and copies each
// matching file to programFolder + "/Modificati" + "/" + new name, replacing a
// file already there. The program folder is used as given: the pieces are
// appended to it with the platform's separator.
//
// Stops at the first failure with a CopyPassError; copies already made stay.
// A missing "Originali" copies nothing; neither folder is ever created. Under
// a target name there is at every instant, whatever ends the process, either
// the complete copy or the file that stood there before; a failed copy leaves
// nothing behind. Links under a target name are replaced, never written
// through. On Linux the copies reach the disk before the pass returns or
// throws (syncfs of "Modificati"), and a failure to get them there is one.
// Unsafe new names ("", ".", "..", a separator, NUL, not encodable) and the
// two folders being one folder fail before anything is written.
//
// With a monitor, a listing of its own sums the sizes of the files to copy
// (beside the copies, where threads are at hand, and never waited for), and
// the bytes copied are counted as they go; a pass that ends well leaves the
// share at 100 % (PassMonitor::Complete). A stop request is seen before
// each file and between chunks of one (at most a few MiB apart): the file
// being copied is then dropped like a failed copy, and the pass throws a
// CopyPassError whose code() is std::errc::operation_canceled.
//
// Where it gains anything (network and FUSE folders on Linux; always on
// Windows) a few small files are copied side by side and named in listing
// order; what is
// seen under the target names, and the failure reported, are those of a
// pass copying one file after another (which `options` can ask for).
void RunCopyPass(const std::filesystem::path& programFolder, std::u16string_view searchText,
                 std::u16string_view replacementText, PassMonitor* monitor = nullptr,
                 const CopyOptions& options = {});

}  // namespace rinomina

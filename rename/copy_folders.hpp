// The file-system layer under the pass: the streamed listing of "Originali"
// and the safe copy into "Modificati". One shared implementation
// (side_by_side_copies.cpp) copies a few files at once on worker threads and
// names them in listing order, over each platform's steps (copy_steps.hpp).
// What the pass sees is a pass copying one file after another.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "copy_options.hpp"

namespace rinomina {

class PassMonitor;

class CopyFolders {
 public:
  // Nothing is opened or checked here beyond what the listing needs; a missing
  // "Originali" gives an empty listing. With a monitor, the data copies count
  // their bytes there and stop between chunks when it asks them to.
  explicit CopyFolders(const std::filesystem::path& programFolder, PassMonitor* monitor = nullptr,
                       const CopyOptions& options = {});
  // Discards the copies not named yet (after a failure or a stop), then
  // makes the named ones durable where the platform needs it, silently.
  ~CopyFolders();
  CopyFolders(const CopyFolders&) = delete;
  CopyFolders& operator=(const CopyFolders&) = delete;

  // Moves to the next file of "Originali" (never a folder, "." or "..") and
  // puts its name, as UTF-16, into `name`. False once no file is left, after
  // every copy is named and made durable where the platform needs it (a
  // failure to do so throws); the destructor does the same, silently, after
  // a failure. A failure to list names the earlier copies first.
  bool NextFile(std::u16string& name);

  // The size of the file NextFile last gave; 0 where it cannot be told (its
  // copy will say why).
  std::uint64_t CurrentFileSize();

  // Copies the file NextFile last gave into "Modificati" under `newName`,
  // which CheckNewName has passed, now or later: the copies are named in the
  // order of these calls. The target appears only when complete; on failure
  // nothing new is left behind and an earlier target is intact. Fails with
  // CopyPassError, for this file or an earlier one (whose copy would have
  // been named first); with PassStopped when the monitor asked for a stop.
  void CopyCurrentFile(std::u16string_view newName);

  // Names every copy asked for so far, in order; throws the first failure
  // among them. For a failure of the pass's own between two files: what
  // came before it is named as if copied one at a time.
  void NameCopiesMade();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace rinomina

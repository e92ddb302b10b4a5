// The file-system layer under the pass: the streamed listing of "Originali"
// and the safe copy into "Modificati". One implementation per platform
// (posix_copy_folders.cpp, win32_copy_folders.cpp); the pass itself is shared.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace rinomina {

class PassMonitor;

class CopyFolders {
 public:
  // Nothing is opened or checked here beyond what the listing needs; a missing
  // "Originali" gives an empty listing. With a monitor, the data copies count
  // their bytes there and stop between chunks when it asks them to.
  explicit CopyFolders(const std::filesystem::path& programFolder, PassMonitor* monitor = nullptr);
  ~CopyFolders();
  CopyFolders(const CopyFolders&) = delete;
  CopyFolders& operator=(const CopyFolders&) = delete;

  // Moves to the next file of "Originali" (never a folder, "." or "..") and
  // puts its name, as UTF-16, into `name`. False once no file is left, after
  // the copies are made durable where the platform needs it (a failure to do
  // so throws); the destructor does the same, silently, after a failure.
  bool NextFile(std::u16string& name);

  // The size of the file NextFile last gave; 0 where it cannot be told (its
  // copy will say why).
  std::uint64_t CurrentFileSize();

  // Copies the file NextFile last gave into "Modificati" under `newName`,
  // which CheckNewName has passed. The target appears only when complete;
  // on failure nothing new is left behind and an earlier target is intact.
  // Fails with CopyPassError; with PassStopped when the monitor asked for a
  // stop during the copy.
  void CopyCurrentFile(std::u16string_view newName);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace rinomina

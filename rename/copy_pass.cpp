#include "copy_pass.hpp"

#include <optional>

#include "copy_folders.hpp"
#include "messages.hpp"
#include "new_name.hpp"
#include "rewrite_name.hpp"
#include "size_total.hpp"

namespace rinomina {

void RunCopyPass(const std::filesystem::path& programFolder, std::u16string_view searchText,
                 std::u16string_view replacementText, PassMonitor* monitor,
                 const CopyOptions& options) {
  CopyFolders folders(programFolder, monitor, options);
  std::optional<SizeTotal> total;
  if (monitor) total.emplace(programFolder, searchText, *monitor);
  std::u16string name;
  while (folders.NextFile(name)) {
    if (monitor && monitor->StopRequested()) throw PassStopped();
    const std::optional<std::u16string> newName = RewriteName(name, searchText, replacementText);
    if (!newName) continue;
    try {
      CheckMatchKeepsCharacters(name, searchText, *newName);
      CheckNewName(name, *newName);
    } catch (const CopyPassError&) {
      folders.NameCopiesMade();  // the files before this one are copied, as one at a time
      throw;
    }
    folders.CopyCurrentFile(*newName);
  }
  total.reset();  // the listing, abandoned, writes no more into the monitor
  if (monitor) monitor->Complete();
}

}  // namespace rinomina

#include "copy_pass.hpp"

#include "copy_folders.hpp"
#include "new_name.hpp"
#include "rewrite_name.hpp"

namespace rinomina {

void RunCopyPass(const std::filesystem::path& programFolder, std::u16string_view searchText,
                 std::u16string_view replacementText) {
  CopyFolders folders(programFolder);
  std::u16string name;
  while (folders.NextFile(name)) {
    const std::optional<std::u16string> newName = RewriteName(name, searchText, replacementText);
    if (!newName) continue;
    CheckMatchKeepsCharacters(name, searchText, *newName);
    CheckNewName(name, *newName);
    folders.CopyCurrentFile(*newName);
  }
}

}  // namespace rinomina

#include "copy_pass.hpp"

#include "copy_folders.hpp"
#include "messages.hpp"
#include "new_name.hpp"
#include "rewrite_name.hpp"

namespace rinomina {
namespace {

// The first listing: the sizes of the files the pass will copy.
std::uint64_t SizeOfMatchingFiles(CopyFolders& folders, std::u16string_view searchText,
                                  std::u16string_view replacementText, const PassMonitor& monitor) {
  std::uint64_t bytes = 0;
  std::u16string name;
  while (folders.NextFile(name)) {
    if (monitor.StopRequested()) throw PassStopped();
    if (RewriteName(name, searchText, replacementText)) bytes += folders.CurrentFileSize();
  }
  return bytes;
}

}  // namespace

void RunCopyPass(const std::filesystem::path& programFolder, std::u16string_view searchText,
                 std::u16string_view replacementText, PassMonitor* monitor) {
  CopyFolders folders(programFolder, monitor);
  if (monitor) {
    monitor->SetBytesInAll(SizeOfMatchingFiles(folders, searchText, replacementText, *monitor));
    folders.Rewind();
  }
  std::u16string name;
  while (folders.NextFile(name)) {
    if (monitor && monitor->StopRequested()) throw PassStopped();
    const std::optional<std::u16string> newName = RewriteName(name, searchText, replacementText);
    if (!newName) continue;
    CheckMatchKeepsCharacters(name, searchText, *newName);
    CheckNewName(name, *newName);
    folders.CopyCurrentFile(*newName);
  }
}

}  // namespace rinomina

#include "floor_copy.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>

#include "names.hpp"

namespace rinomina::bench {
namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

int OpenFolder(const std::filesystem::path& folder) {
  int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) ThrowErrno("open " + folder.string());
  return descriptor;
}

void CopyData(int in, int out, const std::string& newName) {
  ssize_t copied;
  while ((copied = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0)) > 0) {
  }
  if (copied < 0) ThrowErrno("copy " + newName);
}

void CopyInPlace(int source, const char* name, int target, const std::string& newName) {
  int in = openat(source, name, O_RDONLY);
  if (in < 0) ThrowErrno(std::string("open ") + name);
  int out = openat(target, newName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) ThrowErrno("create " + newName);
  CopyData(in, out, newName);
  close(in);
  close(out);
}

// Linking by descriptor; where the kernel refuses that to this user, through /proc.
void CopyUnnamed(int source, const char* name, int target, const std::string& newName) {
  static bool throughProc = false;
  int in = openat(source, name, O_RDONLY);
  if (in < 0) ThrowErrno(std::string("open ") + name);
  int out = openat(target, ".", O_WRONLY | O_TMPFILE, 0666);
  if (out < 0) ThrowErrno("create unnamed for " + newName);
  CopyData(in, out, newName);
  if (throughProc || linkat(out, "", target, newName.c_str(), AT_EMPTY_PATH) != 0) {
    if (!throughProc && errno != ENOENT) ThrowErrno("link " + newName);
    throughProc = true;
    const std::string path = "/proc/self/fd/" + std::to_string(out);
    if (linkat(AT_FDCWD, path.c_str(), target, newName.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      ThrowErrno("link " + newName);
    }
  }
  close(in);
  close(out);
}

using CopyOne = void (*)(int source, const char* name, int target, const std::string& newName);

void RunLoop(const std::filesystem::path& programFolder, CopyOne copyOne) {
  DIR* listing = fdopendir(OpenFolder(programFolder / kSourceFolder));
  if (listing == nullptr) ThrowErrno("list " + programFolder.string());
  const int target = OpenFolder(programFolder / kTargetFolder);
  std::string newName;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    const std::size_t at = name.find(kSearchText);
    if (entry->d_type != DT_REG || at == std::string_view::npos) continue;
    newName.assign(name).replace(at, kSearchText.size(), kReplacementText);
    copyOne(dirfd(listing), entry->d_name, target, newName);
  }
  close(target);
  closedir(listing);
}

}  // namespace

void RunFloorCopy(const std::filesystem::path& programFolder) {
  RunLoop(programFolder, CopyInPlace);
}

void RunSafeFloorCopy(const std::filesystem::path& programFolder) {
  RunLoop(programFolder, CopyUnnamed);
}

}  // namespace rinomina::bench

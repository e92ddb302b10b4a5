#include "data_set.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "names.hpp"

namespace rinomina::bench {
namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

std::string DataFileName(std::size_t index) {
  char name[40];
  std::snprintf(name, sizeof name, "foto_01_%06zu.jpg", index);
  return name;
}

// A fixed pseudo-random block, written over and over.
std::vector<char> PatternBlock(std::size_t size) {
  std::vector<char> block(size);
  unsigned state = 12345;
  for (char& byte : block) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>((state >> 16) | 1);
  }
  return block;
}

void WriteDataFile(int folder, const std::string& name, const std::vector<char>& block,
                   std::size_t size) {
  int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (file < 0) ThrowErrno("create " + name);
  for (std::size_t done = 0; done < size;) {
    std::size_t chunk = std::min(block.size(), size - done);
    ssize_t written = write(file, block.data(), chunk);
    if (written <= 0) ThrowErrno("write " + name);
    done += static_cast<std::size_t>(written);
  }
  close(file);
}

}  // namespace

void MakeProgramFolder(const std::filesystem::path& programFolder, std::size_t count,
                       std::size_t fileSize) {
  std::filesystem::create_directories(programFolder / kSourceFolder);
  MakeEmptyFolder(programFolder / kTargetFolder);
  int folder = open((programFolder / kSourceFolder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) ThrowErrno("open " + programFolder.string());
  const std::vector<char> block = PatternBlock(std::min<std::size_t>(fileSize, 1 << 20));
  for (std::size_t index = 0; index < count; ++index) {
    WriteDataFile(folder, DataFileName(index), block, fileSize);
  }
  close(folder);
}

void MakeEmptyFolder(const std::filesystem::path& folder) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
}

std::size_t CountFiles(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.is_regular_file()) ++count;
  }
  return count;
}

}  // namespace rinomina::bench

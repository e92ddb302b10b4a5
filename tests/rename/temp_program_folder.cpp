#include "temp_program_folder.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace rinomina::test {

namespace fs = std::filesystem;

TempProgramFolder::TempProgramFolder(const fs::path& base) {
  std::random_device random;
  while (root_.empty()) {
    const fs::path candidate = base / ("rinomina-" + std::to_string(random()));
    if (fs::create_directory(candidate)) root_ = candidate;
  }
  fs::create_directory(source());
  fs::create_directory(target());
}

TempProgramFolder::~TempProgramFolder() {
  std::error_code ignored;
  // Read-only files must become writable again before Windows lets them go.
  for (auto it = fs::recursive_directory_iterator(root_, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_all,
                    fs::perm_options::add | fs::perm_options::nofollow, ignored);
  }
  fs::remove_all(root_, ignored);
}

std::set<fs::path> TempProgramFolder::Names(const fs::path& folder) {
  std::set<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

std::string TempProgramFolder::Contents(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream contents;
  contents << stream.rdbuf();
  return contents.str();
}

void TempProgramFolder::Write(const fs::path& file, const std::string& contents) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  stream << contents;
  if (!stream.flush()) throw std::runtime_error("cannot write " + file.string());
}

CopyPassError FailingPass(const fs::path& programFolder, std::u16string_view searchText,
                          std::u16string_view replacementText) {
  try {
    RunCopyPass(programFolder, searchText, replacementText);
  } catch (const CopyPassError& error) {
    return error;
  }
  ADD_FAILURE() << "the pass did not fail";
  return CopyPassError("", {});
}

bool MessageHas(const CopyPassError& error, std::string_view part) {
  return std::string_view(error.what()).find(part) != std::string_view::npos;
}

std::string Copying(std::string_view source, std::string_view target) {
  const char separator = fs::path::preferred_separator;
  return "Impossibile copiare \"" + std::string(source) + "\" in \"Modificati" + separator +
         std::string(target) + "\": ";
}

Listing ListFolder(const fs::path& folder) {
  Listing listing;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    listing[entry.path().filename()] =
        entry.is_directory() ? "" : Summary(TempProgramFolder::Contents(entry.path()));
  }
  return listing;
}

std::string Summary(const std::string& contents) {
  if (contents.size() <= 64) return contents;
  return std::to_string(contents.size()) + " bytes #" +
         std::to_string(std::hash<std::string>{}(contents));
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<char>(seed >> 16);
  }
  return bytes;
}

}  // namespace rinomina::test

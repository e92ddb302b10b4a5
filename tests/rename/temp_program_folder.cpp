#include "temp_program_folder.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "messages.hpp"

namespace rinomina::test {

std::string Contents(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot read " + file.string());
  return {std::istreambuf_iterator<char>(stream), {}};
}

fs::path Write(const fs::path& file, const std::string& contents) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  if (!(stream << contents).flush()) throw std::runtime_error("cannot write " + file.string());
  return file;
}

TempProgramFolder::TempProgramFolder(const fs::path& base) {
  std::random_device random;
  do root_ = base / ("rinomina-" + std::to_string(random()));
  while (!fs::create_directory(root_));
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

Listing ListFolder(const fs::path& folder) {
  Listing listing;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    listing[entry.path().filename()] = entry.is_directory() ? "" : Summary(Contents(entry));
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
  for (char& byte : bytes) byte = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  return bytes;
}

void Pass(const fs::path& programFolder, std::u16string_view searchText,
          std::u16string_view replacementText, PassMonitor* monitor) {
  static const bool oneAtATime = std::getenv("RINOMINA_TEST_ONE_AT_A_TIME") != nullptr;
  static const CopyOptions options{.oneAtATime = oneAtATime, .sideBySideEverywhere = !oneAtATime};
  RunCopyPass(programFolder, searchText, replacementText, monitor, options);
}

CopyPassError FailedPass(const fs::path& programFolder, std::u16string_view searchText,
                         std::u16string_view replacementText, PassMonitor* monitor) {
  try {
    Pass(programFolder, searchText, replacementText, monitor);
  } catch (const CopyPassError& error) {
    return error;
  }
  ADD_FAILURE() << "the pass did not fail";
  return CopyPassError("", {});
}

void ExpectItalianReasonsOfTheirOwn(const std::vector<int>& alone,
                                    std::vector<std::vector<int>> groups) {
  for (const int code : alone) groups.push_back({code});
  std::map<std::string, int> groupOf;  // reason -> the first code of its group
  for (const std::vector<int>& group : groups) {
    for (const int code : group) {
      const std::error_code error(code, std::system_category());
      std::string reason = ReasonText(error), lower = reason + " ";
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(reason, ReasonText({group[0], std::system_category()})) << code;
      EXPECT_EQ(groupOf.emplace(reason, group[0]).first->second, group[0])
          << code << ": " << reason;
      EXPECT_FALSE(reason.empty() || reason.starts_with("errore di sistema")) << code;
      EXPECT_NE(reason, error.message()) << code;
      for (const char* word : {"error ", "file not", "denied", "no such", "not ", "too ", "the "})
        EXPECT_EQ(lower.find(word), std::string::npos) << code << ": " << reason;
    }
  }
}

std::string Copying(std::string_view source, std::string_view target) {
  return "Impossibile copiare \"" + std::string(source) + "\" in \"Modificati" +
         static_cast<char>(fs::path::preferred_separator) + std::string(target) + "\": ";
}

}  // namespace rinomina::test

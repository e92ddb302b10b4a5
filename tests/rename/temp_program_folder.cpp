#include "temp_program_folder.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <regex>

#include "messages.hpp"

namespace rinomina::test {

std::string Contents(const fs::path& file) {
  if (std::ifstream in{file, std::ios::binary}) return {std::istreambuf_iterator<char>(in), {}};
  throw std::runtime_error("cannot read " + file.string());
}

fs::path Write(const fs::path& file, const std::string& contents) {
  if (std::ofstream(file, std::ios::binary) << contents << std::flush) return file;
  throw std::runtime_error("cannot write " + file.string());
}

TempProgramFolder::TempProgramFolder(const fs::path& base) {
  do root_ = base / ("rinomina-" + std::to_string(std::random_device{}()));
  while (!fs::create_directory(root_));
  for (const fs::path& folder : {source(), target()}) fs::create_directory(folder);
}

TempProgramFolder::~TempProgramFolder() {
  std::error_code ignored;
  // Read-only files must become writable again before Windows lets them go.
  for (fs::recursive_directory_iterator it(root_, ignored), end; it != end; it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all,
                    fs::perm_options::add | fs::perm_options::nofollow, ignored);
  fs::remove_all(root_, ignored);
}

Listing ListFolder(const fs::path& folder) {
  Listing listing;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    listing[entry.path().filename()] = entry.is_directory() ? "" : Summary(Contents(entry));
  return listing;
}

std::string Summary(const std::string& s) {
  if (s.size() <= 64) return s;
  return std::to_string(s.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(s));
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  return bytes;
}

void Pass(const fs::path& folder, Text search, Text by, PassMonitor* monitor) {
  static const bool alone = std::getenv("RINOMINA_TEST_ONE_AT_A_TIME") != nullptr;
  RunCopyPass(folder, search, by, monitor, {.oneAtATime = alone, .sideBySideEverywhere = !alone});
}

CopyPassError FailedPass(const fs::path& folder, Text search, Text by, PassMonitor* monitor) try {
  return Pass(folder, search, by, monitor), CopyPassError("", {});
} catch (const CopyPassError& error) {
  return error;
}

void ExpectItalianReasonsOfTheirOwn(const std::vector<int>& alone,
                                    std::vector<std::vector<int>> groups) {
  for (const int code : alone) groups.push_back({code});
  std::map<std::string, int> groupOf;  // reason -> the first code of its group
  const std::regex english("error |file not|denied|no such|not |too |the ", std::regex::icase);
  for (const std::vector<int>& group : groups)
    for (const int code : group) {
      const std::error_code error(code, std::system_category());
      const std::string reason = ReasonText(error);
      EXPECT_TRUE(reason == ReasonText({group[0], std::system_category()}) &&
                  groupOf.emplace(reason, group[0]).first->second == group[0] && !reason.empty() &&
                  !reason.starts_with("errore di sistema") && reason != error.message() &&
                  !std::regex_search(reason + " ", english))
          << code << ": " << reason;
    }
}

std::string Copying(std::string_view source, std::string_view target) {
  return "Impossibile copiare \"" + std::string(source) + "\" in \"Modificati" +
         static_cast<char>(fs::path::preferred_separator) + std::string(target) + "\": ";
}

}  // namespace rinomina::test

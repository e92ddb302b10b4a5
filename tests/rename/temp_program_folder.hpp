// A program folder with "Originali" and "Modificati" in a fresh temporary
// folder, removed again at the end of the test, and helpers for passes on it.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "copy_pass.hpp"

namespace rinomina::test {

class TempProgramFolder {
 public:
  explicit TempProgramFolder(
      const std::filesystem::path& base = std::filesystem::temp_directory_path());
  ~TempProgramFolder();
  TempProgramFolder(const TempProgramFolder&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path source() const { return root_ / "Originali"; }
  std::filesystem::path target() const { return root_ / "Modificati"; }

  // Writes `contents` to a file of "Originali".
  void AddSource(const std::filesystem::path& name, const std::string& contents) const {
    Write(source() / name, contents);
  }

  // Names of the entries of a folder, sorted.
  static std::set<std::filesystem::path> Names(const std::filesystem::path& folder);
  static std::string Contents(const std::filesystem::path& file);
  static void Write(const std::filesystem::path& file, const std::string& contents);

 private:
  std::filesystem::path root_;
};

// Every entry of a folder with the Summary of its contents ("" for a folder).
using Listing = std::map<std::filesystem::path, std::string>;
Listing ListFolder(const std::filesystem::path& folder);

// Short contents as they are, long ones as their size and a hash: failures
// stay readable.
std::string Summary(const std::string& contents);

// `size` pseudo-random bytes from `seed`: a chunk copied twice, out of place
// or lost shows.
std::string Pattern(std::size_t size, unsigned seed);

// The error of a pass that must fail; a test failure when it does not.
CopyPassError FailingPass(const std::filesystem::path& programFolder,
                          std::u16string_view searchText, std::u16string_view replacementText);

// Whether the error's message holds `part`, for EXPECT_TRUE.
bool MessageHas(const CopyPassError& error, std::string_view part);

// How every message about copying `source` to `target` begins.
std::string Copying(std::string_view source, std::string_view target);

}  // namespace rinomina::test

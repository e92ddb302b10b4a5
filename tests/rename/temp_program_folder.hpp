// A program folder with "Originali" and "Modificati" in a fresh temporary
// folder, removed again at the end of the test, and helpers for passes on it.
#pragma once

#include <map>
#include <vector>

#include "copy_pass.hpp"

namespace rinomina::test {

namespace fs = std::filesystem;
using Text = std::u16string_view;

std::string Contents(const fs::path& file);
// Writes `contents` to `file` and returns `file`.
fs::path Write(const fs::path& file, const std::string& contents);

class TempProgramFolder {
  fs::path root_;

 public:
  explicit TempProgramFolder(const fs::path& base = fs::temp_directory_path());
  ~TempProgramFolder();

  const fs::path& root() const { return root_; }
  fs::path source() const { return root_ / "Originali"; }
  fs::path target() const { return root_ / "Modificati"; }
  // Writes `s` to the file `n` of "Originali" and returns its path.
  auto AddSource(const fs::path& n, const std::string& s) const { return Write(source() / n, s); }
};

// Every entry of a folder with the Summary of its contents ("" for a folder).
using Listing = std::map<fs::path, std::string>;
Listing ListFolder(const fs::path& folder);

// Short contents as they are, long ones as their size and a hash: failures
// stay readable.
std::string Summary(const std::string& contents);

// `size` pseudo-random bytes from `seed`: a chunk copied twice, out of place
// or lost shows.
std::string Pattern(std::size_t size, unsigned seed);

// RunCopyPass as the tests run it: one file at a time where
// RINOMINA_TEST_ONE_AT_A_TIME is set (a ctest entry runs the suites so).
void Pass(const fs::path& folder, Text search, Text replacement, PassMonitor* monitor = nullptr);

// The error of a pass, empty (no message, no code) when it succeeds, which
// every check of a failure then fails on. FailingPass gives its message.
CopyPassError FailedPass(const fs::path& folder, Text search, Text by, PassMonitor* m = nullptr);
inline std::string FailingPass(const auto&... pass) { return FailedPass(pass...).what(); }

// Checks the reasons of the system's codes a copy can meet, each `alone` or
// in groups of one meaning: every group has one reason of its own, Italian
// (not the system's English text, no English word) and not the fall-back
// "errore di sistema N".
void ExpectItalianReasonsOfTheirOwn(const std::vector<int>& alone,
                                    std::vector<std::vector<int>> groups);

// `name` with its first "01" made "02".
inline std::string Renamed(std::string name) { return name.replace(name.find("01"), 2, "02"); }

// How every message about copying `source` to `target` begins.
std::string Copying(std::string_view source, std::string_view target);

}  // namespace rinomina::test

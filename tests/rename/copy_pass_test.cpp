#include "copy_pass.hpp"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "temp_program_folder.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using test::Copying;
using test::FailingPass;
using test::TempProgramFolder;
using Names = std::set<fs::path>;

struct PassCase {
  std::u16string_view searchText;
  std::u16string_view replacementText;
  std::map<fs::path, fs::path> expectedTargets;  // new name -> the source copied there
};

// Sources are named after their contents, so a copy tells where it came from.
TEST(CopyPassTest, CopiesMatchingFilesUnderTheirNewNames) {
  const Names sources{"foto_01.jpg", "foto_02.jpg", ".nascosto_01"};
  // clang-format off
  const PassCase cases[] = {
      {u"01", u"02", {{"foto_02.jpg", "foto_01.jpg"}, {".nascosto_02", ".nascosto_01"}}},
      {u"", u"", {{"foto_01.jpg", "foto_01.jpg"}, {"foto_02.jpg", "foto_02.jpg"},
                  {".nascosto_01", ".nascosto_01"}}},
      {u"FOTO", u"x", {}},
  };
  // clang-format on
  for (const PassCase& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    TempProgramFolder folder;
    for (const fs::path& name : sources) folder.AddSource(name, name.string());
    // The program folder is used as given, a trailing separator too.
    RunCopyPass(folder.root().native() + fs::path::preferred_separator, test.searchText,
                test.replacementText);
    Names targets;
    for (const auto& [target, source] : test.expectedTargets) {
      targets.insert(target);
      EXPECT_EQ(TempProgramFolder::Contents(folder.target() / target), source.string());
    }
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), targets);
    EXPECT_EQ(TempProgramFolder::Names(folder.source()), sources);
  }
}

TEST(CopyPassTest, MissingFoldersAreNeverCreated) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "");
  fs::remove(folder.target());
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"zzz", u""));  // nothing to copy, nothing to fail
  const CopyPassError error = FailingPass(folder.root(), u"foto", u"img");
  EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(error.what(),
            Copying("foto_01.jpg", "img_01.jpg") + "la cartella \"Modificati\" non esiste.");
  fs::remove_all(folder.source());
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"", u""));  // no source folder: nothing happens
  EXPECT_EQ(TempProgramFolder::Names(folder.root()), Names{});
}

TEST(CopyPassTest, ReplacesAnExistingTargetAndTheLastOfTwoCollidingNamesWins) {
  TempProgramFolder folder;
  folder.AddSource("a_b", "a_b");
  folder.AddSource("ab_", "ab_");
  TempProgramFolder::Write(folder.target() / "ab", "vecchio");
  RunCopyPass(folder.root(), u"_", u"");  // both become "ab"
  fs::path last;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.source())) {
    last = entry.path().filename();  // the pass lists in the same order
  }
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{"ab"});
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "ab"), last.string());
}

struct UnsafeNameCase {
  std::u16string_view searchText;
  std::u16string_view replacementText;
  std::string message;  // after Copying(source, shown new name)
};

TEST(CopyPassTest, UnsafeNewNamesFailAndWriteNothing) {
  const std::string invalid = "il nuovo nome contiene caratteri non validi.";
  const std::string skull = "\xF0\x9F\x92\x80.txt", x = "X\xEF\xBF\xBD.txt";  // U+1F480, U+FFFD
  const UnsafeNameCase cases[] = {
      {u"foto_01.jpg", u"", Copying("foto_01.jpg", "") + "il nuovo nome è vuoto."},
      {u"foto_01.jpg", u".", Copying("foto_01.jpg", ".") + "il nuovo nome indica una cartella."},
      {u"foto_01.jpg", u"..", Copying("foto_01.jpg", "..") + "il nuovo nome indica una cartella."},
      {u"foto", u"a/b",
       Copying("foto_01.jpg", "a/b_01.jpg") + "il nuovo nome contiene un separatore di cartelle."},
      {u"_", std::u16string_view(u"\0", 1),
       Copying("foto_01.jpg",
               "foto\xEF\xBF\xBD"
               "01.jpg") +
           "il nuovo nome contiene un carattere nullo."},
      {u"_", u"\xD800",
       Copying("foto_01.jpg",
               "foto\xEF\xBF\xBD"
               "01.jpg") +
           invalid},
      // Half of a character outside the basic plane, at either end of the match.
      {u"\xD83D", u"X", Copying(skull, x) + invalid},
      {u"\xDC80", u"X", Copying(skull, "\xEF\xBF\xBDX.txt") + invalid},
  };
  for (const UnsafeNameCase& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    TempProgramFolder folder;
    folder.AddSource("foto_01.jpg", "");
    folder.AddSource(fs::path(u"\U0001F480.txt"), "");
    EXPECT_EQ(FailingPass(folder.root(), test.searchText, test.replacementText).what(),
              test.message);
    EXPECT_EQ(TempProgramFolder::Names(folder.root()), (Names{"Modificati", "Originali"}));
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{});
  }
}

}  // namespace
}  // namespace rinomina

// The pass on any platform: which files are copied under which names, and
// which names and folders stop it.
#include <gtest/gtest.h>

#include "temp_program_folder.hpp"

namespace rinomina::test {
namespace {

namespace fs = std::filesystem;

// Sources are named after their contents, so a copy tells where it came from.
TEST(CopyPassTest, CopiesMatchingFilesUnderTheirNewNames) {
  const std::tuple<std::u16string_view, std::u16string_view, Listing> cases[] = {
      {u"01", u"02", {{"foto_02.jpg", "foto_01.jpg"}, {".nascosto_02", ".nascosto_01"}}},
      {u"",
       u"",
       {{"foto_01.jpg", "foto_01.jpg"},
        {"foto_02.jpg", "foto_02.jpg"},
        {".nascosto_01", ".nascosto_01"}}},
      {u"FOTO", u"x", {}}};
  for (const auto& [searchText, replacementText, copies] : cases) {
    TempProgramFolder folder;
    for (const char* name : {"foto_01.jpg", "foto_02.jpg", ".nascosto_01"}) {
      folder.AddSource(name, name);
    }
    // The program folder is used as given, a trailing separator too.
    RunCopyPass(folder.root().native() + fs::path::preferred_separator, searchText,
                replacementText);
    EXPECT_EQ(ListFolder(folder.target()), copies);
    EXPECT_EQ(ListFolder(folder.source()).size(), 3u);
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
  EXPECT_EQ(ListFolder(folder.root()), Listing{});
}

// Each name fails for its own reason, named with both file names.
TEST(CopyPassTest, UnsafeNewNamesFailAndWriteNothing) {
  const std::string invalid = "il nuovo nome contiene caratteri non validi.",
                    dots = "il nuovo nome indica una cartella.", unknown = "\xEF\xBF\xBD";
  const std::string skull = "\xF0\x9F\x92\x80.txt", foto = "foto" + unknown + "01.jpg";
  const std::tuple<std::u16string_view, std::u16string_view, std::string> cases[] = {
      {u"foto_01.jpg", u"", Copying("foto_01.jpg", "") + "il nuovo nome è vuoto."},
      {u"foto_01.jpg", u".", Copying("foto_01.jpg", ".") + dots},
      {u"foto_01.jpg", u"..", Copying("foto_01.jpg", "..") + dots},
      {u"foto", u"a/b",
       Copying("foto_01.jpg", "a/b_01.jpg") + "il nuovo nome contiene un separatore di cartelle."},
      {u"_", std::u16string_view(u"\0", 1),
       Copying("foto_01.jpg", foto) + "il nuovo nome contiene un carattere nullo."},
      {u"_", u"\xD800", Copying("foto_01.jpg", foto) + invalid},
      // Half of a character outside the basic plane, at either end of the match.
      {u"\xD83D", u"X", Copying(skull, "X" + unknown + ".txt") + invalid},
      {u"\xDC80", u"X", Copying(skull, unknown + "X.txt") + invalid}};
  for (const auto& [searchText, replacementText, message] : cases) {
    TempProgramFolder folder;
    folder.AddSource("foto_01.jpg", "");
    folder.AddSource(fs::path(u"\U0001F480.txt"), "");
    EXPECT_EQ(FailingPass(folder.root(), searchText, replacementText).what(), message);
    EXPECT_EQ(ListFolder(folder.root()), (Listing{{"Modificati", ""}, {"Originali", ""}}));
    EXPECT_EQ(ListFolder(folder.target()), Listing{});
  }
}

}  // namespace
}  // namespace rinomina::test

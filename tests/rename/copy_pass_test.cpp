// The pass on any platform: which files are copied under which names, which
// names and folders stop it, and names between the system's bytes and UTF-16.
#include <gtest/gtest.h>

#include "file_name_text.hpp"
#include "temp_program_folder.hpp"

namespace rinomina::test {
namespace {

// Sources are named after their contents, so a copy tells where it came from.
// Only the first occurrence is replaced, case-sensitively.
TEST(CopyPassTest, CopiesMatchingFilesUnderTheirNewNames) {
  const Listing sources{{"foto_01.jpg", "foto_01.jpg"},
                        {"foto_02.jpg", "foto_02.jpg"},
                        {".nascosto_01_01", ".nascosto_01_01"}};
  const std::tuple<std::u16string_view, std::u16string_view, Listing> cases[] = {
      {u"01", u"02", {{"foto_02.jpg", "foto_01.jpg"}, {".nascosto_02_01", ".nascosto_01_01"}}},
      {u"", u"", sources},
      {u"FOTO", u"x", {}}};
  for (const auto& [searchText, replacementText, copies] : cases) {
    TempProgramFolder folder;
    for (const auto& [name, contents] : sources) folder.AddSource(name, contents);
    // The program folder is used as given, a trailing separator too.
    Pass(folder.root().native() + fs::path::preferred_separator, searchText, replacementText);
    EXPECT_EQ(ListFolder(folder.target()), copies);
    EXPECT_EQ(ListFolder(folder.source()), sources);
  }
}

TEST(CopyPassTest, MissingFoldersAreNeverCreated) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "");
  fs::remove(folder.target());
  EXPECT_NO_THROW(Pass(folder.root(), u"zzz", u""));  // nothing to copy, nothing to fail
  EXPECT_EQ(FailingPass(folder.root(), u"foto", u"img"),
            Copying("foto_01.jpg", "img_01.jpg") + "la cartella \"Modificati\" non esiste.");
  fs::remove_all(folder.source());
  EXPECT_NO_THROW(Pass(folder.root(), u"", u""));  // no source folder: nothing happens
  EXPECT_EQ(ListFolder(folder.root()), Listing{});
}

// Each name fails for its own reason, named with both file names.
TEST(CopyPassTest, UnsafeNewNamesFailAndWriteNothing) {
  const std::string invalid = "il nuovo nome contiene caratteri non validi.",
                    dots = "il nuovo nome indica una cartella.", unknown = "\xEF\xBF\xBD";
  const std::string skull = "x\xF0\x9F\x92\x80.txt", foto = "foto" + unknown + "01.jpg";
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
      {u"x\xD83D", u"X", Copying(skull, "X" + unknown + ".txt") + invalid},
      {u"\xDC80.txt", u"X", Copying(skull, "x" + unknown + "X") + invalid},
      // The pass's own temporary files have such names.
      {u"foto_01.jpg", u".rinomina-pc-1-1.tmp",
       Copying("foto_01.jpg", ".rinomina-pc-1-1.tmp") +
           "il nome è riservato ai file temporanei del programma."}};
  for (const auto& [searchText, replacementText, message] : cases) {
    TempProgramFolder folder;
    folder.AddSource("foto_01.jpg", "");
    folder.AddSource(fs::path(u"x\U0001F480.txt"), "");
    EXPECT_EQ(FailingPass(folder.root(), searchText, replacementText), message);
    EXPECT_EQ(ListFolder(folder.root()), (Listing{{"Modificati", ""}, {"Originali", ""}}));
    EXPECT_EQ(ListFolder(folder.target()), Listing{});
  }
}

// The first listing sums the matching files only; the bytes copied add up to
// it. A stop already requested copies nothing.
TEST(CopyPassTest, AMonitorSeesEveryByteAndCanStopThePass) {
  TempProgramFolder folder;
  folder.AddSource("grande_01", Pattern((9 << 20) + 5, 1));  // more than one chunk
  folder.AddSource("piccolo_01", "piccolo");
  folder.AddSource("vuoto_01", "");
  folder.AddSource("altro", Pattern(1000, 2));
  PassMonitor monitor;
  Pass(folder.root(), u"01", u"02", &monitor);
  const std::uint64_t matching = (9 << 20) + 5 + 7;
  EXPECT_EQ(monitor.Read().bytesInAll, matching);
  EXPECT_EQ(monitor.Read().bytesDone, matching);
  EXPECT_EQ(PercentDone(monitor.Read()), 100);
  EXPECT_EQ(ListFolder(folder.target()).size(), 3u);

  TempProgramFolder stopped;
  stopped.AddSource("a_01", "a");
  PassMonitor stopping;
  stopping.RequestStop();
  EXPECT_EQ(FailedPass(stopped.root(), u"01", u"02", &stopping).code(),
            std::errc::operation_canceled);
  EXPECT_EQ(ListFolder(stopped.target()), Listing{});
}

TEST(CopyPassTest, PercentDoneRoundsDownAndNeverPassesAHundred) {
  const std::pair<PassMonitor::Progress, int> cases[] = {
      {{0, 0}, -1}, {{5, 0}, -1},  {{0, 3}, 0},   {{1, 3}, 33},
      {{2, 3}, 66}, {{3, 3}, 100}, {{4, 3}, 100}, {{(1ull << 40) - 1, 1ull << 40}, 99}};
  for (const auto& [progress, percent] : cases) EXPECT_EQ(PercentDone(progress), percent);
}

// Names that are not UTF-8 survive as escapes; lone surrogates that are not
// escapes have no bytes. Control characters never reach a message.
TEST(FileNameTextTest, DecodesUtf8AndEscapesEveryOtherByteBothWays) {
  const std::pair<std::string_view, std::u16string_view> cases[] = {
      {"citt\xC3\xA0", u"citt\u00E0"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"caf\xE9", u"caf\xDCE9"},                           // Latin-1
      {"\xC3", u"\xDCC3"},                                 // cut short
      {"\xC0\xAF", u"\xDCC0\xDCAF"},                       // overlong "/"
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},             // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"}};  // above U+10FFFF
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(DecodeFileName(bytes), text);
    EXPECT_EQ(EncodeFileName(text), std::string(bytes));
  }
  for (auto name : {u"a\xD800", u"\xDC00", u"\xDC7F", u"\xDD00"})
    EXPECT_FALSE(EncodeFileName(name));
  EXPECT_EQ(DisplayText(u"citt\u00E0_\xDCE9_\xD800\n"),
            "citt\xC3\xA0_\xEF\xBF\xBD_\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace rinomina::test

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
  Listing sources;
  for (const char* name : {"foto_01.jpg", "foto_02.jpg", ".nascosto_01_01"}) sources[name] = name;
  const std::tuple<Text, Text, Listing> cases[] = {
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

// Each unsafe name fails for its own reason, named with both file names; none
// writes anything, nor does a stop already requested. A missing "Modificati" is
// never created: it fails a pass that has a file to copy, and with no
// "Originali" nothing happens.
TEST(CopyPassTest, UnsafeNamesStopsAndMissingFoldersWriteNothing) {
  const std::string invalid = "il nuovo nome contiene caratteri non validi.",
                    unknown = "\xEF\xBF\xBD", dots = "il nuovo nome indica una cartella.",
                    skull = "x\xF0\x9F\x92\x80.txt",
                    reserved = "il nome è riservato ai file temporanei del programma.";
  const std::tuple<Text, Text, std::string> cases[] = {
      {u"f", u"", Copying("f", "") + "il nuovo nome è vuoto."},
      {u"f", u".", Copying("f", ".") + dots},
      {u"f", u"..", Copying("f", "..") + dots},
      {u"f", u"a/b", Copying("f", "a/b") + "il nuovo nome contiene un separatore di cartelle."},
      {u"f", Text(u"\0", 1), Copying("f", unknown) + "il nuovo nome contiene un carattere nullo."},
      {u"f", u"\xD800", Copying("f", unknown) + invalid},
      // Half of a character outside the basic plane, at either end of the match.
      {u"x\xD83D", u"X", Copying(skull, "X" + unknown + ".txt") + invalid},
      {u"\xDC80.txt", u"X", Copying(skull, "x" + unknown + "X") + invalid},
      // The pass's own temporary files have such names.
      {u"f", u".rinomina-pc-1-1.tmp", Copying("f", ".rinomina-pc-1-1.tmp") + reserved}};
  TempProgramFolder folder;
  folder.AddSource("f", "");
  folder.AddSource(fs::path(u"x\U0001F480.txt"), "");
  for (const auto& [searchText, replacementText, message] : cases)
    EXPECT_EQ(FailingPass(folder.root(), searchText, replacementText), message);
  PassMonitor stopping;
  stopping.RequestStop();
  EXPECT_EQ(FailedPass(folder.root(), u"f", u"g", &stopping).code(), std::errc::operation_canceled);
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder.root()), {}), 4);  // as made
  fs::remove(folder.target());
  EXPECT_NO_THROW(Pass(folder.root(), u"zzz", u""));  // nothing to copy, nothing to fail
  EXPECT_EQ(FailingPass(folder.root(), u"f", u"g"),
            Copying("f", "g") + "la cartella \"Modificati\" non esiste.");
  fs::remove_all(folder.source());
  EXPECT_NO_THROW(Pass(folder.root(), u"", u""));  // no source folder: nothing happens
  EXPECT_EQ(ListFolder(folder.root()), Listing{});
}

// The first listing sums the matching files only; the bytes copied add up to
// it, a file of many chunks too. The share done rounds down and never passes a hundred.
TEST(CopyPassTest, AMonitorSeesEveryByteAndThePercentDone) {
  TempProgramFolder folder;
  folder.AddSource("grande_01", Pattern((9 << 20) + 5, 1));
  folder.AddSource("piccolo_01", "piccolo");
  folder.AddSource("vuoto_01", "");
  folder.AddSource("altro", Pattern(1000, 2));
  PassMonitor monitor;
  Pass(folder.root(), u"01", u"02", &monitor);
  const auto [done, inAll] = monitor.Read();
  EXPECT_EQ(std::pair(done, inAll), std::pair(inAll, std::uint64_t{(9 << 20) + 5 + 7}));
  const std::pair<PassMonitor::Progress, int> cases[] = {
      {{0, 0}, -1}, {{5, 0}, -1},  {{0, 3}, 0},   {{1, 3}, 33},
      {{2, 3}, 66}, {{3, 3}, 100}, {{4, 3}, 100}, {{(1ull << 40) - 1, 1ull << 40}, 99}};
  for (const auto& [progress, percent] : cases) EXPECT_EQ(PercentDone(progress), percent);
}

// Names that are not UTF-8 survive as escapes (Latin-1, cut short, an
// overlong "/", an encoded surrogate, above U+10FFFF); lone surrogates that
// are not escapes have no bytes. Control characters never reach a message.
TEST(FileNameTextTest, DecodesUtf8AndEscapesEveryOtherByteBothWays) {
  const std::pair<std::string_view, std::u16string_view> cases[] = {
      {"citt\xC3\xA0", u"citt\u00E0"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"caf\xE9", u"caf\xDCE9"},
      {"\xC3", u"\xDCC3"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"}};
  for (const auto& [bytes, text] : cases)
    EXPECT_EQ(std::pair(DecodeFileName(bytes), EncodeFileName(text)),
              std::pair(std::u16string(text), std::optional<std::string>(bytes)));
  for (auto n : {u"a\xD800", u"\xDC00", u"\xDC7F", u"\xDD00"}) EXPECT_FALSE(EncodeFileName(n));
  EXPECT_EQ(DisplayText(u"citt\u00E0_\xDCE9_\xD800\n"),
            "citt\xC3\xA0_\xEF\xBF\xBD_\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace rinomina::test

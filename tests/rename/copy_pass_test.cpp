#include "copy_pass.hpp"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "temp_program_folder.hpp"

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using test::FailingPass;
using test::MessageHas;
using test::TempProgramFolder;
using Names = std::set<fs::path>;

// Sources named after their contents, so a copy tells where it came from.
void AddSources(const TempProgramFolder& folder, const std::vector<fs::path>& names) {
  for (const fs::path& name : names) folder.AddSource(name, name.string());
}

// The names of "Originali" in the order the pass lists them.
std::vector<fs::path> ListingOrder(const TempProgramFolder& folder) {
  std::vector<fs::path> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.source())) {
    names.push_back(entry.path().filename());
  }
  return names;
}

struct PassCase {
  std::u16string_view searchText;
  std::u16string_view replacementText;
  std::map<fs::path, fs::path> expectedTargets;  // new name -> the source copied there
};

TEST(CopyPassTest, CopiesMatchingFilesUnderTheirNewNames) {
  const std::vector<fs::path> sources{"foto_01.jpg", "foto_02.jpg", ".nascosto_01"};
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
    AddSources(folder, sources);
    // The program folder is used as given, a trailing separator too.
    RunCopyPass(folder.root().native() + fs::path::preferred_separator, test.searchText,
                test.replacementText);
    Names targets;
    for (const auto& [target, source] : test.expectedTargets) {
      targets.insert(target);
      EXPECT_EQ(TempProgramFolder::Contents(folder.target() / target), source.string());
    }
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), targets);
    EXPECT_EQ(TempProgramFolder::Names(folder.source()), Names(sources.begin(), sources.end()));
    for (const fs::path& source : sources) {
      EXPECT_EQ(TempProgramFolder::Contents(folder.source() / source), source.string());
    }
  }
}

TEST(CopyPassTest, MissingFoldersAreNeverCreated) {
  TempProgramFolder folder;
  AddSources(folder, {"foto_01.jpg"});
  fs::remove(folder.target());
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"zzz", u""));  // nothing to copy, nothing to fail
  const CopyPassError error = FailingPass(folder.root(), u"foto", u"img");
  EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
  EXPECT_TRUE(MessageHas(error, "in \"Modificati")) << error.what();
  EXPECT_TRUE(MessageHas(error, "la cartella \"Modificati\" non esiste")) << error.what();

  fs::remove_all(folder.source());
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"", u""));  // no source folder: nothing happens
  EXPECT_EQ(TempProgramFolder::Names(folder.root()), Names{});
}

TEST(CopyPassTest, ReplacesAnExistingTargetAndTheLastOfTwoCollidingNamesWins) {
  TempProgramFolder folder;
  AddSources(folder, {"a_b", "ab_"});
  TempProgramFolder::Write(folder.target() / "ab", "vecchio");
  RunCopyPass(folder.root(), u"_", u"");  // both become "ab"
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{"ab"});
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "ab"), ListingOrder(folder).back());
}

struct UnsafeNameCase {
  std::u16string_view searchText;
  std::u16string_view replacementText;
  std::string_view reason;
};

TEST(CopyPassTest, UnsafeNewNamesFailAndWriteNothing) {
  const UnsafeNameCase cases[] = {
      {u"foto_01.jpg", u"", "vuoto"},      {u"foto_01.jpg", u".", "cartella"},
      {u"foto_01.jpg", u"..", "cartella"}, {u"foto", u"../fuori", "separatore"},
      {u"foto", u"a/b", "separatore"},     {u"_", std::u16string_view(u"\0", 1), "nullo"},
      {u"_", u"\xD800", "non validi"},
#ifdef _WIN32
      {u"foto", u"a\\b", "separatore"},
#endif
  };
  for (const UnsafeNameCase& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    TempProgramFolder folder;
    AddSources(folder, {"foto_01.jpg"});
    const CopyPassError error = FailingPass(folder.root(), test.searchText, test.replacementText);
    EXPECT_TRUE(MessageHas(error, test.reason)) << error.what();
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{});
    EXPECT_EQ(TempProgramFolder::Names(folder.root()), (Names{"Modificati", "Originali"}));
  }
}

#ifndef _WIN32

TEST(CopyPassPosixTest, ListsFilesAndLinksToFilesOnly) {
  TempProgramFolder folder;
  AddSources(folder, {"foto_01.jpg", ".nascosto_01"});
  folder.AddSource("sola_lettura_01", "sola_lettura_01");
  fs::permissions(folder.source() / "sola_lettura_01", fs::perms(0440));
  fs::create_directory(folder.source() / "cartella_01");
  folder.AddSource("cartella_01/dentro_01", "dentro");
  fs::create_directory_symlink("cartella_01", folder.source() / "collegamento_cartella_01");
  fs::create_symlink("foto_01.jpg", folder.source() / "collegamento_01");
  ASSERT_EQ(::mkfifo((folder.source() / "fifo_01").c_str(), 0600), 0);

  RunCopyPass(folder.root(), u"_01", u"_02");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()),
            (Names{"foto_02.jpg", ".nascosto_02", "sola_lettura_02", "collegamento_02"}));
  EXPECT_FALSE(fs::is_symlink(folder.target() / "collegamento_02"));
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "collegamento_02"), "foto_01.jpg");
  const mode_t umask = ::umask(0);
  ::umask(umask);
  EXPECT_EQ(fs::status(folder.target() / "sola_lettura_02").permissions(),
            fs::perms(0440 & ~umask));
}

TEST(CopyPassPosixTest, StopsAtTheFirstFailureKeepingEarlierCopies) {
  TempProgramFolder folder;
  AddSources(folder, {"a_01", "b_01", "c_01", "d_01", "e_01"});
  fs::create_symlink("nessuno", folder.source() / "rotto_01");  // a link that points nowhere
  const CopyPassError error = FailingPass(folder.root(), u"_01", u"_02");
  EXPECT_TRUE(MessageHas(error, "\"rotto_01\"")) << error.what();

  Names expected;
  for (const fs::path& name : ListingOrder(folder)) {
    if (name == "rotto_01") break;
    expected.insert(name.string().replace(1, 3, "_02"));
  }
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), expected);
}

TEST(CopyPassPosixTest, NamesThatAreNotUtf8KeepTheirBytes) {
  TempProgramFolder folder;
  AddSources(folder, {"foto_\xFF_01.jpg", "\xC3\xA8_01"});
  RunCopyPass(folder.root(), u"01", u"\u00E0\U0001F600");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()),
            (Names{"foto_\xFF_\xC3\xA0\xF0\x9F\x98\x80.jpg", "\xC3\xA8_\xC3\xA0\xF0\x9F\x98\x80"}));
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "foto_\xFF_\xC3\xA0\xF0\x9F\x98\x80.jpg"),
            "foto_\xFF_01.jpg");
}

TEST(CopyPassPosixTest, LinksUnderATargetNameAreReplacedNotWrittenThrough) {
  TempProgramFolder folder;
  AddSources(folder, {"foto_01.jpg", "doc_01.txt"});
  TempProgramFolder::Write(folder.root() / "esterno.txt", "esterno");
  fs::create_hard_link(folder.root() / "esterno.txt", folder.target() / "doc_02.txt");
  fs::create_symlink(folder.source() / "foto_01.jpg", folder.target() / "foto_02.jpg");

  RunCopyPass(folder.root(), u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Contents(folder.root() / "esterno.txt"), "esterno");
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "doc_02.txt"), "doc_01.txt");
  EXPECT_FALSE(fs::is_symlink(folder.target() / "foto_02.jpg"));
  EXPECT_EQ(TempProgramFolder::Contents(folder.source() / "foto_01.jpg"), "foto_01.jpg");
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "foto_02.jpg"), "foto_01.jpg");
}

TEST(CopyPassPosixTest, OneFolderUnderTwoNamesFailsBeforeCopying) {
  TempProgramFolder folder;
  AddSources(folder, {"foto_01.jpg"});
  fs::remove(folder.target());
  fs::create_directory_symlink("Originali", folder.target());
  const CopyPassError error = FailingPass(folder.root(), u"", u"copia_");
  EXPECT_TRUE(MessageHas(error, "stessa cartella")) << error.what();
  EXPECT_EQ(TempProgramFolder::Names(folder.source()), Names{"foto_01.jpg"});
}

// "Modificati" on a 1 MiB tmpfs: a 2 MiB copy runs out of space halfway.
TEST(CopyPassPosixTest, FullDiskLeavesNoPartialFileAndTheOldTargetIntact) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  for (const bool targetExists : {false, true}) {
    SCOPED_TRACE(targetExists ? "replacing a target" : "new target");
    TempProgramFolder folder;
    folder.AddSource("grande_01.bin", std::string(2 << 20, 'x'));
    if (::mount("tmpfs", folder.target().c_str(), "tmpfs", 0, "size=1m") != 0) {
      GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    if (targetExists) TempProgramFolder::Write(folder.target() / "grande_02.bin", "vecchio");

    const CopyPassError error = FailingPass(folder.root(), u"01", u"02");
    EXPECT_TRUE(MessageHas(error, "spazio esaurito")) << error.what();
    EXPECT_EQ(TempProgramFolder::Names(folder.target()),
              targetExists ? Names{"grande_02.bin"} : Names{});
    if (targetExists) {
      EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "grande_02.bin"), "vecchio");
    }
    ::umount2(folder.target().c_str(), MNT_DETACH);
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace rinomina

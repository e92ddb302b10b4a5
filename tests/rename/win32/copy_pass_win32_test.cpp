// The pass on the Windows file system: attributes, names and paths that only
// Windows has, and the guarantees of the copy there.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "copy_pass.hpp"
#include "temp_program_folder.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using test::TempProgramFolder;
using Names = std::set<fs::path>;

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

void ExpectMessageHas(const CopyPassError& error, std::string_view part) {
  EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
}

DWORD Attributes(const fs::path& file) { return GetFileAttributesW(file.c_str()); }

void SetAttributes(const fs::path& file, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), attributes)) << file;
}

// The \\?\ form reaches paths longer than MAX_PATH. The C++ library does
// not list or remove such paths properly: Win32 does it here.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + fs::absolute(path).native(); }

Names LongNames(const fs::path& folder) {
  Names names;
  WIN32_FIND_DATAW entry;
  const HANDLE listing = FindFirstFileW((Long(folder).native() + L"\\*").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::wstring_view(entry.cFileName) != L"." && std::wstring_view(entry.cFileName) != L"..") {
      names.insert(entry.cFileName);
    }
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
  return names;
}

void RemoveTree(const fs::path& path) {
  for (const fs::path& name : LongNames(path)) {
    const fs::path entry = path / name;
    if (Attributes(Long(entry)) & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(entry);
    } else {
      DeleteFileW(Long(entry).c_str());
    }
  }
  RemoveDirectoryW(Long(path).c_str());
}

TEST(CopyPassWindowsTest, ListsReadOnlyHiddenAndSystemFilesButNoFolders) {
  struct {
    const wchar_t* name;
    DWORD attributes;
  } const sources[] = {
      {L"normale_01", FILE_ATTRIBUTE_NORMAL},
      {L"sola_lettura_01", FILE_ATTRIBUTE_READONLY},
      {L"nascosto_01", FILE_ATTRIBUTE_HIDDEN},
      {L"sistema_01", FILE_ATTRIBUTE_SYSTEM},
      {L"tutti_01", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
  };
  TempProgramFolder folder;
  Names expected;
  for (const auto& source : sources) {
    folder.AddSource(source.name, fs::path(source.name).string());
    SetAttributes(folder.source() / source.name, source.attributes);
    expected.insert(fs::path(source.name)
                        .string()
                        .replace(fs::path(source.name).string().size() - 3, 3, "_02"));
  }
  fs::create_directory(folder.source() / "cartella_01");
  folder.AddSource("cartella_01/dentro_01", "dentro");

  RunCopyPass(folder.root(), u"_01", u"_02");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), expected);
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "tutti_02"), "tutti_01");
  for (const auto& source : sources) {
    EXPECT_EQ(Attributes(folder.source() / source.name) & 7, source.attributes & 7) << source.name;
  }
}

TEST(CopyPassWindowsTest, NamesBeyondTheBasicPlaneAreCopied) {
  TempProgramFolder folder;
  folder.AddSource(L"foto_\U0001F600_01.jpg", "sorriso");
  RunCopyPass(folder.root(), u"01", u"\U0001F389\u00E8");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()),
            Names{L"foto_\U0001F600_\U0001F389\u00E8.jpg"});
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / L"foto_\U0001F600_\U0001F389\u00E8.jpg"),
            "sorriso");
}

// Names Windows would take for something else than a file of that name.
TEST(CopyPassWindowsTest, DeviceNamesStreamsAndTrailingDotsFailAndWriteNothing) {
  struct {
    std::u16string_view replacementText;
    std::string_view reason;
  } const cases[] = {
      {u"CON", "dispositivo"},  {u"nul.txt", "dispositivo"},  {u"Com1.jpg", "dispositivo"},
      {u"lpt9", "dispositivo"}, {u"a:flusso", "non ammessi"}, {u"a*", "non ammessi"},
      {u"nome.", "punto"},      {u"nome ", "spazio"},         {u"..\\fuori", "separatore"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&test - cases));
    TempProgramFolder folder;
    folder.AddSource("foto", "foto");
    const CopyPassError error = FailingPass(folder.root(), u"foto", test.replacementText);
    ExpectMessageHas(error, test.reason);
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{});
    EXPECT_EQ(TempProgramFolder::Names(folder.root()), (Names{"Modificati", "Originali"}));
  }
}

TEST(CopyPassWindowsTest, PathsLongerThanMaxPathWork) {
  TempProgramFolder folder;
  const fs::path top = folder.root() / std::wstring(50, L'c');
  fs::path programFolder = top;
  while (programFolder.native().size() < MAX_PATH + 20) programFolder /= std::wstring(50, L'c');
  fs::create_directories(Long(programFolder / "Originali"));
  fs::create_directories(Long(programFolder / "Modificati"));
  TempProgramFolder::Write(Long(programFolder / "Originali" / "foto_01.jpg"), "lunga");
  TempProgramFolder::Write(Long(programFolder / "Modificati" / "foto_02.jpg"), "vecchio");

  RunCopyPass(programFolder, u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Contents(Long(programFolder / "Modificati" / "foto_02.jpg")),
            "lunga");
  EXPECT_EQ(LongNames(programFolder / "Modificati"), Names{"foto_02.jpg"});
  RemoveTree(top);
}

TEST(CopyPassWindowsTest, ReadOnlyTargetFailsPlainlyAndStaysIntact) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  TempProgramFolder::Write(folder.target() / "foto_02.jpg", "vecchio");
  SetAttributes(folder.target() / "foto_02.jpg", FILE_ATTRIBUTE_READONLY);

  const CopyPassError error = FailingPass(folder.root(), u"01", u"02");
  ExpectMessageHas(error, "\"foto_01.jpg\"");
  ExpectMessageHas(error, "sola lettura");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{"foto_02.jpg"});
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "foto_02.jpg"), "vecchio");
}

// A read-only source gives a read-only copy, which must still be cleaned up
// when the final rename fails (here: the target is open without delete sharing).
TEST(CopyPassWindowsTest, FailedReplaceLeavesNoTemporaryFileAndTheOldTarget) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  SetAttributes(folder.source() / "foto_01.jpg", FILE_ATTRIBUTE_READONLY);
  const fs::path target = folder.target() / "foto_02.jpg";
  TempProgramFolder::Write(target, "vecchio");
  const HANDLE open = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  const CopyPassError error = FailingPass(folder.root(), u"01", u"02");
  CloseHandle(open);
  ExpectMessageHas(error, "Impossibile copiare \"foto_01.jpg\"");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), Names{"foto_02.jpg"});
  EXPECT_EQ(TempProgramFolder::Contents(target), "vecchio");
}

TEST(CopyPassWindowsTest, ReadOnlySourceReplacesTargetWithAReadOnlyCopy) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  SetAttributes(folder.source() / "foto_01.jpg", FILE_ATTRIBUTE_READONLY);
  TempProgramFolder::Write(folder.target() / "foto_02.jpg", "vecchio");
  RunCopyPass(folder.root(), u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "foto_02.jpg"), "nuovo");
  EXPECT_TRUE(Attributes(folder.target() / "foto_02.jpg") & FILE_ATTRIBUTE_READONLY);
}

TEST(CopyPassWindowsTest, HardLinkUnderATargetNameIsReplacedNotWrittenThrough) {
  TempProgramFolder folder;
  folder.AddSource("doc_01.txt", "nuovo");
  TempProgramFolder::Write(folder.root() / "esterno.txt", "esterno");
  fs::create_hard_link(folder.root() / "esterno.txt", folder.target() / "doc_02.txt");
  RunCopyPass(folder.root(), u"01", u"02");
  EXPECT_EQ(TempProgramFolder::Contents(folder.root() / "esterno.txt"), "esterno");
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "doc_02.txt"), "nuovo");
}

// Wine has no Windows folder links; scripts/test-windows then makes a program
// folder whose "Modificati" is a link to "Originali" and names it in
// RINOMINA_TEST_LINKED_FOLDERS.
TEST(CopyPassWindowsTest, OneFolderUnderTwoNamesFailsBeforeCopying) {
  TempProgramFolder folder;
  fs::path programFolder = folder.root();
  folder.AddSource("foto_01.jpg", "foto");
  fs::remove(folder.target());
  if (!CreateSymbolicLinkW(folder.target().c_str(), folder.source().c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      !fs::is_directory(folder.target())) {
    const wchar_t* linked = _wgetenv(L"RINOMINA_TEST_LINKED_FOLDERS");
    if (linked == nullptr) GTEST_SKIP() << "no folder links here";
    programFolder = linked;
  }
  const Names sources = TempProgramFolder::Names(programFolder / "Originali");
  ASSERT_FALSE(sources.empty());
  ExpectMessageHas(FailingPass(programFolder, u"", u"copia_"), "stessa cartella");
  EXPECT_EQ(TempProgramFolder::Names(programFolder / "Originali"), sources);
  RemoveDirectoryW(folder.target().c_str());
}

}  // namespace
}  // namespace rinomina

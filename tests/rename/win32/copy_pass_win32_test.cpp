// The pass on the Windows file system: attributes, names and paths that only
// Windows has, and the guarantees of the copy there.
#include <windows.h>

#include <gtest/gtest.h>

#include "copy_pass.hpp"
#include "temp_program_folder.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using test::FailingPass;
using test::TempProgramFolder;

// The \\?\ form reaches paths longer than MAX_PATH.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + path.native(); }

TEST(CopyPassWindowsTest, CopiesReadOnlyHiddenAndSystemFilesWithNamesBeyondTheBasicPlane) {
  TempProgramFolder folder;
  std::set<fs::path> copies;
  for (const int bits : {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}) {
    const std::wstring name = L"\U0001F600_" + std::to_wstring(bits);
    folder.AddSource(name + L"_01", "nuovo");
    ASSERT_TRUE(SetFileAttributesW((folder.source() / (name + L"_01")).c_str(), bits));
    copies.insert(name + L"_\U0001F389");
  }
  // The read-only copy must still replace the file there.
  TempProgramFolder::Write(folder.target() / L"\U0001F600_1_\U0001F389", "vecchio");
  RunCopyPass(folder.root(), u"01", u"\U0001F389");
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), copies);
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / L"\U0001F600_1_\U0001F389"), "nuovo");
}

// Names Windows would take for something else than a file of that name.
TEST(CopyPassWindowsTest, SeparatorsDeviceNamesStreamsAndTrailingDotsFailAndWriteNothing) {
  const std::pair<std::u16string_view, const char*> cases[] = {
      {u"..\\fuori", "separatore"}, {u"CON", "dispositivo"},  {u"com1.txt", "dispositivo"},
      {u"LPT9 ", "dispositivo"},    {u"a:flusso", "ammessi"}, {u"nome.", "punto"},
      {u"nome ", "spazio"},
  };
  for (const auto& [replacement, reason] : cases) {
    TempProgramFolder folder;
    folder.AddSource("foto", "foto");
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, reason,
                        FailingPass(folder.root(), u"foto", replacement).what());
    // Originali, its one file and Modificati: nothing else.
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder.root()), {}), 3) << reason;
  }
}

// std::filesystem cannot reach such paths: the program folder has its long
// name only for the pass.
TEST(CopyPassWindowsTest, PathsLongerThanMaxPathWork) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  TempProgramFolder::Write(folder.target() / "foto_02.jpg", "vecchio");
  const fs::path programFolder = folder.root().native() + std::wstring(230, L'c');
  ASSERT_TRUE(MoveFileW(Long(folder.root()).c_str(), Long(programFolder).c_str()));
  EXPECT_NO_THROW(RunCopyPass(programFolder, u"01", u"02"));
  ASSERT_TRUE(MoveFileW(Long(programFolder).c_str(), Long(folder.root()).c_str()));
  EXPECT_EQ(TempProgramFolder::Names(folder.target()), std::set<fs::path>{"foto_02.jpg"});
  EXPECT_EQ(TempProgramFolder::Contents(folder.target() / "foto_02.jpg"), "nuovo");
}

// The target is held open without delete sharing, so replacing it fails. A
// read-only target must be refused before, plainly; otherwise the temporary
// copy, read-only like its source here, must still go.
TEST(CopyPassWindowsTest, UnreplaceableTargetFailsStaysIntactAndLeavesNoTemporaryFile) {
  for (const bool readOnlyTarget : {true, false}) {
    TempProgramFolder folder;
    folder.AddSource("foto_01.jpg", "nuovo");
    const fs::path target = folder.target() / "foto_02.jpg";
    TempProgramFolder::Write(target, "vecchio");
    const fs::path readOnly = readOnlyTarget ? target : folder.source() / "foto_01.jpg";
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const HANDLE open = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, readOnlyTarget ? "sola lettura" : "\"foto_01.jpg\"",
                        FailingPass(folder.root(), u"01", u"02").what());
    CloseHandle(open);
    EXPECT_EQ(TempProgramFolder::Names(folder.target()), std::set<fs::path>{"foto_02.jpg"});
    EXPECT_EQ(TempProgramFolder::Contents(target), "vecchio");
  }
}

// Wine makes no Windows folder links: scripts/test-windows makes a program
// folder whose "Modificati" is a link to "Originali" and names it here.
TEST(CopyPassWindowsTest, OneFolderUnderTwoNamesFailsBeforeCopying) {
  const wchar_t* linked = _wgetenv(L"RINOMINA_TEST_LINKED_FOLDERS");
  if (linked == nullptr) GTEST_SKIP() << "RINOMINA_TEST_LINKED_FOLDERS is not set";
  const auto sources = TempProgramFolder::Names(fs::path(linked) / "Originali");
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "stessa cartella",
                      FailingPass(linked, u"", u"copia_").what());
  EXPECT_EQ(TempProgramFolder::Names(fs::path(linked) / "Originali"), sources);
}

}  // namespace
}  // namespace rinomina

// The pass on the Windows file system: attributes, names and paths that only
// Windows has, the guarantees of the copy there, and its messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <iostream>

#include "temp_program_folder.hpp"
#include "win32_temporary_names.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The \\?\ form reaches paths longer than MAX_PATH.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + path.native(); }

void WriteReadOnly(const fs::path& file, const std::string& contents) {
  ASSERT_TRUE(SetFileAttributesW(Write(file, contents).c_str(), FILE_ATTRIBUTE_READONLY));
}

// A temporary name of this program: ".rinomina-MACHINE-PID-START-N.tmp".
std::wstring TemporaryName(std::uint64_t machine, DWORD processId, std::uint64_t started,
                           int counter) {
  wchar_t name[80];
  swprintf(name, 80, L".rinomina-%016llX-%lu-%016llX-%d.tmp", machine, processId, started, counter);
  return name;
}

// A hidden, system, read-only source and a read-only file under a target
// name; a second pass must replace the read-only copy of the first. What
// killed passes of this PC left goes once its process has ended (or its id
// is reused), read-only or not, but only when nothing holds it open: a
// held one keeps even its attributes. Another PC's, this process's own and
// look-alikes stay. std::filesystem cannot reach paths longer than MAX_PATH:
// the program folder has its long name only for the passes.
TEST(CopyPassWindowsTest, CopiesAnyFileOverReadOnlyOnesAndRemovesLeftoversOfEndedPasses) {
  TempProgramFolder folder;
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  const std::uint64_t machine = MachineIdentity(), gone = 0x0123456789ABCDEF;
  const std::uint64_t started =
      (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
  const std::wstring held = TemporaryName(machine, 999996, gone, 3);
  Listing kept = {{TemporaryName(machine, GetCurrentProcessId(), started, 7), "-"},
                  {TemporaryName(machine ^ 1, 999996, gone, 1), "-"},
                  {L".rinomina-999996-0123456789ABCDEF-1.tmp", "-"},
                  {L"rinomina-4-01-1.tmp", "-"},
                  {L".rinomina-4-01-1 - Copia.tmp", "-"}};
  const fs::path readOnly[] = {L"foto_\U0001F389",
                               TemporaryName(machine, GetCurrentProcessId(), 1, 2),
                               TemporaryName(machine, 999996, gone, 1)};
  for (const auto& [name, contents] : kept) Write(folder.target() / name, contents);
  for (const fs::path& name : readOnly) WriteReadOnly(folder.target() / name, "vecchio");
  WriteReadOnly(folder.target() / held, "tenuto");
  const DWORD heldAttributes = GetFileAttributesW((folder.target() / held).c_str());
  // Shared in every way, as a reader that means no harm opens it.
  const HANDLE holder = CreateFileW((folder.target() / held).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  for (const fs::path name : {L"foto_01", L"\U0001F600_01"}) folder.AddSource(name, "nuovo");
  ASSERT_TRUE(SetFileAttributesW((folder.source() / L"\U0001F600_01").c_str(), 7));
  const fs::path programFolder = folder.root().native() + std::wstring(230, L'c');
  ASSERT_TRUE(MoveFileW(Long(folder.root()).c_str(), Long(programFolder).c_str()));
  RunCopyPass(programFolder, u"01", u"\U0001F389");
  EXPECT_EQ(GetFileAttributesW((Long(programFolder) / L"Modificati" / held).c_str()),
            heldAttributes);
  CloseHandle(holder);
  RunCopyPass(programFolder, u"01", u"\U0001F389");
  ASSERT_TRUE(MoveFileW(Long(programFolder).c_str(), Long(folder.root()).c_str()));
  kept[L"foto_\U0001F389"] = kept[L"\U0001F600_\U0001F389"] = "nuovo";
  EXPECT_EQ(ListFolder(folder.target()), kept);
  const fs::path replaced = folder.target() / L"foto_\U0001F389";
  EXPECT_EQ(GetFileAttributesW(replaced.c_str()) & FILE_ATTRIBUTE_READONLY, 0);  // as its source
}

// Names Windows would take for something else than a file of that name fail
// before anything is written; 255 UTF-16 code units are not too long.
TEST(CopyPassWindowsTest, DevicesStreamsTrailingDotsAndLongNamesFailInItalian) {
  const std::pair<const char*, std::vector<std::u16string>> cases[] = {
      {"dispositivo",
       {u"CON", u"com1.txt", u"LPT9 ", u"com0", u"LPT0.a.b", u"COM\u00B9.txt", u"lpt\u00B2",
        u"Com\u00B3 .log", u"conin$", u"CONOUT$.txt"}},
      {"separatore", {u"..\\fuori"}},
      {"ammessi", {u"a:flusso", u"foto?", u"foto*"}},
      {"punto", {u"nome."}},
      {"spazio", {u"nome "}},
      {"troppo lungo", {std::u16string(256, u'n')}}};
  TempProgramFolder folder;
  folder.AddSource("foto", "foto");
  for (const auto& [reason, names] : cases)
    for (const std::u16string& name : names)
      EXPECT_PRED_FORMAT2(::testing::IsSubstring, reason,
                          FailingPass(folder.root(), u"foto", name));
  EXPECT_TRUE(ListFolder(folder.target()).empty());
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"foto", std::u16string(255, u'n')));
}

// Opens `file` with no sharing, as a scanner or a backup tool may.
HANDLE Hold(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
void CALLBACK Release(void* file, BOOLEAN) { CloseHandle(file); }

// A source or target held for 300 ms is waited out. One held longer than
// any wait fails after about 2 s as in use, the old target as it was,
// read-only attribute included, and no temporary copy left.
TEST(CopyPassWindowsTest, FilesHeldForAMomentAreWaitedOutLongerHoldsFailAsInUse) {
  for (const bool holdSource : {true, false}) {
    TempProgramFolder folder;
    const fs::path source = folder.AddSource("foto_01.jpg", "nuovo");
    const fs::path target = Write(folder.target() / "foto_02.jpg", "vecchio");
    HANDLE timer = nullptr;
    ASSERT_TRUE(CreateTimerQueueTimer(&timer, nullptr, Release, Hold(holdSource ? source : target),
                                      300, 0, WT_EXECUTEONLYONCE));
    EXPECT_NO_THROW(RunCopyPass(folder.root(), u"01", u"02")) << holdSource;
    DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ListFolder(folder.target()), (Listing{{"foto_02.jpg", "nuovo"}}));
  }
  TempProgramFolder folder;
  const fs::path target = folder.target() / "foto_02.jpg";
  WriteReadOnly(folder.source() / "foto_01.jpg", "nuovo");
  WriteReadOnly(target, "vecchio");
  const HANDLE held = Hold(target);
  const DWORD start = GetTickCount();
  EXPECT_EQ(FailingPass(folder.root(), u"01", u"02"),
            Copying("foto_01.jpg", "foto_02.jpg") + "il file è in uso da un altro programma.");
  const DWORD waited = GetTickCount() - start;
  EXPECT_TRUE(waited >= 1500 && waited < 4000) << waited << " ms";
  CloseHandle(held);
  EXPECT_EQ(ListFolder(folder.target()), (Listing{{"foto_02.jpg", "vecchio"}}));
  EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
}

// "Modificati" a file is said plainly; "Originali" a file is nothing to
// copy, whatever code Windows gives for it. Wine makes no Windows folder
// links: scripts/test-windows makes a program folder whose "Modificati" is a
// link to "Originali" and names it here, and one whose "Modificati" is a
// small full disk, where a failed copy must leave no hidden temporary copy.
TEST(CopyPassWindowsTest, FoldersThatAreNotFoldersAndFullDisksChangeNothing) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  fs::remove_all(folder.target());
  Write(folder.target(), "file");
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, ": \"Modificati\" è un file, non una cartella.",
                      FailingPass(folder.root(), u"01", u"02"));
  fs::rename(folder.source(), folder.root() / "vecchi");
  Write(folder.source(), "file");
  EXPECT_NO_THROW(RunCopyPass(folder.root(), u"", u"copia_"));
  if (const wchar_t* linked = _wgetenv(L"RINOMINA_TEST_LINKED_FOLDERS")) {
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "stessa cartella",
                        FailingPass(linked, u"", u"copia_"));
    EXPECT_EQ(ListFolder(fs::path(linked) / "Originali"), (Listing{{"foto_01.jpg", "foto\n"}}));
  }
  const wchar_t* full = _wgetenv(L"RINOMINA_TEST_FULL_FOLDER");
  if (full && *full) {
    const Listing before = ListFolder(fs::path(full) / "Modificati");
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, ": spazio esaurito sul disco.",
                        FailingPass(full, u"grande", u"copia"));
    EXPECT_EQ(ListFolder(fs::path(full) / "Modificati"), before);
  }
}

// A read-only link under a target name keeps the attribute of the file it
// points to. Wine makes no Windows links (CreateSymbolicLinkW does nothing
// there): the case is then left out, and says so.
TEST(CopyPassWindowsTest, AReadOnlyLinkUnderATargetNameLeavesItsFileAlone) {
  TempProgramFolder folder;
  folder.AddSource("foto_01.jpg", "nuovo");
  const fs::path pointed = folder.root() / "altrove.jpg", link = folder.target() / "foto_02.jpg";
  WriteReadOnly(pointed, "altrove");
  const DWORD attributes = CreateSymbolicLinkW(link.c_str(), pointed.c_str(), 0)
                               ? GetFileAttributesW(link.c_str())
                               : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    std::cout << "Left out: this system makes no Windows links.\n";
    return;
  }
  SetFileAttributesW(link.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT);
  const DWORD start = GetTickCount();
  FailingPass(folder.root(), u"01", u"02");
  EXPECT_LT(GetTickCount() - start, 1000u);  // denied, not in use: no waiting
  EXPECT_TRUE(GetFileAttributesW(pointed.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Contents(pointed), "altrove");
}

}  // namespace
}  // namespace rinomina

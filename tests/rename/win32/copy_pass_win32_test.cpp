// The pass on the Windows file system: attributes, names and paths that only
// Windows has, the guarantees of the copy there, and its messages.
#include <windows.h>

#include <gtest/gtest.h>

#include "messages.hpp"
#include "temp_program_folder.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The \\?\ form reaches paths longer than MAX_PATH.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + path.native(); }

void WriteReadOnly(const fs::path& file, const std::string& contents) {
  ASSERT_TRUE(SetFileAttributesW(Write(file, contents).c_str(), FILE_ATTRIBUTE_READONLY));
}

// A hidden, system, read-only source and a read-only file under a target
// name; a second pass must replace the read-only copy of the first. What
// killed passes left, a copy named after its process and that process's
// start time, goes once that process has ended (or its id is reused), read-
// only or not; this process's own and look-alikes stay. std::filesystem
// cannot reach paths longer than MAX_PATH: the program folder has its long
// name only for the passes.
TEST(CopyPassWindowsTest, CopiesAnyFileOverReadOnlyOnesAndRemovesLeftoversOfEndedPasses) {
  TempProgramFolder folder;
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  wchar_t own[64], reused[64];
  swprintf(own, 64, L".rinomina-%lu-%08lX%08lX-7.tmp", GetCurrentProcessId(),
           created.dwHighDateTime, created.dwLowDateTime);
  swprintf(reused, 64, L".rinomina-%lu-%016X-2.tmp", GetCurrentProcessId(), 1);
  Listing kept = {
      {own, "-"}, {L"rinomina-4-01-1.tmp", "-"}, {L".rinomina-4-01-1 - Copia.tmp", "-"}};
  const fs::path readOnly[] = {L"foto_\U0001F389", reused,
                               L".rinomina-999996-0123456789ABCDEF-1.tmp"};
  for (const auto& [name, contents] : kept) Write(folder.target() / name, contents);
  for (const fs::path& name : readOnly) WriteReadOnly(folder.target() / name, "vecchio");
  for (const fs::path name : {L"foto_01", L"\U0001F600_01"}) folder.AddSource(name, "nuovo");
  ASSERT_TRUE(SetFileAttributesW((folder.source() / L"\U0001F600_01").c_str(), 7));
  const fs::path programFolder = folder.root().native() + std::wstring(230, L'c');
  ASSERT_TRUE(MoveFileW(Long(folder.root()).c_str(), Long(programFolder).c_str()));
  for (int pass = 0; pass < 2; ++pass) RunCopyPass(programFolder, u"01", u"\U0001F389");
  ASSERT_TRUE(MoveFileW(Long(programFolder).c_str(), Long(folder.root()).c_str()));
  kept[L"foto_\U0001F389"] = kept[L"\U0001F600_\U0001F389"] = "nuovo";
  EXPECT_EQ(ListFolder(folder.target()), kept);
  const fs::path replaced = folder.target() / L"foto_\U0001F389";
  EXPECT_EQ(GetFileAttributesW(replaced.c_str()) & FILE_ATTRIBUTE_READONLY, 0);  // as its source
}

// Names Windows would take for something else than a file of that name fail
// before anything is written; 255 UTF-16 code units are not too long.
// Windows' own codes read as Italian too.
TEST(CopyPassWindowsTest, DevicesStreamsTrailingDotsAndLongNamesFailInItalian) {
  const std::pair<const char*, std::vector<std::u16string>> cases[] = {
      {"dispositivo",
       {u"CON", u"com1.txt", u"LPT9 ", u"com0", u"LPT0.a.b", u"COM\u00B9.txt", u"lpt\u00B2",
        u"Com\u00B3 .log", u"conin$", u"CONOUT$.txt"}},
      {"separatore", {u"..\\fuori"}},
      {"ammessi", {u"a:flusso"}},
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
  const auto reason = [](int code) { return ReasonText({code, std::system_category()}); };
  EXPECT_EQ(reason(ERROR_LOCK_VIOLATION), "il file è in uso da un altro programma");
  EXPECT_EQ(reason(ERROR_INVALID_HANDLE), "errore di sistema 6");
}

// A read-only target held open without delete sharing cannot be replaced: it
// stays as it was, attribute included, and the temporary copy, read-only
// like its source, goes. "Modificati" a file is said plainly; "Originali" a
// file is nothing to copy, whatever code Windows gives for it. Wine makes no
// Windows folder links: scripts/test-windows makes a program folder whose
// "Modificati" is a link to "Originali" and names it here.
TEST(CopyPassWindowsTest, UnreplaceableTargetsAndFoldersThatAreNotFoldersChangeNothing) {
  TempProgramFolder folder;
  const fs::path target = folder.target() / "foto_02.jpg";
  WriteReadOnly(folder.source() / "foto_01.jpg", "nuovo");
  WriteReadOnly(target, "vecchio");
  const HANDLE open = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "\"foto_01.jpg\" in \"Modificati\\foto_02.jpg\"",
                      FailingPass(folder.root(), u"01", u"02"));
  CloseHandle(open);
  EXPECT_EQ(ListFolder(folder.target()), (Listing{{"foto_02.jpg", "vecchio"}}));
  EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
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
}

}  // namespace
}  // namespace rinomina

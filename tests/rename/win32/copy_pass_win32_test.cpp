// The pass on the Windows file system: attributes, names, paths, held files
// and messages only Windows has. Then the pieces of the Windows layer a pass
// under Wine cannot reach: reasons, long paths, the look at a held file, the
// process lookup for leftovers and the progress routine that hides a copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <bit>
#include <tuple>

#include "messages.hpp"
#include "temp_program_folder.hpp"
#include "win32_file_in_use.hpp"
#include "win32_long_path.hpp"
#include "win32_temporary_copy.hpp"
#include "win32_temporary_names.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using namespace test;
using ::testing::IsSubstring;

// The \\?\ form reaches paths longer than MAX_PATH.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + path.native(); }

// Opens `file` with no sharing, as a scanner or a backup tool may, or
// shared in every way (7), as a reader that means no harm.
HANDLE Hold(const fs::path& file, DWORD sharing = 0) {
  return CreateFileW(file.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
}
void CALLBACK Release(void* file, BOOLEAN) { CloseHandle(file); }
void CALLBACK Stop(void* monitor, BOOLEAN) { static_cast<PassMonitor*>(monitor)->RequestStop(); }

fs::path WriteReadOnly(const fs::path& file, const std::string& contents) {
  return SetFileAttributesW(Write(file, contents).c_str(), FILE_ATTRIBUTE_READONLY), file;
}

// A temporary name of this program: ".rinomina-MACHINE-PID-START-N.tmp".
std::wstring TemporaryName(DWORD processId, std::uint64_t started, int n,
                           std::uint64_t machine = MachineIdentity()) {
  wchar_t name[80];
  swprintf(name, 80, L".rinomina-%016llX-%lu-%016llX-%d.tmp", machine, processId, started, n);
  return name;
}

// Stand-ins for OpenProcess: no right to look at all, an ended process (its
// handle is signalled, as this event is), and Windows XP's answer, which
// knows only the full right.
HANDLE WINAPI Denied(DWORD, BOOL, DWORD) { return SetLastError(ERROR_ACCESS_DENIED), nullptr; }
HANDLE WINAPI Ended(DWORD, BOOL, DWORD) { return CreateEventW(nullptr, TRUE, TRUE, nullptr); }
HANDLE WINAPI FullRightOnly(DWORD access, BOOL inherit, DWORD id) {
  return (access & PROCESS_QUERY_LIMITED_INFORMATION ? Denied : OpenProcess)(access, inherit, id);
}

// A hidden, system, read-only source and a read-only file under a target
// name; a second pass must replace the read-only copy of the first. What
// killed passes of this PC left goes once its process has ended (or its id
// is reused), read-only or not, but only when nothing holds it open: a held
// one keeps even its attributes. Another PC's, this process's own and
// look-alikes stay. A leftover's process counts as gone only when Windows
// says so: an ended process, another start time; no right to look (another
// user's or an elevated pass) keeps the file. The program folder's name is
// longer than MAX_PATH, which std::filesystem cannot reach: it has that name
// only for the passes; LongFolderPath resolves a path as Windows would and
// gives it its \\?\ form.
TEST(CopyPassWindowsTest, CopiesAnyFileOverReadOnlyOnesAndRemovesLeftoversOfEndedPasses) {
  TempProgramFolder folder;
  const DWORD self = GetCurrentProcessId();
  FILETIME created, unused;  // this process's start
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  const std::uint64_t gone = 0x0123456789ABCDEF, started = std::bit_cast<std::uint64_t>(created);
  Listing kept = {{TemporaryName(self, started, 7), "-"},
                  {TemporaryName(999996, gone, 1, MachineIdentity() ^ 1), "-"},
                  {L".rinomina-999996-0123456789ABCDEF-1.tmp", "-"},
                  {_wcslwr(TemporaryName(999996, gone, 4).data()), "-"},
                  {TemporaryName(999996, gone, 5) + L".tmp", "-"}};
  for (const auto& [name, contents] : kept) Write(folder.target() / name, contents);
  for (const std::wstring& name : {std::wstring(L"foto_\U0001F389"), TemporaryName(self, 1, 2),
                                   TemporaryName(999996, gone, 1)})
    WriteReadOnly(folder.target() / name, "vecchio");
  const fs::path held = WriteReadOnly(folder.target() / TemporaryName(999996, gone, 3), "tenuto");
  const HANDLE holder = Hold(held, 7);
  folder.AddSource(L"foto_01", "nuovo");
  SetFileAttributesW(folder.AddSource(L"\U0001F600_01", "nuovo").c_str(), 7);
  const fs::path programFolder = folder.root().native() + std::wstring(230, L'c');
  ASSERT_TRUE(MoveFileW(Long(folder.root()).c_str(), Long(programFolder).c_str()));
  for (int pass = 0; pass < 2; ++pass) Pass(programFolder, u"01", u"\U0001F389");
  ASSERT_TRUE(MoveFileW(Long(programFolder).c_str(), Long(folder.root()).c_str()));
  EXPECT_TRUE(GetFileAttributesW(held.c_str()) & FILE_ATTRIBUTE_READONLY);  // untouched
  CloseHandle(holder);
  kept[L"foto_\U0001F389"] = kept[L"\U0001F600_\U0001F389"] = "nuovo";
  kept[held.filename()] = "tenuto";
  EXPECT_EQ(ListFolder(folder.target()), kept);
  // Not read-only (1), as its source.
  EXPECT_FALSE(GetFileAttributesW((folder.target() / L"foto_\U0001F389").c_str()) & 1);
  // The stand-in, whether the process started at another time, the answer.
  const std::tuple<OpenProcessFunction, int, bool> lookups[] = {
      {OpenProcess, 0, true},   {OpenProcess, 1, false},   {Ended, 0, false},
      {FullRightOnly, 0, true}, {FullRightOnly, 1, false}, {Denied, 1, true}};
  for (const auto& [openProcess, later, mayRun] : lookups)
    EXPECT_EQ(MayRun({0, self, started + later}, openProcess), mayRun) << later;
  const std::wstring deep = L"C:\\" + std::wstring(300, L'x') + L"\\Originali";
  const std::pair<std::wstring, std::wstring> paths[] = {
      {LR"(C:\a\..\b)", LR"(C:\b)"},
      {LR"(C:\a\.\\b\)", LR"(C:\a\b\)"},
      {LR"(\\server\share\a\..\b)", LR"(UNC\server\share\b)"},
      {LR"(\\?\C:\a\b)", LR"(C:\a\b)"},
      {LR"(\\?\UNC\server\share)", LR"(UNC\server\share)"},
      {deep, deep}};
  std::error_code error;  // on failure the path is ""
  for (const auto& [path, longForm] : paths)
    EXPECT_EQ(LongFolderPath(path, error), L"\\\\?\\" + longForm) << path;
}

// A read-only source or target held for 300 ms is waited out. A target held
// longer fails after about 2 s as in use, or within a tenth of a second of a
// stop requested 700 ms in (in the pause from 630 to 1270 ms). A failure
// leaves the old target as it was, read-only, and no temporary copy.
TEST(CopyPassWindowsTest, FilesHeldForAMomentAreWaitedOutLongerHoldsFailAsInUse) {
  // Which file is held, what a timer does after how many ms, the message,
  // the least and most time the pass may take.
  const std::tuple<bool, WAITORTIMERCALLBACK, DWORD, std::string, DWORD, DWORD> rows[] = {
      {true, Release, 300, "", 0, 4000},
      {false, Release, 300, "", 0, 4000},
      {false, Stop, 10000,
       Copying("foto_01.jpg", "foto_02.jpg") + "il file è in uso da un altro programma.", 1500,
       4000},
      {false, Stop, 700, PassStopped().what(), 650, 1100}};
  for (const auto& [holdSource, timed, after, message, least, most] : rows) {
    TempProgramFolder folder;
    const fs::path source = WriteReadOnly(folder.source() / "foto_01.jpg", "nuovo"),
                   target = WriteReadOnly(folder.target() / "foto_02.jpg", "vecchio");
    const HANDLE held = Hold(holdSource ? source : target);
    PassMonitor monitor;
    HANDLE timer = nullptr;
    CreateTimerQueueTimer(&timer, nullptr, timed, timed == Stop ? &monitor : held, after, 0, 0);
    const DWORD start = GetTickCount();
    EXPECT_EQ(FailedPass(folder.root(), u"01", u"02", &monitor).what(), message);
    const DWORD waited = GetTickCount() - start;
    DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);  // a later stop never comes
    if (timed == Stop) CloseHandle(held);
    EXPECT_TRUE(waited >= least && waited < most) << waited << " ms";
    EXPECT_EQ(ListFolder(folder.target()),
              (Listing{{"foto_02.jpg", message.empty() ? "nuovo" : "vecchio"}}));
    EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
  }
}

// Copies are written side by side but named in listing order: a fault at the
// k-th listed file leaves files 1..k-1 named, no temporary copy, and the
// message of file k, whether it strikes a worker (a source held longer than
// any wait) or the naming (a folder under the new name, for every k of 30).
// The name check's place and two sources with one new name are shared code
// that the POSIX suite's table of the same name covers.
TEST(CopyPassWindowsTest, CopiesAreNamedInListingOrder) {
  constexpr int kFiles = 30;
  const std::string inUse = "il file è in uso da un altro programma.";
  std::vector<std::pair<std::string, int>> rows{{inUse, 17}, {inUse, kFiles - 1}};  // held at k
  for (int k = 0; k < kFiles; ++k) rows.emplace_back("esiste già una cartella con quel nome.", k);
  TempProgramFolder folder;
  for (int i = 0; i < kFiles; ++i)
    folder.AddSource("f" + std::to_string(i + 10) + "_01", "c" + std::to_string(i));
  std::vector<std::string> listed;  // as the pass lists them
  for (const auto& entry : fs::directory_iterator(folder.source()))
    listed.push_back(entry.path().filename().string());
  for (const auto& [reason, k] : rows) {
    for (const auto& entry : fs::directory_iterator(folder.target())) fs::remove(entry.path());
    Listing expected;
    for (int i = 0; i < k; ++i)
      expected[Renamed(listed[i])] = Contents(folder.source() / listed[i]);
    const std::string failed = Renamed(listed[k]);
    const HANDLE held = reason == inUse ? Hold(folder.source() / listed[k]) : nullptr;
    if (!held && fs::create_directory(folder.target() / failed)) expected[failed] = "";
    EXPECT_EQ(FailingPass(folder.root(), u"01", u"02"), Copying(listed[k], failed) + reason) << k;
    if (held) CloseHandle(held);
    EXPECT_EQ(ListFolder(folder.target()), expected) << k;
  }
}

// Names Windows would take for something else than a file of that name fail
// before anything is written; 255 UTF-16 code units are not too long.
// "Modificati" a file is said plainly; "Originali" a file is nothing to
// copy, whatever code Windows gives for it. Wine makes no Windows folder
// links: scripts/test-windows makes a program folder whose "Modificati" is a
// link to "Originali" and one whose "Modificati" is a small full disk, and
// names them here. Both fail with their folders as they were: the refusal
// comes before any cleanup, which would take a source named like a leftover,
// and a copy failing for want of space leaves no hidden temporary copy.
TEST(CopyPassWindowsTest, NamesAndFoldersWindowsCannotTakeFailAndChangeNothing) {
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
      EXPECT_PRED_FORMAT2(IsSubstring, reason, FailingPass(folder.root(), u"foto", name));
  EXPECT_EQ(FailingPass(folder.root(), u"foto", std::u16string(255, u'n')), "");
  EXPECT_EQ(ListFolder(folder.target()), (Listing{{std::wstring(255, L'n'), "foto"}}));
  fs::remove_all(folder.target());
  Write(folder.target(), "file");
  EXPECT_PRED_FORMAT2(IsSubstring, ": \"Modificati\" è un file, non una cartella.",
                      FailingPass(folder.root(), u"foto", u"x"));
  fs::remove_all(folder.source());
  Write(folder.source(), "file");
  EXPECT_EQ(FailingPass(folder.root(), u"", u"copia_"), "");
  const std::tuple<const wchar_t*, std::u16string, const char*> folders[] = {
      {L"RINOMINA_TEST_LINKED_FOLDERS", u"", "stessa cartella"},
      {L"RINOMINA_TEST_FULL_FOLDER", u"grande", ": spazio esaurito sul disco."}};
  for (const auto& [variable, search, reason] : folders) {
    const fs::path program = _wgetenv(variable) ? _wgetenv(variable) : L"";
    if (program.empty()) continue;
    Write(program / "Originali" / TemporaryName(999996, 1, 1), "");
    const Listing before = ListFolder(program / "Modificati");
    EXPECT_PRED_FORMAT2(IsSubstring, reason, FailingPass(program, search, u"copia"));
    EXPECT_EQ(ListFolder(program / "Modificati"), before);
  }
}

// Every Windows code a copy can meet, alone or with those of one meaning;
// two pin the wording, of a known code and of the fall-back for one the
// program does not know. A code written negative starts a group: too many
// open files (4), write-protected (19), name too long (206), file too large
// (223), not a folder (267), delete pending (303), blocked by policy (1295),
// name not resolved (1921), encryption failed (6000), not found (2, 3, 15),
// denied (5, 65), no memory (8, 14, 1450), not ready (21, 55, 1167), a faulty
// disk (23, 27, 29, 30, 31, 1117, 1127), in use (32, 33, 1224), disk full (39,
// 112), not supported (50, 1), network (53, 64, 59, 67), exists (80, 183), bad
// name (123, 161), the antivirus (225, 226), corrupt (1392, 1393).
TEST(Win32LayerTest, EveryWindowsCodeACopyCanMeetHasAnItalianReasonOfItsOwn) {
  std::vector<std::vector<int>> groups;
  for (const int code : {-4, -19,  -206, -223, -267, -303, -1295, -1921, -6000, -2,  3,   15,
                         -5, 65,   -8,   14,   1450, -21,  55,    1167,  -23,   27,  29,  30,
                         31, 1117, 1127, -32,  33,   1224, -39,   112,   -50,   1,   -53, 64,
                         59, 67,   -80,  183,  -123, 161,  -225,  226,   -1392, 1393})
    code < 0 ? groups.push_back({-code}) : groups.back().push_back(code);
  ExpectItalianReasonsOfTheirOwn({}, groups);
  EXPECT_EQ(ReasonText({21, std::system_category()}), "l'unità non è pronta o è stata rimossa");
  EXPECT_EQ(ReasonText({87, std::system_category()}), "errore di sistema 87");
}

// A file held without sharing reads as in use whatever the failure said;
// read-only and merely denied files do not, so they fail at once. The
// progress routine hides a new copy through the handle CopyFileExW gives it
// (Wine never calls it); Unhide gives back the attributes it had (its
// source's, read-only here), not "normal"; a stop request cancels the copy.
TEST(Win32LayerTest, OnlyAFileAnotherHandleHoldsReadsAsInUseAndNewCopiesHideWhileWritten) {
  TempProgramFolder folder;
  const std::wstring free = Write(folder.target() / "libero", "1"),
                     held = Write(folder.target() / "tenuto", "2"),
                     readOnly = WriteReadOnly(folder.target() / "sola lettura", "3");
  const HANDLE holder = Hold(held);
  constexpr auto kNo = InUseWhenOpen::kNo, kYes = InUseWhenOpen::kYes;
  // 32: a sharing violation, 33: a lock violation, 5: access denied, 112: disk full.
  const std::tuple<DWORD, std::wstring, InUseWhenOpen, DWORD> cases[] = {
      {32, free, kNo, 32}, {33, free, kNo, 32},    {5, held, kNo, 32},    {5, free, kYes, 32},
      {5, free, kNo, 5},   {5, readOnly, kYes, 5}, {112, held, kYes, 112}};
  for (const auto& [code, file, whenOpen, expected] : cases)
    EXPECT_EQ(HeldOrCode(code, file, DELETE, whenOpen), expected) << code << " " << file;
  CloseHandle(holder);
  const fs::path copy = folder.target() / "copia";
  constexpr DWORD kOwn = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
  const HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kOwn, 0);
  const LARGE_INTEGER zero{};
  PassMonitor stopping;
  HiddenCopy hidden;
  const auto progress = [&](DWORD reason) {
    return HideDestination(zero, zero, zero, zero, 1, reason, nullptr, file, &hidden);
  };
  EXPECT_EQ(progress(CALLBACK_STREAM_SWITCH), PROGRESS_QUIET);
  CloseHandle(file);
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), kOwn | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(Unhide(copy, hidden));
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), kOwn);
  stopping.RequestStop();
  hidden.monitor = &stopping;
  EXPECT_EQ(progress(CALLBACK_CHUNK_FINISHED), PROGRESS_CANCEL);
}

}  // namespace
}  // namespace rinomina

// The pass on the Windows file system: attributes, names and paths that only
// Windows has, the guarantees of the copy there, and its messages. Then the
// pieces of the Windows layer that a pass under Wine cannot reach: the reason
// table, the long-path form, the look at a file another program holds, the
// process lookup for leftovers and the progress routine that hides a copy
// while it is written.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <tuple>
#include <vector>

#include "messages.hpp"
#include "pass_monitor.hpp"
#include "temp_program_folder.hpp"
#include "win32_file_in_use.hpp"
#include "win32_long_path.hpp"
#include "win32_temporary_copy.hpp"
#include "win32_temporary_names.hpp"

namespace rinomina {
namespace {

namespace fs = std::filesystem;
using namespace test;

// The \\?\ form reaches paths longer than MAX_PATH.
fs::path Long(const fs::path& path) { return L"\\\\?\\" + path.native(); }

std::uint64_t Started(HANDLE process) {
  FILETIME created, unused;
  GetProcessTimes(process, &created, &unused, &unused, &unused);
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// Opens `file` with no sharing, as a scanner or a backup tool may.
HANDLE Hold(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
void CALLBACK Release(void* file, BOOLEAN) { CloseHandle(file); }
void CALLBACK Stop(void* monitor, BOOLEAN) { static_cast<PassMonitor*>(monitor)->RequestStop(); }

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

std::wstring Lowercase(std::wstring text) {
  for (wchar_t& unit : text) unit = towlower(unit);
  return text;
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
  const std::uint64_t machine = MachineIdentity(), gone = 0x0123456789ABCDEF;
  const std::uint64_t started = Started(GetCurrentProcess());
  const std::wstring held = TemporaryName(machine, 999996, gone, 3);
  Listing kept = {
      {TemporaryName(machine, GetCurrentProcessId(), started, 7), "-"},
      {TemporaryName(machine ^ 1, 999996, gone, 1), "-"},
      {L".rinomina-999996-0123456789ABCDEF-1.tmp", "-"},
      {Lowercase(TemporaryName(machine, 999996, gone, 4)), "-"},
      {TemporaryName(machine, 999996, gone, 5) + L".tmp", "-"},
  };
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
  Pass(programFolder, u"01", u"\U0001F389");
  EXPECT_EQ(GetFileAttributesW((Long(programFolder) / L"Modificati" / held).c_str()),
            heldAttributes);
  CloseHandle(holder);
  Pass(programFolder, u"01", u"\U0001F389");
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
  EXPECT_NO_THROW(Pass(folder.root(), u"foto", std::u16string(255, u'n')));
}

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
    EXPECT_NO_THROW(Pass(folder.root(), u"01", u"02")) << holdSource;
    DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ListFolder(folder.target()), (Listing{{"foto_02.jpg", "nuovo"}}));
  }
  // A stop requested 700 ms into the wait, in its pause from 630 to 1270 ms,
  // ends it within a tenth of a second, not at the pause's end.
  for (const bool stopping : {false, true}) {
    TempProgramFolder folder;
    const fs::path target = folder.target() / "foto_02.jpg";
    WriteReadOnly(folder.source() / "foto_01.jpg", "nuovo");
    WriteReadOnly(target, "vecchio");
    const HANDLE held = Hold(target);
    PassMonitor monitor;
    HANDLE timer = nullptr;
    if (stopping) CreateTimerQueueTimer(&timer, nullptr, Stop, &monitor, 700, 0, 0);
    const DWORD start = GetTickCount();
    const std::string message = FailedPass(folder.root(), u"01", u"02", &monitor).what();
    const DWORD waited = GetTickCount() - start;
    if (stopping) DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(message, stopping ? PassStopped().what()
                                : Copying("foto_01.jpg", "foto_02.jpg") +
                                      "il file è in uso da un altro programma.");
    EXPECT_TRUE(stopping ? waited >= 650 && waited < 1100 : waited >= 1500 && waited < 4000)
        << waited << " ms";
    CloseHandle(held);
    EXPECT_EQ(ListFolder(folder.target()), (Listing{{"foto_02.jpg", "vecchio"}}));
    EXPECT_TRUE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
  }
}

// Copies are written side by side but named in listing order: a fault at the
// k-th listed file leaves files 1..k-1 named, no temporary copy, and the
// message of file k, whether it strikes a worker (a source held longer than
// any wait), the naming (a folder under the new name, for every k of 30) or
// the pass's own name check. Of two sources with one new name, the later
// wins, far apart or adjacent.
TEST(CopyPassWindowsTest, CopiesAreNamedInListingOrder) {
  enum Kind { kNaming, kHeldSource, kNameCheck, kCollision };
  constexpr int kFiles = 30;
  std::vector<std::tuple<Kind, int, int>> rows{{kCollision, 0, kFiles - 1}, {kCollision, 14, 15}};
  for (int k = 0; k < kFiles; ++k) rows.emplace_back(kNaming, k, -1);
  for (const int k : {0, 17, kFiles - 1}) rows.emplace_back(kNameCheck, k, -1);
  for (const int k : {17, kFiles - 1}) rows.emplace_back(kHeldSource, k, -1);
  TempProgramFolder folder;
  const auto source = [&](int i) {
    return folder.source() / ("f" + std::to_string(i + 10) + "_01");
  };
  for (int i = 0; i < kFiles; ++i) Write(source(i), Pattern(300 + i, i));
  for (const auto& [kind, k, other] : rows) {
    for (const auto& entry : fs::directory_iterator(folder.target())) fs::remove(entry.path());
    // The row's own names, given back at the end of the row.
    std::vector<std::pair<fs::path, fs::path>> named;
    if (kind == kNameCheck) named = {{source(k), folder.source() / ".rinomina-01.tmp"}};
    if (kind == kCollision)
      named = {{source(k), folder.source() / "01c02"}, {source(other), folder.source() / "02c01"}};
    for (const auto& [from, to] : named) fs::rename(from, to);
    std::vector<std::string> listed;  // as the pass lists them
    for (const auto& entry : fs::directory_iterator(folder.source()))
      listed.push_back(entry.path().filename().string());
    const auto renamed = [](std::string name) { return name.replace(name.find("01"), 2, "02"); };
    const auto position = [&](const std::string& name) {
      return static_cast<int>(std::find(listed.begin(), listed.end(), name) - listed.begin());
    };
    const int at = kind == kCollision   ? kFiles
                   : kind == kNameCheck ? position(".rinomina-01.tmp")
                                        : k;
    Listing expected;
    for (int i = 0; i < at; ++i)
      expected[renamed(listed[i])] = Summary(Contents(folder.source() / listed[i]));
    std::string reason = "il nome è riservato ai file temporanei del programma.";
    HANDLE held = INVALID_HANDLE_VALUE;
    if (kind == kHeldSource) {
      held = Hold(folder.source() / listed[at]);
      reason = "il file è in uso da un altro programma.";
    } else if (kind == kNaming) {
      fs::create_directory(folder.target() / renamed(listed[at]));
      expected[renamed(listed[at])] = "";
      reason = "esiste già una cartella con quel nome.";
    }
    if (kind == kCollision) {
      Pass(folder.root(), u"01", u"02");
    } else {
      EXPECT_EQ(FailingPass(folder.root(), u"01", u"02"),
                Copying(listed[at], renamed(listed[at])) + reason)
          << kind << " " << k;
    }
    CloseHandle(held);
    EXPECT_EQ(ListFolder(folder.target()), expected) << kind << " " << k;
    for (const auto& [from, to] : named) fs::rename(to, from);
  }
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
  EXPECT_NO_THROW(Pass(folder.root(), u"", u"copia_"));
  if (const wchar_t* linked = _wgetenv(L"RINOMINA_TEST_LINKED_FOLDERS")) {
    // Refused before any cleanup, which would take a source named like a leftover.
    const std::wstring leftover = TemporaryName(MachineIdentity(), 999996, 1, 1);
    Write(fs::path(linked) / "Originali" / leftover, "");
    EXPECT_PRED_FORMAT2(::testing::IsSubstring, "stessa cartella",
                        FailingPass(linked, u"", u"copia_"));
    EXPECT_EQ(ListFolder(fs::path(linked) / "Originali"),
              (Listing{{"foto_01.jpg", "foto\n"}, {leftover, ""}}));
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

// Every Windows code a copy can meet, those of one meaning together; a few
// pin the wording. One the program does not know reads as the fall-back.
TEST(Win32LayerTest, EveryWindowsCodeACopyCanMeetHasAnItalianReasonOfItsOwn) {
  ExpectItalianReasonsOfTheirOwn(
      {ERROR_TOO_MANY_OPEN_FILES, ERROR_WRITE_PROTECT, ERROR_FILENAME_EXCED_RANGE,
       ERROR_FILE_TOO_LARGE, ERROR_DIRECTORY, ERROR_DELETE_PENDING, 1295,
       ERROR_CANT_RESOLVE_FILENAME, ERROR_ENCRYPTION_FAILED},
      {{ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE},
       {ERROR_ACCESS_DENIED, ERROR_NETWORK_ACCESS_DENIED},
       {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY, ERROR_NO_SYSTEM_RESOURCES},
       {ERROR_NOT_READY, ERROR_DEV_NOT_EXIST, ERROR_DEVICE_NOT_CONNECTED},
       {ERROR_CRC, ERROR_SECTOR_NOT_FOUND, ERROR_WRITE_FAULT, ERROR_READ_FAULT, ERROR_GEN_FAILURE,
        ERROR_IO_DEVICE, ERROR_DISK_OPERATION_FAILED},
       {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_USER_MAPPED_FILE},
       {ERROR_HANDLE_DISK_FULL, ERROR_DISK_FULL},
       {ERROR_NOT_SUPPORTED, ERROR_INVALID_FUNCTION},
       {ERROR_BAD_NETPATH, ERROR_NETNAME_DELETED, ERROR_UNEXP_NET_ERR, ERROR_BAD_NET_NAME},
       {ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS},
       {ERROR_INVALID_NAME, ERROR_BAD_PATHNAME},
       {225, 226},  // blocked by the antivirus
       {ERROR_FILE_CORRUPT, ERROR_DISK_CORRUPT}});
  const std::pair<int, const char*> samples[] = {
      {ERROR_SHARING_VIOLATION, "il file è in uso da un altro programma"},
      {ERROR_NOT_READY, "l'unità non è pronta o è stata rimossa"},
      {ERROR_INVALID_PARAMETER, "errore di sistema 87"}};
  for (const auto& [code, reason] : samples)
    EXPECT_EQ(ReasonText({code, std::system_category()}), reason);
}

TEST(Win32LayerTest, LongFolderPathGivesTheResolvedPathItsLongForm) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'x');
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\a\\..\\b", L"\\\\?\\C:\\b"},
      {L"C:\\a\\.\\\\b\\", L"\\\\?\\C:\\a\\b\\"},
      {L"\\\\server\\share\\a\\..\\b", L"\\\\?\\UNC\\server\\share\\b"},
      {L"\\\\?\\C:\\a\\b", L"\\\\?\\C:\\a\\b"},
      {L"\\\\?\\UNC\\server\\share", L"\\\\?\\UNC\\server\\share"},
      {deep + L"\\Originali", L"\\\\?\\" + deep + L"\\Originali"}};
  for (const auto& [path, longForm] : cases) {
    std::error_code error;
    EXPECT_EQ(LongFolderPath(path, error), longForm) << path;
    EXPECT_FALSE(error) << path;
  }
}

// A file held without sharing reads as in use whatever the failure said;
// read-only and merely denied files do not, so they fail at once.
TEST(Win32LayerTest, OnlyAFileAnotherHandleHoldsReadsAsInUse) {
  TempProgramFolder folder;
  const std::wstring free = Write(folder.target() / "libero", "1"),
                     held = Write(folder.target() / "tenuto", "2"),
                     readOnly = Write(folder.target() / "sola lettura", "3");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  const HANDLE holder = Hold(held);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  constexpr auto kNo = InUseWhenOpen::kNo, kYes = InUseWhenOpen::kYes;
  const std::tuple<DWORD, std::wstring, InUseWhenOpen, DWORD> cases[] = {
      {ERROR_SHARING_VIOLATION, free, kNo, ERROR_SHARING_VIOLATION},
      {ERROR_LOCK_VIOLATION, free, kNo, ERROR_SHARING_VIOLATION},
      {ERROR_ACCESS_DENIED, held, kNo, ERROR_SHARING_VIOLATION},
      {ERROR_ACCESS_DENIED, free, kYes, ERROR_SHARING_VIOLATION},
      {ERROR_ACCESS_DENIED, free, kNo, ERROR_ACCESS_DENIED},
      {ERROR_ACCESS_DENIED, readOnly, kYes, ERROR_ACCESS_DENIED},
      {ERROR_DISK_FULL, held, kYes, ERROR_DISK_FULL}};
  for (const auto& [code, file, whenOpen, expected] : cases)
    EXPECT_EQ(HeldOrCode(code, file, DELETE, whenOpen), expected) << code << " " << file;
  CloseHandle(holder);
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Stand-ins for OpenProcess: no right to look at all, an ended process, and
// Windows XP's answer, which knows only the full right.
HANDLE WINAPI Denied(DWORD, BOOL, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}
// The handle of an ended process is signalled, as this event is.
HANDLE WINAPI Ended(DWORD, BOOL, DWORD) { return CreateEventW(nullptr, TRUE, TRUE, nullptr); }
HANDLE WINAPI FullRightOnly(DWORD access, BOOL inherit, DWORD processId) {
  if (access & PROCESS_QUERY_LIMITED_INFORMATION) return Denied(access, inherit, processId);
  return OpenProcess(access, inherit, processId);
}

// A leftover's process counts as gone only when Windows says so: an ended
// process, another start time. No right to look (another user's or an
// elevated pass) keeps the file.
TEST(Win32LayerTest, ALeftoversProcessIsGoneOnlyWhenWindowsSaysSo) {
  const DWORD self = GetCurrentProcessId();
  const std::uint64_t started = Started(GetCurrentProcess());
  const std::tuple<OpenProcessFunction, TemporaryOwner, bool> cases[] = {
      {OpenProcess, {0, self, started}, true},
      {OpenProcess, {0, self, started + 1}, false},
      {Ended, {0, self, started}, false},
      {FullRightOnly, {0, self, started}, true},
      {FullRightOnly, {0, self, started + 1}, false},
      {Denied, {0, self, started + 1}, true}};
  for (const auto& [openProcess, owner, mayRun] : cases)
    EXPECT_EQ(MayRun(owner, openProcess), mayRun) << owner.processId << " " << owner.started;
}

// The copy is hidden through the handle CopyFileExW gives the routine (Wine
// never calls it) and gets back the attributes it had before (its source's,
// read-only here), not the hidden ones nor "normal". A stop request cancels
// the copy there.
TEST(Win32LayerTest, TheProgressRoutineHidesTheNewCopyAndUnhideGivesItsAttributesBack) {
  TempProgramFolder folder;
  const fs::path copy = folder.target() / "copia";
  const HANDLE file =
      CreateFileW(copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  const LARGE_INTEGER zero{};
  HiddenCopy hidden;
  const auto report = [&](DWORD reason) {
    return HideDestination(zero, zero, zero, zero, 1, reason, nullptr, file, &hidden);
  };
  EXPECT_EQ(report(CALLBACK_CHUNK_FINISHED), PROGRESS_QUIET);
  EXPECT_FALSE(hidden.hidden);
  EXPECT_EQ(report(CALLBACK_STREAM_SWITCH), PROGRESS_QUIET);
  CloseHandle(file);
  EXPECT_TRUE(hidden.hidden);
  EXPECT_EQ(hidden.attributes, attributes);
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), attributes | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(Unhide(copy, hidden));
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), attributes);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  PassMonitor stopping;
  stopping.RequestStop();
  hidden.monitor = &stopping;
  EXPECT_EQ(report(CALLBACK_CHUNK_FINISHED), PROGRESS_CANCEL);
}

}  // namespace
}  // namespace rinomina

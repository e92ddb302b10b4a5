// The pieces of the Windows layer that a pass under Wine cannot reach: the
// reason table, the long-path form, the look at a file another program
// holds, the process lookup for leftovers and the progress routine that
// hides a copy while it is written.
#include <windows.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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

TEST(Win32LayerTest, EveryWindowsCodeOfTheTableHasItsItalianReason) {
  const std::pair<const char*, std::vector<int>> table[] = {
      {"file o cartella inesistente",
       {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_INVALID_DRIVE}},
      {"accesso negato", {ERROR_ACCESS_DENIED, ERROR_NETWORK_ACCESS_DENIED}},
      {"troppi file aperti", {ERROR_TOO_MANY_OPEN_FILES}},
      {"memoria insufficiente",
       {ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY, ERROR_NO_SYSTEM_RESOURCES}},
      {"disco protetto da scrittura", {ERROR_WRITE_PROTECT}},
      {"l'unità non è pronta o è stata rimossa",
       {ERROR_NOT_READY, ERROR_DEV_NOT_EXIST, ERROR_DEVICE_NOT_CONNECTED}},
      {"errore di lettura o scrittura sul disco",
       {ERROR_CRC, ERROR_SECTOR_NOT_FOUND, ERROR_WRITE_FAULT, ERROR_READ_FAULT, ERROR_GEN_FAILURE,
        ERROR_IO_DEVICE, ERROR_DISK_OPERATION_FAILED}},
      {"il file è in uso da un altro programma",
       {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_USER_MAPPED_FILE}},
      {"spazio esaurito sul disco", {ERROR_HANDLE_DISK_FULL, ERROR_DISK_FULL}},
      {"operazione non permessa su questo disco", {ERROR_NOT_SUPPORTED, ERROR_INVALID_FUNCTION}},
      {"la risorsa di rete non è raggiungibile",
       {ERROR_BAD_NETPATH, ERROR_NETNAME_DELETED, ERROR_UNEXP_NET_ERR, ERROR_BAD_NET_NAME}},
      {"esiste già un file con quel nome", {ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS}},
      {"nome di file non valido", {ERROR_INVALID_NAME, ERROR_BAD_PATHNAME}},
      {"nome troppo lungo", {ERROR_FILENAME_EXCED_RANGE}},
      {"file troppo grande", {ERROR_FILE_TOO_LARGE}},
      {"il percorso non indica una cartella", {ERROR_DIRECTORY}},
      {"il file sta per essere eliminato", {ERROR_DELETE_PENDING}},
      {"il file è stato bloccato dall'antivirus", {225, 226}},
      {"quota del disco superata", {1295}},
      {"file o disco danneggiato", {ERROR_FILE_CORRUPT, ERROR_DISK_CORRUPT}},
      {"troppi collegamenti simbolici", {ERROR_CANT_RESOLVE_FILENAME}},
      {"impossibile cifrare il file", {ERROR_ENCRYPTION_FAILED}},
      {"errore di sistema 6", {ERROR_INVALID_HANDLE}},
      {"errore di sistema 87", {ERROR_INVALID_PARAMETER}}};
  for (const auto& [reason, codes] : table)
    for (const int code : codes)
      EXPECT_EQ(ReasonText({code, std::system_category()}), reason) << code;
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
  const HANDLE holder =
      CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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

std::uint64_t Started(HANDLE process) {
  FILETIME created, unused;
  GetProcessTimes(process, &created, &unused, &unused, &unused);
  return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
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
// never calls it) and gets back the attributes it had before, not the
// hidden ones.
TEST(Win32LayerTest, TheProgressRoutineHidesTheNewCopyAndUnhideGivesItsAttributesBack) {
  TempProgramFolder folder;
  const fs::path copy = folder.target() / "copia";
  const HANDLE file = CreateFileW(copy.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const DWORD attributes = GetFileAttributesW(copy.c_str());
  const LARGE_INTEGER zero{};
  HiddenCopy hidden;
  EXPECT_EQ(
      HideDestination(zero, zero, zero, zero, 1, CALLBACK_CHUNK_FINISHED, nullptr, file, &hidden),
      PROGRESS_QUIET);
  EXPECT_FALSE(hidden.hidden);
  EXPECT_EQ(
      HideDestination(zero, zero, zero, zero, 1, CALLBACK_STREAM_SWITCH, nullptr, file, &hidden),
      PROGRESS_QUIET);
  CloseHandle(file);
  EXPECT_TRUE(hidden.hidden);
  EXPECT_EQ(hidden.attributes, attributes);
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), attributes | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(Unhide(copy, hidden));
  EXPECT_EQ(GetFileAttributesW(copy.c_str()), attributes);
}

}  // namespace
}  // namespace rinomina

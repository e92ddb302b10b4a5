#include "win32_temporary_names.hpp"

#include <atomic>
#include <cwchar>

#include "win32_optional_function.hpp"

namespace rinomina {
namespace {

std::uint64_t Value(FILETIME time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// FNV-1a over the UTF-16 code units: short, fixed-width and always a valid
// piece of a file name, whatever the machine's name holds.
std::uint64_t Hash(std::wstring_view text) {
  std::uint64_t hash = 0xCBF29CE484222325;
  for (const wchar_t unit : text) {
    hash ^= static_cast<std::uint16_t>(unit);
    hash *= 0x100000001B3;
  }
  return hash;
}

// Set up once per Windows installation (and per Wine prefix), unlike the
// computer name, which two PCs on one network may share.
std::wstring MachineGuid() {
  HKEY key;
  // A 32-bit program on 64-bit Windows reads the same value as a 64-bit one.
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t value[64]{};
  DWORD type = 0, size = sizeof value - sizeof value[0];  // room for a NUL the value may lack
  const LONG status =
      RegQueryValueExW(key, L"MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ ? value : L"";
}

std::wstring ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1]{};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? name : L"";
}

std::wstring Tag(TemporaryOwner owner) {
  wchar_t tag[64];
  swprintf(
      tag, 64, L".rinomina-%016llX-%lu-%016llX-", static_cast<unsigned long long>(owner.machine),
      static_cast<unsigned long>(owner.processId), static_cast<unsigned long long>(owner.started));
  return tag;
}

// Deletes `path` only when nothing has it open: the open for deletion shares
// nothing, so it fails while any other handle reads or writes the file, and
// a copy still being written keeps even its hidden attribute.
void RemoveUnused(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  static const auto setInformation = OptionalFunction<decltype(&SetFileInformationByHandle)>(
      L"kernel32.dll", "SetFileInformationByHandle");
  // A read-only file cannot be deleted: clear its attributes first.
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool deleting = setInformation &&
                        setInformation(file, FileBasicInfo, &basic, sizeof basic) &&
                        setInformation(file, FileDispositionInfo, &disposition, sizeof disposition);
  // Windows XP changes neither through a handle: the attributes by name while
  // the file is held (they are no data, so no sharing is needed), the delete
  // right after.
  if (!deleting) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  CloseHandle(file);
  if (!deleting) DeleteFileW(path.c_str());
}

}  // namespace

std::uint64_t MachineIdentity() {
  const std::wstring guid = MachineGuid();
  return Hash(guid.empty() ? L"computer " + ComputerName() : guid);
}

std::wstring TemporaryPrefix(const std::wstring& folder) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return folder + L"\\" + Tag({MachineIdentity(), GetCurrentProcessId(), Value(created)});
}

std::wstring NextTemporaryName(const std::wstring& prefix) {
  // Copies are written side by side: one counter for the whole process.
  static std::atomic<unsigned> counter{0};
  return prefix + std::to_wstring(++counter) + L".tmp";
}

std::optional<TemporaryOwner> OwnerOf(std::wstring_view name) {
  const std::wstring text(name);
  unsigned long long machine = 0, started = 0;
  unsigned long processId = 0;
  unsigned counter = 0;
  if (swscanf(text.c_str(), L".rinomina-%llx-%lu-%llx-%u", &machine, &processId, &started,
              &counter) != 4) {
    return std::nullopt;
  }
  const TemporaryOwner owner{machine, processId, started};
  if (text != Tag(owner) + std::to_wstring(counter) + L".tmp") return std::nullopt;
  return owner;
}

bool MayRun(TemporaryOwner owner, OpenProcessFunction openProcess) {
  // The limited right is enough on Vista and later (also for elevated
  // processes); Windows XP knows only the full one.
  HANDLE process =
      openProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, owner.processId);
  if (process == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    process = openProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, owner.processId);
  }
  if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
  FILETIME created, exited, kernel, user;
  const bool mayRun = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                      (!GetProcessTimes(process, &created, &exited, &kernel, &user) ||
                       Value(created) == owner.started);
  CloseHandle(process);
  return mayRun;
}

// A file that cannot be removed now stays for a later pass: it is no file of
// the user's, and this pass's own copies are not hindered by it.
void RemoveLeftovers(const std::wstring& folder) {
  const std::uint64_t machine = MachineIdentity();
  WIN32_FIND_DATAW entry;
  const HANDLE listing = FindFirstFileW((folder + L"\\.rinomina-*.tmp").c_str(), &entry);
  if (listing == INVALID_HANDLE_VALUE) return;
  do {
    constexpr DWORD kNotAFile =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if (entry.dwFileAttributes & kNotAFile) continue;
    const std::optional<TemporaryOwner> owner = OwnerOf(entry.cFileName);
    // Another PC's process ids say nothing here: its copies are never touched.
    if (owner && owner->machine == machine && !MayRun(*owner)) {
      RemoveUnused(folder + L"\\" + entry.cFileName);
    }
  } while (FindNextFileW(listing, &entry));
  FindClose(listing);
}

}  // namespace rinomina

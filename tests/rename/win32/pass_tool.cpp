// A helper for the tests under Wine (two-machines):
//   pass_tool hold FOLDER                   writes a temporary copy into FOLDER
//                                           as a pass does, prints its name and
//                                           keeps it open until a line is read
//   pass_tool pass [--one-at-a-time] PROGRAM_FOLDER SEARCH REPLACEMENT
//                                           runs one pass, copying side by side
//                                           or one file at a time (scripts/bench)
#include <windows.h>

#include <cstdio>
#include <string>

#include "copy_pass.hpp"
#include "wide_text.hpp"
#include "win32_long_path.hpp"
#include "win32_temporary_names.hpp"

namespace {

int Hold(const std::wstring& folder) {
  std::error_code error;
  const std::wstring temporary = rinomina::TemporaryPrefix(rinomina::LongFolderPath(folder, error));
  const std::wstring name = temporary + L"1.tmp";
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
  DWORD written = 0;
  if (file == INVALID_HANDLE_VALUE || !WriteFile(file, "parziale", 8, &written, nullptr)) {
    std::fprintf(stderr, "cannot write %ls: error %lu\n", name.c_str(), GetLastError());
    return 1;
  }
  std::printf("%ls\n", name.substr(name.rfind(L'\\') + 1).c_str());
  std::fflush(stdout);
  char line[16];
  std::fgets(line, sizeof line, stdin);
  CloseHandle(file);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"hold" && argc == 3) return Hold(argv[2]);
  rinomina::CopyOptions options;
  options.oneAtATime = argc == 6 && argv[2] == std::wstring(L"--one-at-a-time");
  if (command != L"pass" || argc != 5 + options.oneAtATime) {
    std::fprintf(stderr,
                 "usage: pass_tool hold FOLDER | pass [--one-at-a-time] PROGRAM_FOLDER "
                 "SEARCH REPLACEMENT\n");
    return 2;
  }
  wchar_t** const arguments = argv + options.oneAtATime;
  try {
    rinomina::RunCopyPass(arguments[2], rinomina::AsUtf16(arguments[3]),
                          rinomina::AsUtf16(arguments[4]), nullptr, options);
  } catch (const rinomina::CopyPassError& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}

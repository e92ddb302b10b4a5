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
#include "win32_temporary_names.hpp"

namespace {

// The process's end closes the copy.
int Hold(const std::wstring& folder) {
  const std::wstring name = rinomina::TemporaryPrefix(folder) + L"1.tmp";
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN, nullptr);
  DWORD written = 0;
  if (file == INVALID_HANDLE_VALUE || !WriteFile(file, "parziale", 8, &written, nullptr))
    return std::fprintf(stderr, "cannot write %ls: error %lu\n", name.c_str(), GetLastError()), 1;
  std::printf("%ls\n", name.substr(name.rfind(L'\\') + 1).c_str());
  return std::fflush(stdout), std::getchar(), 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) try {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"hold" && argc == 3) return Hold(argv[2]);
  const bool oneAtATime = argc == 6 && argv[2] == std::wstring(L"--one-at-a-time");
  if (command != L"pass" || argc != 5 + oneAtATime)
    return std::fputs("usage: pass_tool hold FOLDER | pass [--one-at-a-time] FOLDER SEARCH BY\n",
                      stderr),
           2;
  wchar_t** const arguments = argv + oneAtATime;
  return rinomina::RunCopyPass(arguments[2], rinomina::AsUtf16(arguments[3]),
                               rinomina::AsUtf16(arguments[4]), nullptr, {oneAtATime}),
         0;
} catch (const rinomina::CopyPassError& failure) {
  return std::fprintf(stderr, "%s\n", failure.what()), 1;
}

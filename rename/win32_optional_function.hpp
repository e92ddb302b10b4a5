// Functions that newer Windows has and older Windows lacks, looked up at run
// time so that the program still loads on the oldest Windows it supports:
//   const auto get = OptionalFunction<decltype(&GetFileInformationByHandleEx)>(
//       L"kernel32.dll", "GetFileInformationByHandleEx");  // null before Vista
#pragma once

#include <windows.h>

namespace rinomina {

template <typename Function>
Function OptionalFunction(const wchar_t* module, const char* name) {
  const FARPROC address = GetProcAddress(GetModuleHandleW(module), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace rinomina

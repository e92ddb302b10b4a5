// UTF-16 texts between the core (char16_t) and the Win32 API (wchar_t, also
// UTF-16 there): the same code units, viewed under the other type.
#pragma once

#include <string_view>

namespace rinomina {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Win32 texts are UTF-16");

inline std::wstring_view AsWide(std::u16string_view text) {
  return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string_view AsUtf16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

}  // namespace rinomina

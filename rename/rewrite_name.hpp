// The name rule: the first occurrence of a search text in a file name is
// replaced by a replacement text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rinomina {

// Returns `name` with the first occurrence of `searchText` replaced by
// `replacementText`, or std::nullopt when `searchText` does not occur in it.
// Code units are compared exactly: case matters, nothing is normalised. An
// empty search text occurs at the very start. The result is not checked and
// may be empty.
//
//   RewriteName(u"foto_01.jpg", u"01", u"02")  == u"foto_02.jpg"
//   RewriteName(u"a_a_a.txt", u"a", u"b")      == u"b_a_a.txt"
//   RewriteName(u"Report.TXT", u"txt", u"x")   == std::nullopt
std::optional<std::u16string> RewriteName(std::u16string_view name, std::u16string_view searchText,
                                          std::u16string_view replacementText);

}  // namespace rinomina

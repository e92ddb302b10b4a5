// Which rewritten names are safe to write under: exactly one plain file name.
#pragma once

#include <string_view>

namespace rinomina {

// Throws CopyPassError (copying `sourceName`) unless `newName` is one plain
// file name of this platform: not empty, not "." or "..", no path separator,
// no NUL; on Windows also at most 255 UTF-16 code units, no device name
// (CON, NUL, COM1, ...) and no trailing dot or space. Whether the name can
// be encoded is the file-system layer's check.
void CheckNewName(std::u16string_view sourceName, std::u16string_view newName);

// Throws CopyPassError (copying `sourceName`) when the first occurrence of
// `searchText` in it begins or ends between the two halves of a surrogate
// pair: `newName` would hold half a character, which no platform can encode
// (on Linux the lone low half would pass for the escape of a raw byte).
void CheckMatchKeepsCharacters(std::u16string_view sourceName, std::u16string_view searchText,
                               std::u16string_view newName);

}  // namespace rinomina

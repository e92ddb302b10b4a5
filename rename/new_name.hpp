// Which rewritten names are safe to write under: exactly one plain file name.
#pragma once

#include <string_view>

namespace rinomina {

// The program's own temporary copies are named ".rinomina-" ... ".tmp" on
// every platform; a pass removes abandoned ones, so no copy may take such a
// name.
inline constexpr std::string_view kTemporaryNamePrefix = ".rinomina-";
inline constexpr std::string_view kTemporaryNameSuffix = ".tmp";

// Throws CopyPassError (copying `sourceName`) unless `newName` is one plain
// file name of this platform: not empty, not "." or "..", no path separator,
// no NUL, not of the temporary copies' form; on Windows also at most 255
// UTF-16 code units, no device name (CON, NUL, COM1, ...) and no trailing dot
// or space. Whether the name can be encoded is the file-system layer's check.
void CheckNewName(std::u16string_view sourceName, std::u16string_view newName);

// Throws CopyPassError (copying `sourceName`) when the first occurrence of
// `searchText` in it begins or ends between the two halves of a surrogate
// pair: `newName` would hold half a character, which no platform can encode
// (on Linux the lone low half would pass for the escape of a raw byte). Also
// when a half at an end of the replacement pairs with a half of the rest of
// the name (such as a Linux escape): the name would hold a character nobody
// typed.
void CheckMatchKeepsCharacters(std::u16string_view sourceName, std::u16string_view searchText,
                               std::u16string_view newName);

}  // namespace rinomina

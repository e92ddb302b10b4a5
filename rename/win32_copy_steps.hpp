// The steps of one copy on Windows, as the side-by-side copies take them: a
// worker writes the source into a hidden temporary copy in "Modificati"; the
// naming side, in listing order, renames it over its target, or discards it.
#pragma once

#include <string>

namespace rinomina {

class PassMonitor;

struct Win32Copy {
  std::u16string sourceName;  // for the messages
  std::u16string newName;
  std::wstring source;  // full \\?\ paths
  std::wstring target;
  std::wstring temporary;  // the written copy, until it is named or removed
};

// Copies `copy.source` under a fresh temporary name from `prefix` (see
// win32_temporary_names.hpp), hidden while it is written; any thread. A
// source another program holds for a moment is waited out. Throws
// CopyPassError, PassStopped on a stop request; nothing is then left.
void WriteTemporary(Win32Copy& copy, const std::wstring& prefix, PassMonitor* monitor);

// Renames the written copy over `copy.target` in one step; a read-only
// target is replaced too. Throws CopyPassError, the temporary copy removed
// and the old target as it was. Either way `copy.temporary` is then empty.
void NameTemporary(Win32Copy& copy, PassMonitor* monitor);

// Removes the written copy that will not be named.
void DiscardTemporary(Win32Copy& copy);

}  // namespace rinomina

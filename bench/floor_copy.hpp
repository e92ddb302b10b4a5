// The floor: the least a copy-and-rename pass can do on Linux, with none of
// the pass's safety. It shows how much of the pass's time is the system's.
#pragma once

#include <filesystem>

namespace rinomina::bench {

// Lists "Originali" and, for every file whose name holds the search text,
// opens it, opens "Modificati"/new name with O_CREAT | O_TRUNC (so an existing
// target is overwritten in place), copies with copy_file_range until it
// returns 0, and closes both. No temporary file, no checks beyond the
// system calls' results; throws std::system_error when one fails.
void RunFloorCopy(const std::filesystem::path& programFolder);

// The safe floor: the least a copy can do that never shows an incomplete file
// under its name. The same loop, but each copy goes into an unnamed file
// (O_TMPFILE) that is linked under its new name (linkat) when complete. For
// an empty "Modificati" only: a taken name makes linkat fail.
void RunSafeFloorCopy(const std::filesystem::path& programFolder);

}  // namespace rinomina::bench

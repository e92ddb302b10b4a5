// Making and resetting the folders the benchmark copies between.
#pragma once

#include <cstddef>
#include <filesystem>

namespace rinomina::bench {

// Creates `programFolder` with "Originali" holding `count` files of
// `fileSize` bytes each (non-zero bytes, so nothing is sparse) and an empty
// "Modificati". Throws std::system_error on failure.
void MakeProgramFolder(const std::filesystem::path& programFolder, std::size_t count,
                       std::size_t fileSize);

// Leaves `folder` existing and empty: a fresh folder, not one emptied in
// place, so every timed run starts from the same state.
void MakeEmptyFolder(const std::filesystem::path& folder);

// The number of regular files directly in `folder`.
std::size_t CountFiles(const std::filesystem::path& folder);

}  // namespace rinomina::bench

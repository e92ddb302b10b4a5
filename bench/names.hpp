// The names of a benchmark program folder and the texts every run uses.
#pragma once

#include <string_view>

namespace rinomina::bench {

inline constexpr std::string_view kSourceFolder = "Originali";
inline constexpr std::string_view kTargetFolder = "Modificati";

// Data-set files are named "foto_01_000123.jpg": each holds the search text
// once, so every file is copied and the new names are all different.
inline constexpr std::string_view kSearchText = "01";
inline constexpr std::string_view kReplacementText = "02";
inline constexpr std::u16string_view kSearchText16 = u"01";
inline constexpr std::u16string_view kReplacementText16 = u"02";

}  // namespace rinomina::bench

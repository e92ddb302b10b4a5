// The benchmark's one table, printed part by part as the results come in.
#pragma once

#include <cstddef>
#include <string_view>

#include "suite.hpp"

namespace rinomina::bench {

// Where the data sets live, the machine, and how the times were taken.
void PrintHeading(std::string_view place, std::string_view about, int rounds);

// One data set: time, files/s and MB/s per contender, then the ratios of the
// pass to cp and to the floor next to their targets.
void PrintDataSet(const SetResult& result);

// One data set on a disk: the durable pass against cp -r with and without
// sync -f.
void PrintDiskDataSet(const SetResult& result);

// Peak resident memory of a pass over a small and a large folder.
void PrintMemory(std::size_t smallCount, long smallKiB, std::size_t largeCount, long largeKiB);

}  // namespace rinomina::bench

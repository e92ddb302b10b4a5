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

// One data set on the slow folder: side by side, one at a time, cp -r.
void PrintSlowDataSet(const SetResult& result);

// The pass's time with each number of files in flight.
void PrintWindowSizes(const WindowResult& result);

// Peak resident memory and descriptors of a pass over a small and a large
// folder, and over the large one a file at a time.
void PrintMemory(std::size_t smallCount, PeakUse small, std::size_t largeCount, PeakUse large,
                 PeakUse largeAlone);

}  // namespace rinomina::bench

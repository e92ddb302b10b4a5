// Running other programs (cp, Python, this benchmark in another mode) as
// separate processes, timed from spawn to exit.
#pragma once

#include <string>
#include <vector>

namespace rinomina::bench {

// Runs `command` (searched on PATH) and waits for it. Returns the wall time
// in seconds. Throws std::runtime_error unless it exits with status 0.
double TimeCommand(const std::vector<std::string>& command);

// Runs `command` and returns what it wrote to standard output. Throws
// std::runtime_error unless it exits with status 0.
std::string CaptureCommand(const std::vector<std::string>& command);

// The median of `values` (not empty).
double Median(std::vector<double> values);

}  // namespace rinomina::bench

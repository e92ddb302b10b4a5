#include "memory.hpp"

#include <fstream>
#include <stdexcept>
#include <string>

namespace rinomina::bench {

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  throw std::runtime_error("no VmHWM in /proc/self/status");
}

}  // namespace rinomina::bench

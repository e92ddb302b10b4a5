// How a pass copies, for the benchmark and the tests; the program itself
// always uses the defaults.
#pragma once

namespace rinomina {

struct CopyOptions {
  // Copies each file completely, data and name, before the next one is
  // opened: no worker threads, as a pass did before files were copied side
  // by side.
  bool oneAtATime = false;
  // The most files being copied side by side (opened, written, or written
  // and waiting for their names); 0 for the measured default.
  unsigned filesInFlight = 0;
};

}  // namespace rinomina

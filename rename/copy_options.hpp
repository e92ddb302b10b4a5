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
  // Copies small files side by side on every file system, also where one
  // at a time is as fast (local disks, tmpfs), so that the tests and the
  // benchmark can run the side-by-side copies anywhere.
  bool sideBySideEverywhere = false;
};

}  // namespace rinomina

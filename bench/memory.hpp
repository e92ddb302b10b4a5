// Peak resident memory of this process.
#pragma once

namespace rinomina::bench {

// VmHWM from /proc/self/status, in KiB: the peak of this process's own
// memory since exec. (ru_maxrss would also count the spawning process's
// memory, which a vfork-style child shares until exec.)
long PeakResidentKiB();

}  // namespace rinomina::bench

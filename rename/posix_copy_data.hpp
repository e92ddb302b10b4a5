// The bytes of one file copied into another on Linux: in the kernel where the
// two file systems allow it (copy_file_range), by reading and writing where
// they do not, and keeping the holes of a sparse source. The data goes in
// chunks of a few MiB, counted on a PassMonitor, which can stop the copy
// between two of them.
#pragma once

#include <sys/stat.h>

#include <system_error>
#include <vector>

namespace rinomina {

class PassMonitor;

class DataCopier {
 public:
  explicit DataCopier(PassMonitor* monitor) : monitor_(monitor) {}

  // Copies `source` (`status` is its fstat) into `target`, which is new and
  // empty, at the same offsets, and gives it the source's modification time
  // (the access time is now; a file system refusing times is let be). A hole
  // of the source stays a hole, and counts as done once passed. Gives
  // std::errc::operation_canceled when the monitor asked for a stop.
  std::error_code Copy(int source, int target, const struct stat& status);

 private:
  std::error_code CopyData(int source, int target, const struct stat& status);
  std::error_code CopyRange(int source, int target, off_t offset, off_t end);
  ssize_t CopyChunk(int source, int target, off_t offset, std::size_t size);
  void CountDone(off_t bytes);

  PassMonitor* monitor_;      // may be null
  std::vector<char> buffer_;  // for file systems without copy_file_range
  bool inKernel_ = true;      // copy_file_range still works for this file
};

}  // namespace rinomina

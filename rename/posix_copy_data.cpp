#include "posix_copy_data.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

#include "pass_monitor.hpp"
#include "posix_file_descriptor.hpp"

namespace rinomina {
namespace {

// Small enough that a stop request is seen within a fraction of a second
// even on a slow disk, large enough that the calls cost nothing.
constexpr std::size_t kLargestRequest = std::size_t{8} << 20;
constexpr std::size_t kBufferSize = std::size_t{1} << 17;
constexpr off_t kNoEnd = std::numeric_limits<off_t>::max();

// copy_file_range's ways of saying "not between these two files": across file
// systems, on file systems without it, or on kernels without it.
bool IsUnsupported(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
         error == ETXTBSY;
}

// The copy keeps its source's date, as CopyFileExW keeps it on Windows: the
// modification time to the nanosecond, set while the copy has no name yet or
// its hidden one, so it never shows under its own name with another date;
// its access time is now. A file system that lets no times be set (EPERM,
// ENOSYS: some FUSE and network folders) keeps the copy all the same.
std::error_code KeepDate(int target, const struct stat& status) {
  const struct timespec times[2] = {{0, UTIME_NOW}, status.st_mtim};
  if (::futimens(target, times) == 0 || errno == EPERM || errno == ENOSYS) return {};
  return LastError();
}

}  // namespace

std::error_code DataCopier::Copy(int source, int target, const struct stat& status) {
  if (std::error_code error = CopyData(source, target, status)) return error;
  return KeepDate(target, status);
}

std::error_code DataCopier::CopyData(int source, int target, const struct stat& status) {
  inKernel_ = true;
  const off_t size = status.st_size;
  // A size of 0 may hide content (some special file systems): copy to the end.
  if (size == 0) return CopyRange(source, target, 0, kNoEnd);
  // Fewer blocks than bytes means holes; a dense file is copied in one go,
  // with no extra system call.
  if (status.st_blocks * off_t{512} >= size) return CopyRange(source, target, 0, size);

  // Copy the data extents only and leave the holes between them unwritten;
  // a hole counts as done once passed.
  off_t offset = 0;
  while (offset < size) {
    const off_t data = ::lseek(source, offset, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    if (data < 0) {
      if (errno == EINVAL) return CopyRange(source, target, offset, size);  // no hole support
      return LastError();
    }
    const off_t hole = ::lseek(source, data, SEEK_HOLE);
    if (hole < 0) return LastError();
    CountDone(data - offset);
    if (std::error_code error = CopyRange(source, target, data, std::min(hole, size))) {
      return error;
    }
    offset = hole;
  }
  CountDone(size - std::min(offset, size));
  // The last hole: the target's size says where the file ends, and never
  // past where the source ends now (it may have been cut meanwhile).
  struct stat now;
  if (::fstat(source, &now) != 0) return LastError();
  return ::ftruncate(target, std::min(size, now.st_size)) == 0 ? std::error_code() : LastError();
}

// Copies the bytes [offset, end) of `source`, or fewer if it ends sooner.
std::error_code DataCopier::CopyRange(int source, int target, off_t offset, off_t end) {
  while (offset < end) {
    if (monitor_ && monitor_->StopRequested()) {
      return std::make_error_code(std::errc::operation_canceled);
    }
    const auto size = static_cast<std::size_t>(std::min<off_t>(end - offset, kLargestRequest));
    const ssize_t count = CopyChunk(source, target, offset, size);
    if (count < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (count == 0) break;  // the source ended
    offset += count;
    CountDone(count);
  }
  return {};
}

void DataCopier::CountDone(off_t bytes) {
  if (monitor_ && bytes > 0) monitor_->AddBytesDone(static_cast<std::uint64_t>(bytes));
}

// Copies up to `size` bytes at `offset`: the count copied, 0 at the end of
// the source, -1 with errno on failure.
ssize_t DataCopier::CopyChunk(int source, int target, off_t offset, std::size_t size) {
  if (inKernel_) {
    off_t in = offset, out = offset;
    const ssize_t count = ::copy_file_range(source, &in, target, &out, size, 0);
    if (count >= 0 || !IsUnsupported(errno)) return count;
    inKernel_ = false;  // the offsets are explicit, so reading and writing can take over here
  }
  if (buffer_.empty()) buffer_.resize(kBufferSize);
  const ssize_t count = ::pread(source, buffer_.data(), std::min(size, buffer_.size()), offset);
  if (count <= 0) return count;
  for (ssize_t written = 0; written < count;) {
    const ssize_t part = ::pwrite(target, buffer_.data() + written,
                                  static_cast<std::size_t>(count - written), offset + written);
    if (part < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    written += part;
  }
  return count;
}

}  // namespace rinomina

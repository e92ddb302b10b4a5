// A file descriptor closed when it goes out of scope, and the error of the
// last failed system call, for the POSIX file-system layer.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace rinomina {

inline std::error_code LastError() { return {errno, std::system_category()}; }

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the error a delayed write may surface only here.
  std::error_code Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::error_code() : LastError();
  }

 private:
  int fd_;
};

}  // namespace rinomina

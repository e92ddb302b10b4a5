// The few threading pieces the side-by-side copies need, one implementation
// per platform (posix_worker_threads.cpp on the C++ library;
// win32_worker_threads.cpp on the Win32 calls Windows XP has, since the
// Windows builds have no std::thread, std::mutex or condition variables).
#pragma once

#include <functional>
#include <memory>

namespace rinomina {

// A lock for std::lock_guard. Not recursive.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void lock();
  void unlock();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A counting semaphore: Acquire waits until the count is above 0 and takes
// one; Release adds `count` and wakes as many waiters.
class Semaphore {
 public:
  explicit Semaphore(unsigned initial);
  ~Semaphore();
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;
  void Release(unsigned count = 1);
  void Acquire();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A thread running `body` from its construction. `body` must not throw.
// Join waits for it to end; the destructor joins if Join was not called.
// Failing to start a thread throws std::system_error.
class WorkerThread {
 public:
  explicit WorkerThread(std::function<void()> body);
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  void Join();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rinomina

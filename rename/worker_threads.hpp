// The few thread tools the side-by-side copies need, on every platform: the
// Windows builds (mingw-w64 with win32 threads, down to Windows XP) have no
// std::thread, std::mutex or condition variable. One implementation per
// platform: posix_worker_threads.cpp, win32_worker_threads.cpp.
#pragma once

#include <functional>
#include <memory>

namespace rinomina {

// A lock for std::lock_guard; not recursive.
class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  void lock();
  void unlock();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A counting semaphore: Acquire waits until the count is above zero and
// takes one; Release adds `count`.
class Semaphore {
 public:
  explicit Semaphore(unsigned initial);
  ~Semaphore();
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;
  void Release(unsigned count = 1);
  void Acquire();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Runs `body` on a thread of its own; `body` must not throw. The destructor
// joins. Throws std::system_error when the system gives no thread.
class WorkerThread {
 public:
  explicit WorkerThread(std::function<void()> body);
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  // Waits for `body` to return; once is enough, more do nothing.
  void Join();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace rinomina

#include <condition_variable>
#include <mutex>
#include <thread>

#include "worker_threads.hpp"

namespace rinomina {

struct Mutex::Impl {
  std::mutex mutex;
};
Mutex::Mutex() : impl_(std::make_unique<Impl>()) {}
Mutex::~Mutex() = default;
void Mutex::lock() { impl_->mutex.lock(); }
void Mutex::unlock() { impl_->mutex.unlock(); }

struct Semaphore::Impl {
  std::mutex mutex;
  std::condition_variable available;
  unsigned count;
};
Semaphore::Semaphore(unsigned initial) : impl_(std::make_unique<Impl>()) { impl_->count = initial; }
Semaphore::~Semaphore() = default;
void Semaphore::Release(unsigned count) {
  {
    const std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->count += count;
  }
  if (count == 1) {
    impl_->available.notify_one();
  } else {
    impl_->available.notify_all();
  }
}
void Semaphore::Acquire() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->available.wait(lock, [this] { return impl_->count > 0; });
  --impl_->count;
}

struct WorkerThread::Impl {
  std::thread thread;
};
WorkerThread::WorkerThread(std::function<void()> body) : impl_(std::make_unique<Impl>()) {
  impl_->thread = std::thread(std::move(body));
}
WorkerThread::~WorkerThread() { Join(); }
void WorkerThread::Join() {
  if (impl_->thread.joinable()) impl_->thread.join();
}

}  // namespace rinomina

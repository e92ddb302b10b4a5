// The thread tools on Windows, with what Windows XP has: critical sections,
// semaphores and CreateThread (no condition variables, no slim locks).
#include <windows.h>

#include <climits>
#include <system_error>

#include "worker_threads.hpp"

namespace rinomina {
namespace {

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

}  // namespace

struct Mutex::Impl {
  CRITICAL_SECTION section;
};

Mutex::Mutex() : impl_(std::make_unique<Impl>()) { InitializeCriticalSection(&impl_->section); }
Mutex::~Mutex() { DeleteCriticalSection(&impl_->section); }
void Mutex::lock() { EnterCriticalSection(&impl_->section); }
void Mutex::unlock() { LeaveCriticalSection(&impl_->section); }

struct Semaphore::Impl {
  HANDLE handle;
};

Semaphore::Semaphore(unsigned initial) : impl_(std::make_unique<Impl>()) {
  impl_->handle = CreateSemaphoreW(nullptr, static_cast<LONG>(initial), LONG_MAX, nullptr);
  if (impl_->handle == nullptr) ThrowLastError("CreateSemaphoreW");
}
Semaphore::~Semaphore() { CloseHandle(impl_->handle); }
void Semaphore::Release(unsigned count) {
  ReleaseSemaphore(impl_->handle, static_cast<LONG>(count), nullptr);
}
void Semaphore::Acquire() { WaitForSingleObject(impl_->handle, INFINITE); }

struct WorkerThread::Impl {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {

// An exception escaping `body` ends the program here, before it could reach
// the system's frames.
void Run(const std::function<void()>& body) noexcept { body(); }

DWORD WINAPI RunBody(void* body) {
  Run(*static_cast<std::function<void()>*>(body));
  return 0;
}

}  // namespace

// CreateThread rather than _beginthreadex, which the XP import list lacks;
// the C runtime (msvcrt.dll) sets up its per-thread data on first use.
WorkerThread::WorkerThread(std::function<void()> body) : impl_(std::make_unique<Impl>()) {
  impl_->body = std::move(body);
  impl_->handle = CreateThread(nullptr, 0, RunBody, &impl_->body, 0, nullptr);
  if (impl_->handle == nullptr) ThrowLastError("CreateThread");
}

WorkerThread::~WorkerThread() { Join(); }

void WorkerThread::Join() {
  if (impl_->handle == nullptr) return;
  WaitForSingleObject(impl_->handle, INFINITE);
  CloseHandle(impl_->handle);
  impl_->handle = nullptr;
}

}  // namespace rinomina

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

struct Mutex::State {
  CRITICAL_SECTION section;
};

Mutex::Mutex() : state_(std::make_unique<State>()) { InitializeCriticalSection(&state_->section); }
Mutex::~Mutex() { DeleteCriticalSection(&state_->section); }
void Mutex::lock() { EnterCriticalSection(&state_->section); }
void Mutex::unlock() { LeaveCriticalSection(&state_->section); }

struct Semaphore::State {
  HANDLE handle;
};

Semaphore::Semaphore(unsigned initial) : state_(std::make_unique<State>()) {
  state_->handle = CreateSemaphoreW(nullptr, static_cast<LONG>(initial), LONG_MAX, nullptr);
  if (state_->handle == nullptr) ThrowLastError("CreateSemaphoreW");
}
Semaphore::~Semaphore() { CloseHandle(state_->handle); }
void Semaphore::Release(unsigned count) {
  ReleaseSemaphore(state_->handle, static_cast<LONG>(count), nullptr);
}
void Semaphore::Acquire() { WaitForSingleObject(state_->handle, INFINITE); }

struct WorkerThread::State {
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
WorkerThread::WorkerThread(std::function<void()> body) : state_(std::make_unique<State>()) {
  state_->body = std::move(body);
  state_->handle = CreateThread(nullptr, 0, RunBody, &state_->body, 0, nullptr);
  if (state_->handle == nullptr) ThrowLastError("CreateThread");
}

WorkerThread::~WorkerThread() { Join(); }

void WorkerThread::Join() {
  if (state_->handle == nullptr) return;
  WaitForSingleObject(state_->handle, INFINITE);
  CloseHandle(state_->handle);
  state_->handle = nullptr;
}

}  // namespace rinomina

#include "taskbar_progress.hpp"

#include <objbase.h>
#include <shobjidl.h>

namespace rinomina::win32 {
namespace {

// {56FDF344-FD6D-11D0-958A-006097C9A090}
constexpr CLSID kTaskbarList{
    0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
// {EA1AFB91-9E28-4B86-90E9-9E9F8A5EEFAF}: Windows 7's interface, with progress.
constexpr IID kTaskbarList3{
    0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};

template <typename Function>
Function Ole32Function(HMODULE ole32, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ole32, name)));
}

}  // namespace

// ole32 is loaded here rather than imported: the program needs it only for
// this, and only while a pass runs.
TaskbarProgress::TaskbarProgress(HWND form) : form_(form), ole32_(LoadLibraryW(L"ole32.dll")) {
  if (ole32_ == nullptr) return;
  const auto initialize = Ole32Function<decltype(&CoInitializeEx)>(ole32_, "CoInitializeEx");
  const auto create = Ole32Function<decltype(&CoCreateInstance)>(ole32_, "CoCreateInstance");
  if (!initialize || !create) return;
  comStarted_ = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
  void* taskbar = nullptr;
  if (!comStarted_ ||
      FAILED(create(kTaskbarList, nullptr, CLSCTX_INPROC_SERVER, kTaskbarList3, &taskbar))) {
    return;
  }
  taskbar_ = static_cast<ITaskbarList3*>(taskbar);
  if (FAILED(taskbar_->HrInit())) {
    taskbar_->Release();
    taskbar_ = nullptr;
  }
}

TaskbarProgress::~TaskbarProgress() {
  if (taskbar_ != nullptr) {
    taskbar_->SetProgressState(form_, TBPF_NOPROGRESS);
    taskbar_->Release();
  }
  if (comStarted_) Ole32Function<decltype(&CoUninitialize)>(ole32_, "CoUninitialize")();
  if (ole32_ != nullptr) FreeLibrary(ole32_);
}

void TaskbarProgress::Show(int percent) {
  if (taskbar_ == nullptr || percent < 0) return;
  taskbar_->SetProgressValue(form_, static_cast<ULONGLONG>(percent), 100);
}

void TaskbarProgress::ShowFailure() {
  if (taskbar_ == nullptr) return;
  taskbar_->SetProgressState(form_, TBPF_ERROR);
  taskbar_->SetProgressValue(form_, 100, 100);
}

}  // namespace rinomina::win32

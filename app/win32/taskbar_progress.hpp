// The share of a pass on the window's taskbar button (Windows 7 and later),
// and its error state when the failure box opens. Made at run time: where
// Windows has no such taskbar (XP, Vista) it does nothing.
#pragma once

#include <windows.h>

struct ITaskbarList3;

namespace rinomina::win32 {

class TaskbarProgress {
 public:
  explicit TaskbarProgress(HWND form);
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // `percent` 0 to 100; a negative share (not known yet) shows nothing.
  void Show(int percent);
  void ShowFailure();

 private:
  HWND form_;
  HMODULE ole32_ = nullptr;
  bool comStarted_ = false;
  ITaskbarList3* taskbar_ = nullptr;
};

}  // namespace rinomina::win32

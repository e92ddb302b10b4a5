// rinomina.exe: Form1 until it is closed or Command1 has run its one pass.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <exception>

#include "form1.hpp"
#include "form1_window.hpp"
#include "press.hpp"
#include "wide_text.hpp"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&commonControls);  // the themed controls of the manifest
  try {
    const HWND form = rinomina::win32::CreateForm1(instance, rinomina::win32::RunPass);
    ShowWindow(form, showCommand);
    UpdateWindow(form);
    return rinomina::win32::RunForm1(form);
  } catch (const std::exception&) {
    MessageBoxW(nullptr, L"Impossibile aprire la finestra del programma.",
                rinomina::AsWide(rinomina::form1::kFailureTitle).data(), MB_ICONERROR | MB_OK);
    return 1;
  }
}

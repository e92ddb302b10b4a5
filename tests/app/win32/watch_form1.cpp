// Watches rinomina.exe's window during a pass, as the desktop sees it, for
// drive-under-wine: whether Windows ever takes it for hung (IsHungAppWindow),
// the titles it shows, and how long it takes to go once asked to close.
//   watch_form1.exe PERCENT   closes the window (WM_CLOSE) once its title
//                             shows PERCENT or more; 101: never
// Prints what it saw; exits 1 if the window ever hung, showed a title other
// than "Form1" or "Form1 - N%", or the share went back.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const int closeAt = argc > 1 ? std::atoi(argv[1]) : 101;
  const DWORD start = GetTickCount(), kGiveUpMs = 300000;
  HWND form = nullptr;
  while (!(form = FindWindowW(L"RinominaForm1", nullptr)) && GetTickCount() - start < kGiveUpMs)
    Sleep(20);
  if (form == nullptr) return std::puts("watch: no window"), 1;
  bool hung = false, wrong = false;
  int last = -1;  // the last share shown; -1 before the first
  std::wstring titles;
  DWORD closedAt = 0;
  while (IsWindow(form) && IsWindowVisible(form) && GetTickCount() - start < kGiveUpMs) {
    hung = hung || IsHungAppWindow(form);
    wchar_t title[64] = L"";  // read without a message, which a hung window would not answer
    InternalGetWindowText(form, title, 64);
    // The share in "Form1 - 37%"; -1 for "Form1"; -2 for anything else.
    int percent = std::wstring(title) == L"Form1" ? -1 : -2;
    for (int share = 0; share <= 100 && percent == -2; ++share)
      if (title == L"Form1 - " + std::to_wstring(share) + L"%") percent = share;
    wrong = wrong || percent == -2 || percent < last;
    if (percent != last) titles += L" " + std::to_wstring(percent) + L"%";
    last = percent >= 0 ? percent : last;
    if (closedAt == 0 && percent >= closeAt && (closedAt = GetTickCount()))
      PostMessageW(form, WM_CLOSE, 0, 0);
    Sleep(50);
  }
  std::printf("watch: titles%ls; hung: %s; %lu ms", titles.c_str(), hung ? "yes" : "no",
              GetTickCount() - start);
  if (closedAt != 0)
    std::printf("; closed at %d%%, gone %lu ms later", last, GetTickCount() - closedAt);
  std::puts("");
  return hung || wrong ? 1 : 0;
}

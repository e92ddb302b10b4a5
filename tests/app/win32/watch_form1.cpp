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
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kGiveUpMs = 300000;

// The share in "Form1 - 37%"; -1 for "Form1"; -2 for anything else.
int PercentIn(const std::wstring& title) {
  if (title == L"Form1") return -1;
  int percent = -2;
  const bool share = std::swscanf(title.c_str(), L"Form1 - %d", &percent) == 1 &&
                     title == L"Form1 - " + std::to_wstring(percent) + L"%";
  return share ? percent : -2;
}

}  // namespace

int main(int argc, char** argv) {
  const int closeAt = argc > 1 ? std::atoi(argv[1]) : 101;
  const DWORD start = GetTickCount();
  HWND form = nullptr;
  while (!(form = FindWindowW(L"RinominaForm1", nullptr)) && GetTickCount() - start < kGiveUpMs)
    Sleep(20);
  if (form == nullptr) return std::puts("watch: no window"), 1;
  bool hung = false, wrong = false;
  int last = -1;
  std::wstring titles;
  DWORD closedAt = 0;
  while (IsWindow(form) && IsWindowVisible(form) && GetTickCount() - start < kGiveUpMs) {
    hung = hung || IsHungAppWindow(form);
    wchar_t title[64] = L"";  // read without a message, which a hung window would not answer
    InternalGetWindowText(form, title, 64);
    const int percent = PercentIn(title);
    if (percent == -2 || percent < last) wrong = true;
    if (percent != last) titles += L" " + std::to_wstring(percent) + L"%";
    last = percent >= 0 ? percent : last;
    if (closedAt == 0 && percent >= closeAt) {
      closedAt = GetTickCount();
      PostMessageW(form, WM_CLOSE, 0, 0);
    }
    Sleep(50);
  }
  std::printf("watch: titles%ls; hung: %s; %lu ms", titles.c_str(), hung ? "yes" : "no",
              static_cast<unsigned long>(GetTickCount() - start));
  if (closedAt != 0) {
    std::printf("; closed at %d%%, gone %lu ms later", last,
                static_cast<unsigned long>(GetTickCount() - closedAt));
  }
  std::puts("");
  return hung || wrong ? 1 : 0;
}

// What depends on the screen's dots per inch: the window's dpi, its frame,
// and the fonts of the controls. Newer Windows calls are looked up at run
// time so the program still starts on Windows 7.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace rinomina::win32 {

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

struct Fonts {
  Font label;    // the labels' own font
  Font control;  // Windows' default GUI font, for every other control
};

// The fonts at `dpi`. A font Windows cannot make is null, which leaves the
// control with the system font.
Fonts MakeFonts(int dpi);

// The dpi of the monitor the window is on, or the system's.
int WindowDpi(HWND window);

// Grows a client rectangle to the window rectangle at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace rinomina::win32

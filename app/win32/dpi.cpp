#include "dpi.hpp"

#include "form1.hpp"
#include "win32_optional_function.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

// The address of a user32 function that older Windows may lack, or null.
template <typename Function>
Function User32Function(const char* name) {
  return OptionalFunction<Function>(L"user32.dll", name);
}

int SystemDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

Font LabelFont(int dpi) {
  const form1::FontDescription& font = form1::kLabelFont;
  constexpr int kTenThousandthsPerInch = 72 * 10000;
  // Copied without allocating: this also runs inside the window procedure.
  wchar_t face[LF_FACESIZE] = {};
  AsWide(font.face).copy(face, LF_FACESIZE - 1);
  return Font(CreateFontW(-MulDiv(font.tenThousandthsOfPoint, dpi, kTenThousandthsPerInch), 0, 0, 0,
                          font.weight, FALSE, FALSE, FALSE, static_cast<BYTE>(font.charset),
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, face));
}

// DEFAULT_GUI_FONT is made for the system dpi; a monitor with another dpi
// gets a copy scaled to it.
Font ControlFont(int dpi) {
  LOGFONTW font;
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) != sizeof font) return {};
  font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
  return Font(CreateFontIndirectW(&font));
}

}  // namespace

Fonts MakeFonts(int dpi) { return {LabelFont(dpi), ControlFont(dpi)}; }

int WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  using AdjustFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustFunction>("AdjustWindowRectExForDpi");
  if (adjustForDpi != nullptr && adjustForDpi(&rect, style, FALSE, exStyle, dpi)) return;
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

}  // namespace rinomina::win32

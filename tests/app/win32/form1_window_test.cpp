// Form1 as Windows builds it: the controls of form1.hpp in their places at the
// screen's dpi, the keyboard, and closing by hand.
#include "form1_window.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

// A press ends the program with status 1, which Pump would return.
int Press(HWND, HWND, HWND) noexcept { return 1; }

// Handles what is queued as RunForm1 does; the status of WM_QUIT if it came.
std::optional<int> Pump(HWND form) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    if (IsWindow(form) && IsDialogMessageW(form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return std::nullopt;
}

TEST(Form1WindowTest, BuiltAtTheScreensDpiThenWorkedByKeyboardAndClosedByHand) {
  const HWND form = CreateForm1(GetModuleHandleW(nullptr), Press);
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const auto pixels = [dpi](int twips) { return LONG{form1::TwipsToPixels(twips, dpi)}; };
  const wchar_t* const classes[] = {L"ListBox", L"Edit", L"Static", L"Button"};  // by ControlKind
  // Label3 holds the description before the window shows.
  std::wstring description(AsWide(form1::kDescriptionLine1));
  description.append(AsWide(form1::kLineBreak)).append(AsWide(form1::kDescriptionLine2));
  for (const form1::ControlDescription& expected : form1::kControls) {
    SCOPED_TRACE(std::string(expected.name));
    const HWND window = Form1Control(form, expected.name);
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    EXPECT_EQ(_wcsicmp(className, classes[static_cast<int>(expected.kind)]), 0) << className;
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(
        (std::array{place.left, place.top, place.right - place.left, place.bottom - place.top}),
        (std::array{pixels(expected.left), pixels(expected.top), pixels(expected.width),
                    pixels(expected.height)}));
    EXPECT_EQ(WindowText(window),
              expected.name == "Label3" ? description : std::wstring(AsWide(expected.initialText)));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    if (expected.usesLabelFont) {
      EXPECT_STREQ(font.lfFaceName, std::wstring(AsWide(form1::kLabelFont.face)).c_str());
      EXPECT_EQ(font.lfHeight, -MulDiv(form1::kLabelFont.tenThousandthsOfPoint, dpi, 720000));
    }
  }
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, pixels(form1::kClientWidth));
  EXPECT_EQ(client.bottom, pixels(form1::kClientHeight));
  EXPECT_EQ(WindowText(form), std::wstring(AsWide(form1::kTitle)));

  // Shown, the focus starts in Text1 and Tab goes Text1, Text2, Command1. Command1
  // is neither the default nor the cancel button: Enter and Escape in a text
  // box do nothing. Closing by hand ends with status 0.
  ShowWindow(form, SW_SHOW);
  Pump(form);
  EXPECT_EQ(GetFocus(), Form1Control(form, "Text1"));
  const std::pair<WPARAM, const char*> steps[] = {
      {VK_RETURN, "Text1"}, {VK_ESCAPE, "Text1"}, {VK_TAB, "Text2"}, {VK_RETURN, "Text2"},
      {VK_ESCAPE, "Text2"}, {VK_TAB, "Command1"}, {VK_TAB, "Text1"},
  };
  for (const auto& [key, focus] : steps) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);  // as the keyboard sends it
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    EXPECT_EQ(Pump(form), std::nullopt) << "key " << key;
    EXPECT_EQ(GetFocus(), Form1Control(form, focus)) << "key " << key << ", then " << focus;
  }
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(form), 0);
}

}  // namespace
}  // namespace rinomina::win32

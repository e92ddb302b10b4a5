// Form1 as Windows builds it: its controls and their places at the screen's
// dpi, the fonts, the tab chain, and which keys and clicks press Command1.
#include "form1_window.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

using form1::ControlKind;

struct Presses {
  int count = 0;
  std::wstring search;
  std::wstring replacement;
};
Presses presses;  // the handler is a plain function

constexpr int kPressStatus = 7;

int RecordPress(HWND, HWND text1, HWND text2) noexcept {
  ++presses.count;
  presses.search = WindowText(text1);
  presses.replacement = WindowText(text2);
  return kPressStatus;
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

const wchar_t* ClassName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kListBox:
      return L"ListBox";
    case ControlKind::kTextBox:
      return L"Edit";
    case ControlKind::kPushButton:
      return L"Button";
    case ControlKind::kLabel:
      break;
  }
  return L"Static";
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  EXPECT_NE(handle, nullptr);
  GetObjectW(handle, sizeof font, &font);
  return font;
}

class Form1WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    presses = {};
    form_ = CreateForm1(GetModuleHandleW(nullptr), RecordPress);
  }
  void TearDown() override {
    if (IsWindow(form_)) DestroyWindow(form_);
    Pump();  // the WM_QUIT of this window must not reach the next test
  }

  HWND Control(std::string_view name) const { return Form1Control(form_, name); }

  // Handles what is queued as the program's message loop does; the status
  // of WM_QUIT if it came.
  std::optional<int> Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      if (IsWindow(form_) && IsDialogMessageW(form_, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    return std::nullopt;
  }

  // A key as the user's keyboard would send it to the focused control.
  void PressKey(HWND target, WPARAM key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  }

  HWND form_ = nullptr;
};

TEST_F(Form1WindowTest, ControlsAreRealWin32ControlsInTheirPlaces) {
  const int dpi = ScreenDpi();
  for (const form1::ControlDescription& description : form1::kControls) {
    SCOPED_TRACE(std::string(description.name));
    const HWND control = Control(description.name);
    ASSERT_NE(control, nullptr);
    wchar_t className[32];
    GetClassNameW(control, className, 32);
    EXPECT_EQ(_wcsicmp(className, ClassName(description.kind)), 0) << className;
    EXPECT_TRUE(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE);

    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, form1::TwipsToPixels(description.left, dpi));
    EXPECT_EQ(place.top, form1::TwipsToPixels(description.top, dpi));
    EXPECT_EQ(place.right - place.left, form1::TwipsToPixels(description.width, dpi));
    EXPECT_EQ(place.bottom - place.top, form1::TwipsToPixels(description.height, dpi));
    if (description.name != "Label3") {
      EXPECT_EQ(AsUtf16(WindowText(control)), description.initialText);
    }
  }
  EXPECT_EQ(SendMessageW(Control("List1"), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Form1WindowTest, WindowHasItsTitleClientAreaAndSizableFrame) {
  const int dpi = ScreenDpi();
  RECT client;
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, form1::TwipsToPixels(form1::kClientWidth, dpi));
  EXPECT_EQ(client.bottom, form1::TwipsToPixels(form1::kClientHeight, dpi));
  if (dpi == USER_DEFAULT_SCREEN_DPI) {
    EXPECT_EQ(client.right, 448);
    EXPECT_EQ(client.bottom, 203);
  }
  EXPECT_EQ(AsUtf16(WindowText(form_)), form1::kTitle);
  const LONG style = GetWindowLongW(form_, GWL_STYLE);
  for (const LONG part : {WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX}) {
    EXPECT_EQ(style & part, part);
  }
}

TEST_F(Form1WindowTest, Label3HoldsTheDescriptionBeforeTheWindowShows) {
  EXPECT_FALSE(IsWindowVisible(form_));
  std::u16string description(form1::kDescriptionLine1);
  description += form1::kLineBreak;
  description += form1::kDescriptionLine2;
  EXPECT_EQ(AsUtf16(WindowText(Control("Label3"))), description);
}

TEST_F(Form1WindowTest, LabelsUseTheirFontAndOtherControlsTheDefaultGuiFont) {
  LOGFONTW guiFont;
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof guiFont, &guiFont);
  const int labelHeight = -MulDiv(form1::kLabelFont.tenThousandthsOfPoint, ScreenDpi(), 720000);
  for (const form1::ControlDescription& description : form1::kControls) {
    SCOPED_TRACE(std::string(description.name));
    const LOGFONTW font = FontOf(Control(description.name));
    if (description.usesLabelFont) {
      EXPECT_EQ(AsUtf16(font.lfFaceName), form1::kLabelFont.face);
      EXPECT_EQ(font.lfHeight, labelHeight);
      EXPECT_EQ(font.lfWeight, form1::kLabelFont.weight);
      EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    } else {
      EXPECT_STREQ(font.lfFaceName, guiFont.lfFaceName);
      EXPECT_EQ(font.lfHeight, guiFont.lfHeight);
    }
  }
}

// Moving to a monitor of another dpi: Windows suggests the new frame, the
// controls and fonts follow.
TEST_F(Form1WindowTest, ControlsAndFontsFollowTheDpiOfANewMonitor) {
  constexpr int kNewDpi = 144;
  RECT suggested{10, 20, 700, 400};
  SendMessageW(form_, WM_DPICHANGED, MAKEWPARAM(kNewDpi, kNewDpi),
               reinterpret_cast<LPARAM>(&suggested));
  RECT frame;
  GetWindowRect(form_, &frame);
  EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
  for (const form1::ControlDescription& description : form1::kControls) {
    SCOPED_TRACE(std::string(description.name));
    const HWND control = Control(description.name);
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, form1::TwipsToPixels(description.left, kNewDpi));
    EXPECT_EQ(place.bottom - place.top, form1::TwipsToPixels(description.height, kNewDpi));
    if (description.usesLabelFont) {
      EXPECT_EQ(FontOf(control).lfHeight,
                -MulDiv(form1::kLabelFont.tenThousandthsOfPoint, kNewDpi, 720000));
    }
  }
}

TEST_F(Form1WindowTest, FocusStartsInText1AndTabSkipsList1AndLabels) {
  ShowWindow(form_, SW_SHOW);
  Pump();
  EXPECT_EQ(GetFocus(), Control("Text1"));
  EXPECT_FALSE(GetWindowLongW(Control("List1"), GWL_STYLE) & WS_TABSTOP);

  const std::string_view chain[] = {"Text1", "Text2", "Command1", "Text1"};
  for (std::size_t i = 0; i + 1 < std::size(chain); ++i) {
    PressKey(GetFocus(), VK_TAB);
    Pump();
    EXPECT_EQ(GetFocus(), Control(chain[i + 1])) << "after Tab from " << chain[i];
  }
}

TEST_F(Form1WindowTest, ClickingCommand1RunsThePassOnceWithBothTextsAndEndsTheProgram) {
  ShowWindow(form_, SW_SHOW);
  SetWindowTextW(Control("Text1"), L"01");
  SetWindowTextW(Control("Text2"), L"\u00E8 \U0001F600");
  SendMessageW(Control("Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(presses.count, 1);
  EXPECT_EQ(presses.search, L"01");
  EXPECT_EQ(presses.replacement, L"\u00E8 \U0001F600");
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_EQ(Pump(), kPressStatus);
}

// Command1 is neither the default nor the cancel button.
TEST_F(Form1WindowTest, EnterAndEscapeInATextBoxDoNotPressCommand1) {
  ShowWindow(form_, SW_SHOW);
  Pump();
  for (const char* box : {"Text1", "Text2"}) {
    SetFocus(Control(box));
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) PressKey(Control(box), key);
    EXPECT_EQ(Pump(), std::nullopt) << box;
  }
  EXPECT_EQ(presses.count, 0);
  EXPECT_TRUE(IsWindow(form_));
}

TEST_F(Form1WindowTest, SpaceOrEnterOnAFocusedCommand1PressesIt) {
  for (const WPARAM key : {VK_SPACE, VK_RETURN}) {
    SCOPED_TRACE(key == VK_SPACE ? "Space" : "Enter");
    if (!IsWindow(form_)) form_ = CreateForm1(GetModuleHandleW(nullptr), RecordPress);
    presses = {};
    ShowWindow(form_, SW_SHOW);
    Pump();
    SetFocus(Control("Command1"));
    PressKey(Control("Command1"), key);
    EXPECT_EQ(Pump(), kPressStatus);
    EXPECT_EQ(presses.count, 1);
  }
}

TEST_F(Form1WindowTest, ClosingByHandEndsWithoutAPass) {
  ShowWindow(form_, SW_SHOW);
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_EQ(Pump(), 0);
  EXPECT_EQ(presses.count, 0);
}

}  // namespace
}  // namespace rinomina::win32

// Form1 as Windows builds it, against the window it must be at 96 dpi,
// written out here: form1.hpp is what is under test. Then the keyboard, the
// press and closing by hand.
#include "form1_window.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <tuple>

#include "dpi.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

constexpr wchar_t kDescription[] =
    L"Ricopia tutti i files della cartella 'Originali' nella cartella 'Modificati'\r\nModifica il "
    L"nome dei file ricopiati sostituendo il testo indicato nella prima casella con quello "
    L"indicato nella seconda casella.";

// Name, class, left, top, right and bottom in client pixels, and text, in
// z-order: MSAA names an edit box after the nearest static control before it.
const std::tuple<const char*, const wchar_t*, std::array<LONG, 4>, const wchar_t*> kExpected[] = {
    {"List1", L"ListBox", {312, 176, 369, 219}, L""},
    {"Label1", L"Static", {8, 88, 225, 105}, L"Inserire il testo da sostituire"},
    {"Text1", L"Edit", {288, 88, 401, 113}, L""},
    {"Label2", L"Static", {8, 120, 233, 137}, L"Inserire il testo nuovo"},
    {"Text2", L"Edit", {288, 120, 401, 145}, L""},
    {"Command1", L"Button", {88, 152, 201, 177}, L"Esegui"},
    {"Label3", L"Static", {8, 0, 433, 49}, kDescription},
};

// A press ends the program with status 1 if the busy cursor is on, else 2.
int Press(HWND, HWND, HWND) noexcept {
  return GetCursor() == LoadCursorW(nullptr, IDC_WAIT) ? 1 : 2;
}

// Handles what is queued as RunForm1 does; the status of WM_QUIT if it came.
std::optional<int> Pump(HWND form) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    if (!IsWindow(form) || !IsDialogMessageW(form, &message)) DispatchMessageW(&message);
  }
  return std::nullopt;
}

// A key pressed and released on the focused control, as the keyboard sends it.
std::optional<int> Key(HWND form, WPARAM key) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
  return Pump(form);
}

TEST(Form1WindowTest, BuiltAsDrawnThenWorkedByKeyboardAndClosedByHand) {
  const HWND form = CreateForm1(GetModuleHandleW(nullptr), Press);
  ASSERT_EQ(WindowDpi(form), 96) << "the pixels expected are for 96 dpi";
  EXPECT_EQ(WindowText(form), L"Form1");
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ((std::array{client.right, client.bottom}), (std::array<LONG, 2>{448, 203}));
  HWND next = GetWindow(form, GW_CHILD);
  for (const auto& [name, className, rectangle, text] : kExpected) {
    SCOPED_TRACE(name);
    const HWND window = Form1Control(form, name);
    EXPECT_EQ(window, next);
    next = GetWindow(next, GW_HWNDNEXT);
    wchar_t actualClass[16] = L"";
    GetClassNameW(window, actualClass, 16);
    EXPECT_EQ(_wcsicmp(actualClass, className), 0) << actualClass;
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ((std::array{place.left, place.top, place.right, place.bottom}), rectangle);
    EXPECT_EQ(WindowText(window), text);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    if (std::wstring_view(className) == L"Static") {  // the labels' own font
      EXPECT_EQ(std::tuple(std::wstring(font.lfFaceName), font.lfHeight, font.lfWeight),
                std::tuple(std::wstring(L"MS Sans Serif"), -13L, 400L));
    }
  }
  EXPECT_EQ(next, nullptr);

  // Shown, the focus starts in Text1 and Tab goes Text1, Text2, Command1.
  // Command1 is neither the default nor the cancel button: Enter and Escape
  // in a text box do nothing; Enter on the focused button presses it, with
  // the busy cursor on while the pass runs.
  ShowWindow(form, SW_SHOW);
  Pump(form);
  EXPECT_EQ(GetFocus(), Form1Control(form, "Text1"));
  const std::pair<WPARAM, const char*> steps[] = {
      {VK_RETURN, "Text1"}, {VK_ESCAPE, "Text1"}, {VK_TAB, "Text2"},
      {VK_RETURN, "Text2"}, {VK_ESCAPE, "Text2"}, {VK_TAB, "Command1"},
      {VK_TAB, "Text1"},    {VK_TAB, "Text2"},    {VK_TAB, "Command1"},
  };
  for (const auto& [key, focus] : steps) {
    EXPECT_EQ(Key(form, key), std::nullopt) << "key " << key;
    EXPECT_EQ(GetFocus(), Form1Control(form, focus)) << "key " << key << ", then " << focus;
  }
  EXPECT_EQ(Key(form, VK_RETURN), 1);

  // Closed by hand, the program ends with status 0.
  const HWND other = CreateForm1(GetModuleHandleW(nullptr), Press);
  PostMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(other), 0);
}

}  // namespace
}  // namespace rinomina::win32

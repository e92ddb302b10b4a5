// Form1 as Windows builds it at 96 dpi, against form1.hpp. Then the keyboard,
// the press and closing by hand; the text helpers the window uses.
#include "form1_window.hpp"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <tuple>

#include "dpi.hpp"
#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

// Name and class in z-order: MSAA names an edit box after the nearest static
// control before it. Each control's place, text and font are form1.hpp's,
// whose values the Qt window's tests hold against the window as designed.
const std::pair<const char*, const wchar_t*> kZOrder[] = {
    {"List1", L"ListBox"}, {"Label1", L"Static"},   {"Text1", L"Edit"},   {"Label2", L"Static"},
    {"Text2", L"Edit"},    {"Command1", L"Button"}, {"Label3", L"Static"}};

std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }
int Pixels(int twips) { return form1::TwipsToPixels(twips, 96); }

// The texts the last pass was given, and how many passes started.
std::wstring passTexts;
int passes = 0;
volatile LONG stopMayEnd = 0;  // set by the test: a stopping pass holds on till then (5 s at most)

// A pass that has done 37 % and goes on until it is asked to stop, 20 s at
// most, so that a window running it on its own thread fails, not hangs; then
// it takes as long as the test wants (5 s at most), as a slow flush would.
std::optional<std::wstring> LongPass(const std::wstring& search, const std::wstring& replacement,
                                     PassMonitor& monitor) noexcept {
  passTexts = search + L"|" + replacement;
  ++passes;
  monitor.SetBytesInAll(200);
  monitor.AddBytesDone(74);
  for (int i = 0; i < 4000 && !monitor.StopRequested(); ++i) Sleep(5);
  if (!monitor.StopRequested()) return L"never stopped";
  for (const DWORD start = GetTickCount(); !stopMayEnd && GetTickCount() - start < 5000;) Sleep(5);
  return L"Copia interrotta.";
}

std::optional<std::wstring> FailingPass(const std::wstring&, const std::wstring&,
                                        PassMonitor&) noexcept {
  return L"Impossibile copiare \"a_01\".";
}

// Handles what is queued as RunForm1 does, for `milliseconds` or until
// WM_QUIT; the status of WM_QUIT if it came.
std::optional<int> Pump(HWND form, DWORD milliseconds = 0) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      if (PreTranslateForm1Message(form, message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(1);
  } while (GetTickCount() - start < milliseconds);
  return std::nullopt;
}

// A click on Command1, as the button reports it.
void ClickCommand1(HWND form) {
  const HWND button = Form1Control(form, "Command1");
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

// A key pressed and released on the focused control, as the keyboard sends it.
std::optional<int> Key(HWND form, WPARAM key) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
  return Pump(form);
}

// What the error box met, seen from a timer that runs inside its own loop:
// a close request for the window under it is sent, then the box is closed.
// Its text, whether the cursor is the arrow, the window's title.
using BoxSeen = std::tuple<std::wstring, bool, std::wstring>;
std::optional<BoxSeen> boxSeen;
HWND boxOwner = nullptr;

void CALLBACK CloseErrorBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Errore");
  if (box == nullptr || boxSeen) return;
  wchar_t text[256] = L"";
  GetDlgItemTextW(box, 0xFFFF, text, 256);  // the static control of a message box
  boxSeen = BoxSeen{text, GetCursor() == LoadCursorW(nullptr, IDC_ARROW), WindowText(boxOwner)};
  PostMessageW(boxOwner, WM_CLOSE, 0, 0);  // must not end the program with 0
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Pump, with CloseErrorBox watching for the error box.
std::optional<int> PumpWatchingForTheBox(HWND form, DWORD milliseconds) {
  boxOwner = form;
  boxSeen.reset();
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseErrorBox);
  const std::optional<int> status = Pump(form, milliseconds);
  KillTimer(nullptr, timer);
  return status;
}

TEST(Form1WindowTest, BuiltAsDrawnThenWorkedByKeyboardAndClosedByHand) {
  const HWND form = CreateForm1(GetModuleHandleW(nullptr), LongPass);
  ASSERT_EQ(WindowDpi(form), 96) << "the pixels expected are for 96 dpi";
  EXPECT_EQ(WindowText(form), Wide(form1::kTitle));
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ((std::array{client.right, client.bottom}),
            (std::array<LONG, 2>{Pixels(form1::kClientWidth), Pixels(form1::kClientHeight)}));
  HWND next = GetWindow(form, GW_CHILD);
  for (const auto& [name, className] : kZOrder) {
    SCOPED_TRACE(name);
    const form1::ControlDescription& expected = form1::Control(name);
    const HWND window = Form1Control(form, name);
    EXPECT_EQ(window, next);
    next = GetWindow(next, GW_HWNDNEXT);
    wchar_t actualClass[16] = L"";
    GetClassNameW(window, actualClass, 16);
    EXPECT_EQ(_wcsicmp(actualClass, className), 0) << actualClass;
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    const int left = Pixels(expected.left), top = Pixels(expected.top);
    EXPECT_EQ((std::array{place.left, place.top, place.right, place.bottom}),
              (std::array<LONG, 4>{left, top, left + Pixels(expected.width),
                                   top + Pixels(expected.height)}));
    EXPECT_EQ(WindowText(window),
              name == std::string_view("Label3")
                  ? Wide(form1::kDescriptionLine1) + L"\r\n" + Wide(form1::kDescriptionLine2)
                  : Wide(expected.initialText));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    if (expected.usesLabelFont) {  // 9.75 points at 96 dpi
      EXPECT_EQ(std::tuple(std::wstring(font.lfFaceName), font.lfHeight, font.lfWeight),
                std::tuple(Wide(form1::kLabelFont.face), -13L, LONG{form1::kLabelFont.weight}));
    }
  }
  EXPECT_EQ(next, nullptr);

  // Shown, the focus starts in Text1 and Tab goes Text1, Text2, Command1.
  // Command1 is neither the default nor the cancel button: Enter and Escape
  // in a text box do nothing; Enter on the focused button presses it.
  ShowWindow(form, SW_SHOW);
  Pump(form);
  EXPECT_EQ(GetFocus(), Form1Control(form, "Text1"));
  SetWindowTextW(Form1Control(form, "Text1"), L"01");
  SetWindowTextW(Form1Control(form, "Text2"), L"02");
  const std::pair<WPARAM, const char*> steps[] = {
      {VK_RETURN, "Text1"}, {VK_ESCAPE, "Text1"}, {VK_TAB, "Text2"},
      {VK_RETURN, "Text2"}, {VK_ESCAPE, "Text2"}, {VK_TAB, "Command1"},
      {VK_TAB, "Text1"},    {VK_TAB, "Text2"},    {VK_TAB, "Command1"},
  };
  for (const auto& [key, focus] : steps) {
    EXPECT_EQ(Key(form, key), std::nullopt) << "key " << key;
    EXPECT_EQ(GetFocus(), Form1Control(form, focus)) << "key " << key << ", then " << focus;
  }
  EXPECT_EQ(Key(form, VK_RETURN), std::nullopt);

  // The pass runs, and the window answers: a busy cursor, the share done in
  // the title, the boxes and the button greyed, keys that change nothing,
  // and a second press, as the button reports it and as a screen reader's
  // default action sends it (BM_CLICK), that starts no second pass.
  EXPECT_EQ(Pump(form, 400), std::nullopt);
  EXPECT_EQ(passTexts, L"01|02");
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(WindowText(form), L"Form1 - 37%");
  for (const char* name : {"Text1", "Text2", "Command1"})
    EXPECT_FALSE(IsWindowEnabled(Form1Control(form, name))) << name;
  for (const WPARAM key : {WPARAM{VK_TAB}, WPARAM{VK_RETURN}, WPARAM{'X'}}) Key(form, key);
  ClickCommand1(form);
  SendMessageW(Form1Control(form, "Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(Pump(form, 100), std::nullopt);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(WindowText(Form1Control(form, "Text1")), L"01");

  // Closed during the pass, it leaves the screen at once, while the pass is
  // still stopping; then it ends with 1, with no box.
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(form, 100), std::nullopt);
  EXPECT_FALSE(IsWindowVisible(form));
  stopMayEnd = 1;
  EXPECT_EQ(PumpWatchingForTheBox(form, 3000), 1);
  EXPECT_FALSE(boxSeen);

  // Closed by hand before any press, the program ends with status 0.
  const HWND other = CreateForm1(GetModuleHandleW(nullptr), LongPass);
  PostMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(other), 0);
}

// A failed pass shows its error box with the arrow cursor and the plain
// title; a close request made under the box still ends the program with 1.
TEST(Form1WindowTest, AFailedPassIsReportedThenEndsWithOne) {
  const HWND form = CreateForm1(GetModuleHandleW(nullptr), FailingPass);
  ShowWindow(form, SW_SHOW);
  ClickCommand1(form);
  EXPECT_EQ(PumpWatchingForTheBox(form, 5000), 1);
  EXPECT_EQ(boxSeen, BoxSeen(L"Impossibile copiare \"a_01\".", true, L"Form1"));
}

TEST(Win32TextTest, FolderOfKeepsAllBeforeTheLastBackslashMessagesBecomeUtf16) {
  const std::pair<std::wstring_view, std::wstring_view> cases[] = {
      {L"C:\\Programmi\\Rinomina\\rinomina.exe", L"C:\\Programmi\\Rinomina"},
      {L"C:\\rinomina.exe", L"C:"},  // "C:" + "\\Originali" is the root's folder
      {L"\\\\server\\share\\rinomina.exe", L"\\\\server\\share"},
      {L"\\\\?\\C:\\a\\rinomina.exe", L"\\\\?\\C:\\a"},
      {L"rinomina.exe", L""}};
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << std::wstring(path);
  // Broken bytes do not stop a message.
  EXPECT_EQ(WideFromUtf8("perch\xC3\xA9 \xF0\x9F\x98\x80"), L"perch\u00E9 \U0001F600");
  EXPECT_EQ(WideFromUtf8("a\xFF\x62"), L"a\uFFFDb");
}

}  // namespace
}  // namespace rinomina::win32

// Form1 as Windows builds it at 96 dpi, against form1.hpp. Then the keyboard,
// the press, closing by hand and a failed pass; the messages' UTF-8 made
// UTF-16. FolderOf is drive-under-wine's: rinomina.exe run from a folder
// longer than MAX_PATH must find "Originali" there.
#include "form1_window.hpp"

#include <gtest/gtest.h>

#include <utility>

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

std::wstring passes;           // the texts each pass was given, "search|replacement;"
volatile LONG stopMayEnd = 0;  // set by the test: a stopping pass holds on till then

// A pass that has done 37 %. Searching "fail": fails after 0.4 s, the share
// shown by then. Otherwise it goes on until it is asked to stop and the test
// lets it, as a slow flush would hold it; 20 s at most, so that a window
// running it on its own thread fails, not hangs (it then reports a failure
// that was not asked for).
std::optional<std::wstring> Pass(const std::wstring& search, const std::wstring& replacement,
                                 PassMonitor& monitor) noexcept {
  passes += search + L"|" + replacement + L";";
  monitor.SetBytesInAll(200);
  monitor.AddBytesDone(74);
  if (search == L"fail") return Sleep(400), L"Impossibile copiare \"a_01\".";
  const DWORD start = GetTickCount();
  while (!(monitor.StopRequested() && stopMayEnd) && GetTickCount() - start < 20000) Sleep(5);
  return L"Copia interrotta.";
}

// What the error box met, seen from a timer that runs inside its own loop:
// its text, " busy" unless the cursor is the arrow, and the title of the
// window under it, to which a close request is sent (it must not end the
// program with 0) before the box is closed.
std::wstring boxSeen;

void CALLBACK CloseErrorBox(HWND, UINT, UINT_PTR, DWORD) {
  const HWND box = FindWindowW(L"#32770", L"Errore");
  if (box == nullptr || !boxSeen.empty()) return;
  // 0xFFFF: the static control of a message box.
  boxSeen = WindowText(GetDlgItem(box, 0xFFFF)) +
            (GetCursor() == LoadCursorW(nullptr, IDC_ARROW) ? L"" : L" busy") + L" / " +
            WindowText(GetWindow(box, GW_OWNER));
  PostMessageW(GetWindow(box, GW_OWNER), WM_CLOSE, 0, 0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Handles what is queued as RunForm1 does, for `milliseconds` or until
// WM_QUIT; the status of WM_QUIT if it came.
std::optional<int> Pump(HWND form, DWORD milliseconds = 0) {
  MSG message;
  for (const DWORD start = GetTickCount(); GetTickCount() - start <= milliseconds; Sleep(1)) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      if (!PreTranslateForm1Message(form, message))
        TranslateMessage(&message), DispatchMessageW(&message);
    }
  }
  return std::nullopt;
}

// A key pressed and released on the focused control, as the keyboard sends it.
std::optional<int> Key(HWND form, WPARAM key) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
  return Pump(form);
}

TEST(Form1WindowTest, BuiltAsDrawnWorkedByKeyboardClosedByHandOrAfterAFailure) {
  SetTimer(nullptr, 0, 50, CloseErrorBox);  // for as long as the test runs
  const HWND form = CreateForm1(GetModuleHandleW(nullptr), Pass);
  ASSERT_EQ(WindowDpi(form), 96) << "the pixels expected are for 96 dpi";
  RECT place{};
  GetClientRect(form, &place);
  // 15 twips a pixel at 96 dpi.
  EXPECT_EQ((std::array{15 * place.right, 15 * place.bottom}),
            (std::array<LONG, 2>{form1::kClientWidth, form1::kClientHeight}));
  HWND next = GetWindow(form, GW_CHILD);
  for (const auto& [name, className] : kZOrder) {
    SCOPED_TRACE(name);
    const form1::ControlDescription& design = form1::Control(name);
    const HWND window = std::exchange(next, GetWindow(next, GW_HWNDNEXT));
    EXPECT_EQ(window, Form1Control(form, name));
    wchar_t actualClass[16] = L"";
    GetClassNameW(window, actualClass, 16);
    EXPECT_EQ(_wcsicmp(actualClass, className), 0) << actualClass;
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ((std::array{15 * place.left, 15 * place.top, 15 * place.right, 15 * place.bottom}),
              (std::array<LONG, 4>{design.left, design.top, design.left + design.width,
                                   design.top + design.height}));
    EXPECT_EQ(WindowText(window),
              name == std::string_view("Label3")
                  ? Wide(form1::kDescriptionLine1) + L"\r\n" + Wide(form1::kDescriptionLine2)
                  : Wide(design.initialText));
    if (!design.usesLabelFont) continue;
    LOGFONTW font{};  // 9.75 points at 96 dpi
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(std::tuple(std::wstring(font.lfFaceName), font.lfHeight, font.lfWeight),
              std::tuple(Wide(form1::kLabelFont.face), -13L, LONG{form1::kLabelFont.weight}));
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
      {VK_RETURN, "Text1"}, {VK_ESCAPE, "Text1"}, {VK_TAB, "Text2"},    {VK_TAB, "Command1"},
      {VK_TAB, "Text1"},    {VK_TAB, "Text2"},    {VK_TAB, "Command1"}, {VK_RETURN, nullptr}};
  for (const auto& [key, focus] : steps) {
    EXPECT_EQ(Key(form, key), std::nullopt) << "key " << key;
    EXPECT_EQ(GetFocus(), focus ? Form1Control(form, focus) : GetFocus()) << "key " << key;
  }

  // The pass runs, and the window answers: a busy cursor, the share done in
  // the title, the boxes and the button greyed, keys that change nothing,
  // and a second press, as the button reports it, that starts no second
  // pass (a screen reader's BM_CLICK on the greyed button comes to the same).
  EXPECT_EQ(Pump(form, 400), std::nullopt);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(WindowText(form), L"Form1 - 37%");
  for (const char* name : {"Text1", "Text2", "Command1"})
    EXPECT_FALSE(IsWindowEnabled(Form1Control(form, name))) << name;
  for (const WPARAM key : {WPARAM{VK_TAB}, WPARAM{VK_RETURN}, WPARAM{'X'}}) Key(form, key);
  const HWND button = Form1Control(form, "Command1");
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  EXPECT_EQ(Pump(form, 100), std::nullopt);
  EXPECT_EQ(passes, L"01|02;");
  EXPECT_EQ(WindowText(Form1Control(form, "Text1")), L"01");

  // Closed during the pass, it leaves the screen at once, while the pass is
  // still stopping; then it ends with 1, with no box.
  PostMessageW(form, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(form, 100), std::nullopt);
  EXPECT_FALSE(IsWindowVisible(form));
  stopMayEnd = 1;
  EXPECT_EQ(Pump(form, 3000), 1);
  EXPECT_EQ(boxSeen, L"");

  // Closed by hand before any press, the program ends with status 0.
  const HWND other = CreateForm1(GetModuleHandleW(nullptr), Pass);
  PostMessageW(other, WM_CLOSE, 0, 0);
  EXPECT_EQ(Pump(other), 0);

  // A failed pass shows its error box with the arrow cursor and the plain
  // title; a close request made under the box still ends the program with 1.
  const HWND failing = CreateForm1(GetModuleHandleW(nullptr), Pass);
  ShowWindow(failing, SW_SHOW);
  SetWindowTextW(Form1Control(failing, "Text1"), L"fail");
  SendMessageW(Form1Control(failing, "Command1"), BM_CLICK, 0, 0);
  EXPECT_EQ(Pump(failing, 5000), 1);
  EXPECT_EQ(boxSeen, L"Impossibile copiare \"a_01\". / Form1");
  // Broken bytes (a system's message in the ANSI code page) do not stop a message.
  EXPECT_EQ(WideFromUtf8("perch\xC3\xA9 \xF0\x9F\x98\x80"), L"perch\u00E9 \U0001F600");
  EXPECT_EQ(WideFromUtf8("a\xFF\x62"), L"a\uFFFDb");
}

}  // namespace
}  // namespace rinomina::win32

#include "form1_window.hpp"

#include <array>
#include <memory>
#include <string>
#include <system_error>

#include "dpi.hpp"
#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

using form1::ControlKind;
using form1::kControls;

constexpr wchar_t kClassName[] = L"RinominaForm1";
constexpr DWORD kFormStyle = WS_OVERLAPPEDWINDOW;  // sizable border, the usual title bar buttons
constexpr DWORD kFormExStyle = 0;
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which Enter and Escape send
constexpr WORD kIconId = 1;

constexpr std::size_t IndexOf(std::string_view name) {
  return static_cast<std::size_t>(&form1::Control(name) - kControls.data());
}
constexpr std::size_t kText1 = IndexOf("Text1");
constexpr std::size_t kText2 = IndexOf("Text2");
constexpr std::size_t kCommand1 = IndexOf("Command1");
constexpr std::size_t kLabel3 = IndexOf("Label3");

struct Form1 {
  PressHandler onPress = nullptr;
  bool ownedByWindow = false;  // freed with the window once CreateWindowExW succeeded
  bool pressed = false;
  int exitStatus = 0;
  std::array<HWND, kControls.size()> controls{};
  HWND focus = nullptr;  // given back when the window is activated again
  Fonts fonts;
};

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD exStyle;
};

// WS_GROUP on every control: arrow keys never move the focus, only Tab does.
// Only the text boxes and the button are tab stops: List1 is left out of the
// chain, and labels never take the focus.
ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kListBox:
      return {L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
    case ControlKind::kTextBox:
      return {L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::kPushButton:  // neither default nor cancel button
      return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::kLabel:  // wraps its text, clips the rest, no access keys
      break;
  }
  return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
}

// The creation order is the z-order, which sets the tab order (Text1, Text2,
// Command1) and the names screen readers give: MSAA names an edit box after
// the nearest static control before it, so each label comes right before
// the box it names.
constexpr std::array<std::size_t, kControls.size()> kCreationOrder{
    IndexOf("List1"), IndexOf("Label1"),   IndexOf("Text1"),  IndexOf("Label2"),
    IndexOf("Text2"), IndexOf("Command1"), IndexOf("Label3"),
};

void CreateControls(HWND form, HINSTANCE instance, Form1& state) {
  for (const std::size_t i : kCreationOrder) {
    const ControlClass kind = ClassOf(kControls[i].kind);
    const std::wstring text(AsWide(kControls[i].initialText));
    const HWND control = CreateWindowExW(
        kind.exStyle, kind.name, text.c_str(), WS_CHILD | WS_VISIBLE | WS_GROUP | kind.style, 0, 0,
        0, 0, form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), instance,
        nullptr);
    if (control == nullptr) ThrowLastError("CreateWindowExW");
    if (kControls[i].kind == ControlKind::kTextBox) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
    state.controls[i] = control;
  }
  state.focus = state.controls[kText1];
}

// Places the controls and sets their fonts for `dpi`; the old fonts go only
// once no control uses them.
void ApplyDpi(Form1& state, int dpi) {
  Fonts fonts = MakeFonts(dpi);
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const form1::ControlDescription& control = kControls[i];
    MoveWindow(state.controls[i], form1::TwipsToPixels(control.left, dpi),
               form1::TwipsToPixels(control.top, dpi), form1::TwipsToPixels(control.width, dpi),
               form1::TwipsToPixels(control.height, dpi), TRUE);
    const HFONT font = control.usesLabelFont ? fonts.label.get() : fonts.control.get();
    SendMessageW(state.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  state.fonts = std::move(fonts);
}

// The window size whose client area is the form's at `dpi`.
SIZE WindowSize(int dpi) {
  RECT frame{0, 0, form1::TwipsToPixels(form1::kClientWidth, dpi),
             form1::TwipsToPixels(form1::kClientHeight, dpi)};
  AdjustWindowRectForDpi(frame, kFormStyle, kFormExStyle, dpi);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// The load step: the description goes into Label3 before the window shows.
void Load(const Form1& state) {
  std::wstring description(AsWide(form1::kDescriptionLine1));
  description += AsWide(form1::kLineBreak);
  description += AsWide(form1::kDescriptionLine2);
  SetWindowTextW(state.controls[kLabel3], description.c_str());
}

// At most once in the program's life: the window is destroyed right after.
void Press(HWND form, Form1& state) {
  if (state.pressed) return;
  state.pressed = true;
  ShowWindow(form, SW_SHOW);
  // The pass blocks the window: no message is handled until it ends, so the
  // busy cursor stays until the window goes or an error box takes over.
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  state.exitStatus = state.onPress(form, state.controls[kText1], state.controls[kText2]);
  DestroyWindow(form);  // frees `state`
}

void OnCommand(HWND form, Form1& state, WORD id, WORD code) {
  const HWND command1 = state.controls[kCommand1];
  if (id == kFirstControlId + kCommand1 && code == BN_CLICKED) return Press(form, state);
  // IsDialogMessageW turns Enter into IDOK when no button is the default; on a
  // focused button Enter presses it, as in any dialog. Escape (IDCANCEL) and
  // Enter in a text box do nothing.
  if (id == IDOK && GetFocus() == command1) Press(form, state);
}

LRESULT CALLBACK FormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(form, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* state = reinterpret_cast<Form1*>(GetWindowLongPtrW(form, GWLP_USERDATA));
  if (state == nullptr) return DefWindowProcW(form, message, wParam, lParam);

  switch (message) {
    case WM_COMMAND:
      OnCommand(form, *state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(form, focus)) state->focus = focus;
      } else if (!HIWORD(wParam)) {  // not while minimised
        SetFocus(state->focus);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      ApplyDpi(*state, HIWORD(wParam));
      SetWindowPos(form, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(state->exitStatus);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(form, GWLP_USERDATA, 0);
      if (state->ownedByWindow) delete state;
      break;
  }
  return DefWindowProcW(form, message, wParam, lParam);
}

void RegisterFormClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = FormProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId),
                                                      IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    ThrowLastError("RegisterClassExW");
  }
}

}  // namespace

HWND CreateForm1(HINSTANCE instance, PressHandler onPress) {
  RegisterFormClass(instance);
  auto state = std::make_unique<Form1>();
  state->onPress = onPress;
  const std::wstring title(AsWide(form1::kTitle));
  const HWND form = CreateWindowExW(kFormExStyle, kClassName, title.c_str(), kFormStyle,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    nullptr, nullptr, instance, state.get());
  if (form == nullptr) ThrowLastError("CreateWindowExW");
  state->ownedByWindow = true;
  Form1& form1State = *state.release();
  try {
    CreateControls(form, instance, form1State);
    const int dpi = WindowDpi(form);
    ApplyDpi(form1State, dpi);
    const SIZE size = WindowSize(dpi);
    SetWindowPos(form, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Load(form1State);
  } catch (...) {
    DestroyWindow(form);
    throw;
  }
  return form;
}

HWND Form1Control(HWND form, std::string_view name) {
  return GetDlgItem(form, kFirstControlId + static_cast<int>(IndexOf(name)));
}

int RunForm1(HWND form) {
  MSG message;
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) ThrowLastError("GetMessageW");
    if (IsWindow(form) && IsDialogMessageW(form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace rinomina::win32

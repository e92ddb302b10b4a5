#include "form1_window.hpp"

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "dpi.hpp"
#include "form1.hpp"
#include "taskbar_progress.hpp"
#include "win32_optional_function.hpp"
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
constexpr UINT kPassEnded = WM_APP + 1;  // posted by the pass's thread as it ends
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressIntervalMs = 250;  // the title changes about 4 times a second

constexpr std::size_t IndexOf(std::string_view name) {
  return static_cast<std::size_t>(&form1::Control(name) - kControls.data());
}
constexpr std::size_t kText1 = IndexOf("Text1");
constexpr std::size_t kText2 = IndexOf("Text2");
constexpr std::size_t kCommand1 = IndexOf("Command1");
constexpr std::size_t kLabel3 = IndexOf("Label3");

enum class Stage { kIdle, kRunningPass, kReporting, kEnded };

struct Form1 {
  HWND form = nullptr;
  PassFunction pass = nullptr;
  bool ownedByWindow = false;  // freed with the window once CreateWindowExW succeeded
  Stage stage = Stage::kIdle;
  std::array<HWND, kControls.size()> controls{};
  HWND focus = nullptr;  // given back when the window is activated again
  Fonts fonts;
  // The pass: the texts read at the press, what it shares with the window,
  // its thread, and its outcome (written by that thread before it ends).
  std::wstring searchText;
  std::wstring replacementText;
  PassMonitor monitor;
  HANDLE passThread = nullptr;
  std::optional<std::wstring> report;
  std::optional<TaskbarProgress> taskbar;
  bool shutdownBlocked = false;
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

DWORD WINAPI PassThread(void* parameter) {
  Form1& state = *static_cast<Form1*>(parameter);
  state.report = state.pass(state.searchText, state.replacementText, state.monitor);
  PostMessageW(state.form, kPassEnded, 0, 0);
  return 0;
}

// Vista and later tell the user why shutting down should wait; older
// Windows lack the functions.
void BlockShutdown(Form1& state, bool block) {
  static const auto create =
      OptionalFunction<BOOL(WINAPI*)(HWND, LPCWSTR)>(L"user32.dll", "ShutdownBlockReasonCreate");
  static const auto destroy =
      OptionalFunction<BOOL(WINAPI*)(HWND)>(L"user32.dll", "ShutdownBlockReasonDestroy");
  if (block && create) {
    state.shutdownBlocked = create(state.form, L"Copia dei file in corso");
  } else if (!block && state.shutdownBlocked && destroy) {
    destroy(state.form);
    state.shutdownBlocked = false;
  }
}

void ShowProgress(Form1& state) {
  const int percent = PercentDone(state.monitor.Read());
  const std::wstring title(AsWide(form1::ProgressTitle(percent)));
  if (WindowText(state.form) != title) SetWindowTextW(state.form, title.c_str());
  if (state.taskbar) state.taskbar->Show(percent);
}

void WaitForPass(Form1& state) {
  if (state.passThread == nullptr) return;
  WaitForSingleObject(state.passThread, INFINITE);
  CloseHandle(state.passThread);
  state.passThread = nullptr;
}

// Asks a running pass to stop and waits for it: within a chunk of data.
void StopPass(Form1& state) {
  if (state.passThread == nullptr) return;
  state.monitor.RequestStop();
  WaitForPass(state);
}

// The pass has ended: the window goes, after the error box when it failed
// (not when it was stopped by closing the window: the user knows why).
void EndPass(Form1& state) {
  WaitForPass(state);  // the thread has ended or is about to
  KillTimer(state.form, kProgressTimer);
  BlockShutdown(state, false);
  if (state.report && !state.monitor.StopRequested()) {
    state.stage = Stage::kReporting;
    SetWindowTextW(state.form, AsWide(form1::kTitle).data());
    if (state.taskbar) state.taskbar->ShowFailure();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // no longer busy
    MessageBoxW(state.form, state.report->c_str(), AsWide(form1::kFailureTitle).data(),
                MB_ICONERROR | MB_OK);
  } else if (!state.report) {
    ShowProgress(state);
  }
  state.stage = Stage::kEnded;
  DestroyWindow(state.form);  // frees `state`
}

// At most once in the program's life. The texts are read here, once.
void Press(HWND form, Form1& state) {
  if (state.stage != Stage::kIdle) return;
  state.stage = Stage::kRunningPass;
  ShowWindow(form, SW_SHOW);
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // Greyed, the boxes and the button take no input until the window goes
  // (after the pass, or after its error box). The focus moves to the window
  // itself first: keys would still reach a disabled control that kept it.
  SetFocus(form);
  state.focus = form;
  for (const std::size_t i : {kText1, kText2, kCommand1}) EnableWindow(state.controls[i], FALSE);
  try {
    state.searchText = WindowText(state.controls[kText1]);
    state.replacementText = WindowText(state.controls[kText2]);
  } catch (const std::bad_alloc&) {
    state.report = L"Memoria insufficiente per completare la copia.";
    return EndPass(state);
  }
  state.taskbar.emplace(form);
  BlockShutdown(state, true);
  SetTimer(form, kProgressTimer, kProgressIntervalMs, nullptr);
  state.passThread = CreateThread(nullptr, 0, PassThread, &state, 0, nullptr);
  if (state.passThread == nullptr) {
    state.report = AsWide(form1::kUnexpectedFailure);
    EndPass(state);
  }
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
        if (focus != nullptr && IsChild(form, focus) && IsWindowEnabled(focus))
          state->focus = focus;
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
    case kPassEnded:
      EndPass(*state);
      return 0;
    case WM_TIMER:
      if (wParam != kProgressTimer) break;
      ShowProgress(*state);
      return 0;
    case WM_SETCURSOR:
      if (state->stage != Stage::kRunningPass || LOWORD(lParam) != HTCLIENT) break;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));  // over the controls too
      return TRUE;
    case WM_CLOSE:
      // During the pass a close request stops it and the window leaves the
      // screen at once; it is destroyed, and the program ends, once the pass
      // has stopped and flushed its copies. Under the error box it waits for
      // the box.
      if (state->stage == Stage::kRunningPass) {
        state->monitor.RequestStop();
        KillTimer(form, kProgressTimer);
        ShowWindow(form, SW_HIDE);
      }
      if (state->stage == Stage::kRunningPass || state->stage == Stage::kReporting) return 0;
      break;
    case WM_QUERYENDSESSION:
      // Where the user can be told why (Vista and later), shutting down waits.
      return state->stage == Stage::kRunningPass && state->shutdownBlocked ? FALSE : TRUE;
    case WM_ENDSESSION:
      if (wParam) StopPass(*state);  // the session ends anyway: stop cleanly first
      return 0;
    case WM_DESTROY:
      StopPass(*state);
      // 0 after a whole pass or none, 1 after a failed or stopped one.
      PostQuitMessage(state->report ? 1 : 0);
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

HWND CreateForm1(HINSTANCE instance, PassFunction pass) {
  RegisterFormClass(instance);
  auto state = std::make_unique<Form1>();
  state->pass = pass;
  const std::wstring title(AsWide(form1::kTitle));
  const HWND form = CreateWindowExW(kFormExStyle, kClassName, title.c_str(), kFormStyle,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                    nullptr, nullptr, instance, state.get());
  if (form == nullptr) ThrowLastError("CreateWindowExW");
  state->form = form;
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

bool PreTranslateForm1Message(HWND form, MSG& message) {
  return IsWindow(form) && IsDialogMessageW(form, &message);
}

int RunForm1(HWND form) {
  MSG message;
  for (;;) {
    const BOOL result = GetMessageW(&message, nullptr, 0, 0);
    if (result == 0) return static_cast<int>(message.wParam);
    if (result == -1) ThrowLastError("GetMessageW");
    if (PreTranslateForm1Message(form, message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace rinomina::win32

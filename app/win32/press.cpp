#include "press.hpp"

#include <new>
#include <string>

#include "copy_pass.hpp"
#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

// Shows `lead`, then `message` (UTF-8), in the program's error box.
void ShowError(HWND form, std::wstring_view lead, std::string_view message) noexcept {
  std::wstring text;
  try {
    text = lead;
    if (!lead.empty() && !message.empty()) text += L"\r\n\r\n";
    text += WideFromUtf8(message);
  } catch (...) {
    text = L"Memoria insufficiente.";
  }
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));  // the pass has ended: no longer busy
  MessageBoxW(form, text.c_str(), AsWide(form1::kFailureTitle).data(), MB_ICONERROR | MB_OK);
}

}  // namespace

int PressCommand1(HWND form, HWND text1, HWND text2) noexcept {
  try {
    RunCopyPass(ProgramFolder(), AsUtf16(WindowText(text1)), AsUtf16(WindowText(text2)));
    return 0;
  } catch (const CopyPassError& error) {
    ShowError(form, {}, error.what());
  } catch (const std::bad_alloc&) {
    ShowError(form, L"Memoria insufficiente per completare la copia.", {});
  } catch (const std::exception& error) {
    ShowError(form, AsWide(form1::kUnexpectedFailure), error.what());
  } catch (...) {
    ShowError(form, AsWide(form1::kUnexpectedFailure), {});
  }
  return 1;
}

}  // namespace rinomina::win32

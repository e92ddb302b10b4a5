#include "press.hpp"

#include <new>
#include <string>

#include "copy_pass.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

constexpr wchar_t kErrorTitle[] = L"Errore";

void ShowError(HWND form, std::string_view message, std::string_view detail = {}) noexcept {
  std::wstring text;
  try {
    text = WideFromUtf8(message);
    if (!detail.empty()) text += L"\r\n\r\n" + WideFromUtf8(detail);
  } catch (...) {
    text = L"Memoria insufficiente.";
  }
  MessageBoxW(form, text.c_str(), kErrorTitle, MB_ICONERROR | MB_OK);
}

}  // namespace

int PressCommand1(HWND form, HWND text1, HWND text2) noexcept {
  try {
    RunCopyPass(ProgramFolder(), AsUtf16(WindowText(text1)), AsUtf16(WindowText(text2)));
    return 0;
  } catch (const CopyPassError& error) {
    ShowError(form, error.what());
  } catch (const std::bad_alloc&) {
    ShowError(form, "Memoria insufficiente per completare la copia.");
  } catch (const std::exception& error) {
    ShowError(form, "Errore imprevisto durante la copia.", error.what());
  } catch (...) {
    ShowError(form, "Errore imprevisto durante la copia.");
  }
  return 1;
}

}  // namespace rinomina::win32

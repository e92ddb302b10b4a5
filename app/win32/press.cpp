#include "press.hpp"

#include <new>

#include "copy_pass.hpp"
#include "form1.hpp"
#include "win32_text.hpp"

namespace rinomina::win32 {
namespace {

// `lead`, then `message` (UTF-8), as one text for the error box.
std::wstring ReportText(std::wstring_view lead, std::string_view message) noexcept {
  try {
    std::wstring text(lead);
    if (!lead.empty() && !message.empty()) text += L"\r\n\r\n";
    return text + WideFromUtf8(message);
  } catch (...) {
    return L"Memoria insufficiente.";
  }
}

}  // namespace

std::optional<std::wstring> RunPass(const std::wstring& searchText,
                                    const std::wstring& replacementText,
                                    PassMonitor& monitor) noexcept {
  try {
    RunCopyPass(ProgramFolder(), AsUtf16(searchText), AsUtf16(replacementText), &monitor);
    return std::nullopt;
  } catch (const CopyPassError& error) {
    return ReportText({}, error.what());
  } catch (const std::bad_alloc&) {
    return ReportText(L"Memoria insufficiente per completare la copia.", {});
  } catch (const std::exception& error) {
    return ReportText(AsWide(form1::kUnexpectedFailure), error.what());
  } catch (...) {
    return ReportText(AsWide(form1::kUnexpectedFailure), {});
  }
}

}  // namespace rinomina::win32

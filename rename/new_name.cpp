#include "new_name.hpp"

#include <algorithm>
#include <array>
#include <optional>

#include "messages.hpp"

namespace rinomina {
namespace {

#ifdef _WIN32
constexpr std::u16string_view kSeparators = u"/\\";

bool IsForbiddenOnWindows(char16_t unit) {
  return unit < 32 || std::u16string_view(u"<>:\"|?*").find(unit) != std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t unit) { return unit >= u'a' && unit <= u'z' ? unit - 32 : unit; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// CON, NUL, COM1, LPT9, CONIN$, ... name a device whatever extension follows
// them, and Windows ignores trailing dots and spaces before that test. COM
// and LPT take a digit 0 to 9 or a superscript 1, 2 or 3.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view stem = name.substr(0, name.find(u'.'));
  while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
  static constexpr std::array<std::u16string_view, 6> kPlainDevices{u"CON", u"PRN",    u"AUX",
                                                                    u"NUL", u"CONIN$", u"CONOUT$"};
  for (std::u16string_view device : kPlainDevices) {
    if (EqualsIgnoringAsciiCase(stem, device)) return true;
  }
  constexpr std::u16string_view kPortNumbers = u"0123456789\u00B9\u00B2\u00B3";
  if (stem.size() != 4 || kPortNumbers.find(stem[3]) == std::u16string_view::npos) return false;
  return EqualsIgnoringAsciiCase(stem.substr(0, 3), u"COM") ||
         EqualsIgnoringAsciiCase(stem.substr(0, 3), u"LPT");
}

// Windows file systems store at most 255 UTF-16 code units in one name.
constexpr std::size_t kMaxNameLength = 255;
#else
constexpr std::u16string_view kSeparators = u"/";
#endif

// Whether `name` has the form of the program's temporary copies. Windows
// names ignore ASCII case.
bool IsTemporaryName(std::u16string_view name) {
  const auto equals = [](std::u16string_view text, std::string_view ascii) {
    return text.size() == ascii.size() &&
           std::equal(text.begin(), text.end(), ascii.begin(), [](char16_t unit, char letter) {
#ifdef _WIN32
             return AsciiUpper(unit) == AsciiUpper(static_cast<char16_t>(letter));
#else
             return unit == static_cast<char16_t>(letter);
#endif
           });
  };
  const std::size_t least = kTemporaryNamePrefix.size() + kTemporaryNameSuffix.size();
  return name.size() >= least &&
         equals(name.substr(0, kTemporaryNamePrefix.size()), kTemporaryNamePrefix) &&
         equals(name.substr(name.size() - kTemporaryNameSuffix.size()), kTemporaryNameSuffix);
}

// Why `newName` is not one plain file name, or nothing when it is.
std::optional<std::string_view> Unsafety(std::u16string_view newName) {
  if (newName.empty()) return "il nuovo nome è vuoto";
  if (newName == u"." || newName == u"..") return "il nuovo nome indica una cartella";
  if (newName.find_first_of(kSeparators) != std::u16string_view::npos) {
    return "il nuovo nome contiene un separatore di cartelle";
  }
  if (newName.find(u'\0') != std::u16string_view::npos) {
    return "il nuovo nome contiene un carattere nullo";
  }
  if (IsTemporaryName(newName)) return "il nome è riservato ai file temporanei del programma";
#ifdef _WIN32
  if (newName.size() > kMaxNameLength) {
    return "il nuovo nome è troppo lungo (più di 255 caratteri)";
  }
  // ':' would write into an alternate stream of another file.
  if (std::any_of(newName.begin(), newName.end(), IsForbiddenOnWindows)) {
    return "il nuovo nome contiene caratteri non ammessi (< > : \" | ? * o di controllo)";
  }
  if (IsDeviceName(newName)) return "il nuovo nome è riservato a un dispositivo di Windows";
  if (newName.back() == u'.' || newName.back() == u' ') {
    return "il nuovo nome finisce con un punto o uno spazio";
  }
#endif
  return std::nullopt;
}

}  // namespace

void CheckNewName(std::u16string_view sourceName, std::u16string_view newName) {
  if (std::optional<std::string_view> reason = Unsafety(newName)) {
    throw CopyRefused(sourceName, newName, *reason,
                      std::make_error_code(std::errc::invalid_argument));
  }
}

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// Whether a surrogate pair straddles `at`: in a source name the match would
// split it, in a new name the replacement would join halves of two texts.
bool SplitsPair(std::u16string_view name, std::size_t at) {
  return at > 0 && at < name.size() && IsHighSurrogate(name[at - 1]) && IsLowSurrogate(name[at]);
}

}  // namespace

void CheckMatchKeepsCharacters(std::u16string_view sourceName, std::u16string_view searchText,
                               std::u16string_view newName) {
  // Half a character or a pair made at a join both leave a surrogate in the new name.
  if (std::none_of(newName.begin(), newName.end(), IsSurrogate)) return;
  const std::size_t at = sourceName.find(searchText);
  if (at == std::u16string_view::npos) return;
  const std::size_t replacementEnd = newName.size() - (sourceName.size() - at - searchText.size());
  if (SplitsPair(sourceName, at) || SplitsPair(sourceName, at + searchText.size()) ||
      SplitsPair(newName, at) || SplitsPair(newName, replacementEnd)) {
    throw NameNotEncodable(sourceName, newName);
  }
}

}  // namespace rinomina

#include "file_name_text.hpp"

namespace rinomina {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // 0xDC80..0xDCFF stand for bytes 0x80..0xFF
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsEscape(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// Decodes one well-formed UTF-8 sequence at the start of `bytes` (no overlong
// forms, no surrogates, nothing above U+10FFFF). Returns its length, 0 if the
// bytes there are not such a sequence.
std::size_t DecodeSequence(std::string_view bytes, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  std::size_t length;
  char32_t minimum;
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, codePoint = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, codePoint = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!IsContinuation(byte)) return 0;
    codePoint = (codePoint << 6) | (byte & 0x3F);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  if (codePoint < minimum || codePoint > 0x10FFFF || surrogate) return 0;
  return length;
}

void AppendUtf16(std::u16string& text, char32_t codePoint) {
  if (codePoint < 0x10000) {
    text.push_back(static_cast<char16_t>(codePoint));
  } else {
    codePoint -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
  }
}

void AppendUtf8(std::string& bytes, char32_t codePoint) {
  if (codePoint < 0x80) {
    bytes.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    bytes.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    bytes.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    bytes.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Walks `text` code point by code point; a lone surrogate is passed on as is.
template <typename Visit>
void ForEachCodePoint(std::u16string_view text, Visit visit) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      visit(0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00), false);
      ++i;
    } else {
      const bool lone = IsHighSurrogate(unit) || IsLowSurrogate(unit);
      visit(char32_t{unit}, lone);
    }
  }
}

}  // namespace

std::u16string DecodeFileName(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t codePoint;
    std::size_t length = DecodeSequence(bytes, codePoint);
    if (length == 0) {
      codePoint = kEscapeBase + static_cast<unsigned char>(bytes[0]);
      length = 1;
    }
    AppendUtf16(text, codePoint);
    bytes.remove_prefix(length);
  }
  return text;
}

std::optional<std::string> EncodeFileName(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size());
  bool encodable = true;
  ForEachCodePoint(name, [&](char32_t codePoint, bool lone) {
    if (!lone) {
      AppendUtf8(bytes, codePoint);
    } else if (IsEscape(static_cast<char16_t>(codePoint))) {
      bytes.push_back(static_cast<char>(codePoint - kEscapeBase));
    } else {
      encodable = false;
    }
  });
  if (!encodable) return std::nullopt;
  return bytes;
}

bool HasLoneSurrogate(std::u16string_view text) {
  bool found = false;
  ForEachCodePoint(text, [&](char32_t, bool lone) { found = found || lone; });
  return found;
}

std::string DisplayText(std::u16string_view name) {
  std::string text;
  text.reserve(name.size());
  ForEachCodePoint(name, [&](char32_t codePoint, bool lone) {
    AppendUtf8(text, lone || codePoint < 0x20 ? kReplacementCharacter : codePoint);
  });
  return text;
}

}  // namespace rinomina

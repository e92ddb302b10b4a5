// File names between the system's bytes and the core's UTF-16 text.
//
// A POSIX name is bytes, usually UTF-8. Each byte that is not part of valid
// UTF-8 becomes the lone code unit 0xDC00 + byte on the way in and that same
// byte on the way out, so every name survives a round trip unchanged:
//   EncodeFileName(DecodeFileName("caf\xE9")) == "caf\xE9"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rinomina {

std::u16string DecodeFileName(std::string_view bytes);

// std::nullopt when `name` holds a lone surrogate that is not such an escape.
std::optional<std::string> EncodeFileName(std::u16string_view name);

// Whether `text` holds a surrogate without its partner: such a name can be
// stored by Windows but neither typed nor shown.
bool HasLoneSurrogate(std::u16string_view text);

// UTF-8 for showing a name to a person: escapes, lone surrogates and control
// characters (NUL would cut a message short) become U+FFFD.
std::string DisplayText(std::u16string_view name);

}  // namespace rinomina

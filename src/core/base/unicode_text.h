// UTF-8 from the command line into the UTF-16 the settings keep, and UTF-16 into the characters a font draws.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nivora {

// Nothing when `text` is not well-formed UTF-8 (a stray or missing continuation byte, an overlong form, a
// surrogate, a value beyond U+10FFFF).
std::optional<std::u16string> utf16FromUtf8(std::string_view text);

// The characters of a UTF-16 text; half a surrogate pair stands alone as U+FFFD, which no message can hold but a
// stored value might.
std::u32string charactersOf(std::u16string_view text);

}  // namespace nivora

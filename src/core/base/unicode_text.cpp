// Strict UTF-8 decoding and UTF-16 pairs joined into characters.
#include "core/base/unicode_text.h"

#include <cstdint>

#include "core/base/utf16.h"

namespace nivora {

std::optional<std::u16string> utf16FromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length = 0;
        char32_t c = 0;
        char32_t smallest = 0;  // below this the form is overlong
        if (lead < 0x80) {
            length = 1, c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1Fu, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0Fu, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07u, smallest = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < length)
            return std::nullopt;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

std::u32string charactersOf(std::u16string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (isHighSurrogate(u) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            out += static_cast<char32_t>(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (isHighSurrogate(u) || isLowSurrogate(u)) {
            out += U'\uFFFD';
        } else {
            out += u;
        }
    }
    return out;
}

}  // namespace nivora

// The halves of UTF-16 surrogate pairs: texts are cut and letters taken without splitting a character.
#pragma once

namespace nivora {

constexpr bool isHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u <= 0xDBFF;
}

constexpr bool isLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace nivora

// The text forms in which the settings are stored, and the exact decimal number reader behind them (also used
// for the preview handle on the command line). Independent of the C locale: the same text on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nivora {

// A decimal number exactly as written: its value is digits × 10^exponent, with the sign in front. `digits` has
// neither leading nor trailing zeros, so zero is the empty text.
struct DecimalNumber {
    bool negative = false;
    std::string digits;
    int64_t exponent = 0;

    bool isZero() const { return digits.empty(); }
    // Nearest double (halves to even); ±infinity beyond the double range.
    double toDouble() const;
    // Rounded to the nearest integer, halves to even, decided on the exact digits; nothing when it does not fit.
    std::optional<int32_t> roundToInt32() const;
    std::optional<int16_t> roundToInt16() const;
};

// How much of a text a number occupies when it is read from the start.
struct NumberPrefix {
    DecimalNumber number;
    std::size_t length = 0;
};

// Reads a number from the start of `text`: an optional sign, digits with at most one decimal separator ('.' or
// `decimalSeparator`), an optional exponent (E or e, optional sign, digits). Reading stops at the first character
// that cannot continue the number; nothing when the text does not begin with one. No blanks are skipped.
std::optional<NumberPrefix> readNumberPrefix(std::u16string_view text, char16_t decimalSeparator);

// The whole text, blanks around it allowed, read as one number.
std::optional<DecimalNumber> readNumber(std::u16string_view text, char16_t decimalSeparator);

// Blanks around numbers and booleans: space, tab, CR and LF.
bool isBlank(char16_t c);
std::u16string_view trimBlanks(std::u16string_view text);

// Signed 16-bit: decimal digits, "-" in front of negative values.
std::u16string formatInt16(int16_t value);
// Any number; a fraction rounds to the nearest integer, halves to even. Nothing when it is no number or too large.
std::optional<int16_t> readInt16(std::u16string_view text, char16_t decimalSeparator);

// Single: rounded to 7 significant digits, trailing zeros dropped, no decimal point for whole numbers ("6",
// "0.5", "-12.25"); beyond 1e7 or below 1e-5 in exponent form ("1.5E+20", "2E-07"). Values that are not finite
// have no text form and are written as "0".
std::u16string formatSingle(float value, char16_t decimalSeparator);
// Nothing when the text is no number or lies beyond the single range.
std::optional<float> readSingle(std::u16string_view text, char16_t decimalSeparator);

// Boolean: "True" or "False".
std::u16string formatBoolean(bool value);
// "True" or "False" in any letter case, or a number: 0 is False, any other number True.
std::optional<bool> readBoolean(std::u16string_view text, char16_t decimalSeparator);

// Any setting's value in the text form it is stored in; the message is stored as it is.
inline std::u16string formatValue(int16_t value, char16_t)
{
    return formatInt16(value);
}
inline std::u16string formatValue(float value, char16_t decimalSeparator)
{
    return formatSingle(value, decimalSeparator);
}
inline std::u16string formatValue(bool value, char16_t)
{
    return formatBoolean(value);
}
inline std::u16string formatValue(const std::u16string& value, char16_t)
{
    return value;
}

}  // namespace nivora

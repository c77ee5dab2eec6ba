// Text forms of the stored settings. Numbers go through std::to_chars/from_chars, which round exactly and never
// consult the C locale, so Linux and Windows builds read and write the same texts.
#include "core/settings/settings_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace nivora {

namespace {

// Beyond these decimal magnitudes every float and double is infinite or zero; checking first keeps huge exponents
// (from "1e999999999") away from the text we hand to from_chars.
constexpr int64_t kMagnitudeLimit = 400;
// Exponents are saturated while they are read; any value past this is far beyond kMagnitudeLimit already.
constexpr int64_t kExponentSaturation = 1'000'000'000'000;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

std::u16string widen(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

template <class Float>
Float toBinary(const DecimalNumber& number)
{
    const Float sign = number.negative ? Float(-1) : Float(1);
    if (number.isZero())
        return sign * Float(0);
    const int64_t magnitude = number.exponent + static_cast<int64_t>(number.digits.size());
    if (magnitude > kMagnitudeLimit)
        return sign * std::numeric_limits<Float>::infinity();
    if (magnitude < -kMagnitudeLimit)
        return sign * Float(0);

    std::string text = number.digits;
    text += 'e';
    text += std::to_string(number.exponent);
    Float value{};
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return sign * (magnitude > 0 ? std::numeric_limits<Float>::infinity() : Float(0));
    return sign * value;
}

// Exact rounding on the decimal digits: no detour through binary floating point, so "2.5000000000000000001"
// rounds up as it should.
template <class Int>
std::optional<Int> roundDecimal(const DecimalNumber& number)
{
    if (number.isZero())
        return Int(0);
    const int64_t digitCount = static_cast<int64_t>(number.digits.size());
    const int64_t integerLength = digitCount + number.exponent;
    if (integerLength > 18)  // far beyond any Int we round to, and uint64 below cannot overflow
        return std::nullopt;

    uint64_t magnitude = 0;
    for (int64_t k = 0; k < integerLength; ++k) {
        const char digit = k < digitCount ? number.digits[static_cast<std::size_t>(k)] : '0';
        magnitude = magnitude * 10 + static_cast<uint64_t>(digit - '0');
    }

    // With integerLength < 0 the value is below 0.1 and rounds to zero.
    if (integerLength >= 0 && integerLength < digitCount) {
        const char first = number.digits[static_cast<std::size_t>(integerLength)];
        const bool moreAfter = integerLength + 1 < digitCount;  // digits carry no trailing zeros: more is nonzero
        if (first > '5' || (first == '5' && (moreAfter || (magnitude & 1) != 0)))
            ++magnitude;
    }

    const int64_t value = number.negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(value);
}

bool equalsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lowerCase)
{
    if (text.size() != lowerCase.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

}  // namespace

double DecimalNumber::toDouble() const
{
    return toBinary<double>(*this);
}

std::optional<int32_t> DecimalNumber::roundToInt32() const
{
    return roundDecimal<int32_t>(*this);
}

std::optional<int16_t> DecimalNumber::roundToInt16() const
{
    return roundDecimal<int16_t>(*this);
}

std::optional<NumberPrefix> readNumberPrefix(std::u16string_view text, char16_t decimalSeparator)
{
    DecimalNumber number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        number.negative = text[i] == u'-';
        ++i;
    }

    bool anyDigit = false;
    bool inFraction = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isDigit(c)) {
            anyDigit = true;
            if (inFraction)
                --number.exponent;
            if (!(number.digits.empty() && c == u'0'))
                number.digits.push_back(static_cast<char>(c));
        } else if (!inFraction && (c == u'.' || c == decimalSeparator)) {
            inFraction = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    std::size_t length = i;

    // An exponent counts only when digits follow the E; otherwise the number ends before it.
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) {
            negativeExponent = text[j] == u'-';
            ++j;
        }
        int64_t exponent = 0;
        const std::size_t exponentStart = j;
        for (; j < text.size() && isDigit(text[j]); ++j) {
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (text[j] - u'0');
        }
        if (j > exponentStart) {
            number.exponent += negativeExponent ? -exponent : exponent;
            length = j;
        }
    }

    while (!number.digits.empty() && number.digits.back() == '0') {
        number.digits.pop_back();
        ++number.exponent;
    }
    if (number.digits.empty())
        number.exponent = 0;
    return NumberPrefix{std::move(number), length};
}

std::optional<DecimalNumber> readNumber(std::u16string_view text, char16_t decimalSeparator)
{
    const std::u16string_view trimmed = trimBlanks(text);
    auto prefix = readNumberPrefix(trimmed, decimalSeparator);
    if (!prefix || prefix->length != trimmed.size())
        return std::nullopt;
    return std::move(prefix->number);
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view trimBlanks(std::u16string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string formatInt16(int16_t value)
{
    char buffer[8];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return widen(std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

std::optional<int16_t> readInt16(std::u16string_view text, char16_t decimalSeparator)
{
    const auto number = readNumber(text, decimalSeparator);
    if (!number)
        return std::nullopt;
    return number->roundToInt16();
}

std::u16string formatSingle(float value, char16_t decimalSeparator)
{
    if (!std::isfinite(value) || value == 0.0f)
        return u"0";  // also -0: a sign on zero means nothing to a reader

    // "-d.dddddde+XX": seven significant digits, rounded exactly from the float's binary value.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = scientific.front() == '-';
    const std::string_view body = negative ? scientific.substr(1) : scientific;
    const std::size_t e = body.find('e');
    std::string digits;
    for (char c : body.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(body.data() + e + 1 + (body[e + 1] == '+' ? 1 : 0), body.data() + body.size(), exponent);

    std::u16string text = negative ? u"-" : u"";
    const auto digitCount = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent <= 6) {
        if (exponent >= 0) {
            for (int k = 0; k <= exponent; ++k)
                text += k < digitCount ? static_cast<char16_t>(digits[static_cast<std::size_t>(k)]) : u'0';
            if (digitCount > exponent + 1) {
                text += decimalSeparator;
                text += widen(std::string_view(digits).substr(static_cast<std::size_t>(exponent) + 1));
            }
        } else {
            text += u'0';
            text += decimalSeparator;
            text.append(static_cast<std::size_t>(-exponent - 1), u'0');
            text += widen(digits);
        }
    } else {
        text += static_cast<char16_t>(digits[0]);
        if (digitCount > 1) {
            text += decimalSeparator;
            text += widen(std::string_view(digits).substr(1));
        }
        text += exponent < 0 ? u"E-" : u"E+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            text += u'0';
        text += widen(std::to_string(magnitude));
    }
    return text;
}

std::optional<float> readSingle(std::u16string_view text, char16_t decimalSeparator)
{
    const auto number = readNumber(text, decimalSeparator);
    if (!number)
        return std::nullopt;
    // Straight from the decimal digits to float: a detour through double could round twice.
    const float value = toBinary<float>(*number);
    if (std::isinf(value))
        return std::nullopt;
    return value;
}

std::u16string formatBoolean(bool value)
{
    return value ? u"True" : u"False";
}

std::optional<bool> readBoolean(std::u16string_view text, char16_t decimalSeparator)
{
    const std::u16string_view trimmed = trimBlanks(text);
    if (equalsIgnoringAsciiCase(trimmed, u"true"))
        return true;
    if (equalsIgnoringAsciiCase(trimmed, u"false"))
        return false;
    const auto number = readNumber(trimmed, decimalSeparator);
    if (!number)
        return std::nullopt;
    return !number->isZero();
}

}  // namespace nivora

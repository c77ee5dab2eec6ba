// What the fuzz targets share: a check that stops the run with a message, text from raw bytes, and an independent
// reading of decimal numbers (grammar by hand, value from the C library) to hold the saver's reader against.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

// A broken expectation is a finding: report it and abort, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #condition);                       \
            std::fprintf(stderr, __VA_ARGS__);                                                                         \
            std::fprintf(stderr, "\n");                                                                                \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzz {

// Little-endian UTF-16 units, as Windows hands out text: any unit goes, lone surrogates and NULs included.
inline std::u16string unitsFromBytes(const uint8_t* data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return text;
}

// Printable for a report: ASCII as it is, everything else as \uXXXX; long texts cut.
inline std::string show(std::u16string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < 200; ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    if (out.size() >= 200)
        out += "... (" + std::to_string(text.size()) + " units)";
    return out;
}

inline bool isBlankUnit(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

inline std::u16string_view trimmed(std::u16string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlankUnit(text[begin]))
        ++begin;
    while (end > begin && isBlankUnit(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// A number as the saver writes and reads it: [+-] digits [separator digits] [(e|E) [+-] digits], at least one
// digit before the exponent, '.' or the locale's separator, at most one of them.
struct ReadNumber {
    std::string ascii;       // the same number with '.' as separator, for strtof/strtod/strtold
    size_t length = 0;       // units of the text it occupies
    bool zero = true;        // every digit of the significand is 0
    size_t significant = 0;  // significand digits without leading and trailing zeros
};

inline bool isDigitUnit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The longest such number at the start of the text, or nothing.
inline std::optional<ReadNumber> numberAtStart(std::u16string_view text, char16_t separator)
{
    ReadNumber n;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        n.ascii += static_cast<char>(text[i++]);
    std::string significand;
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        if (isDigitUnit(text[i])) {
            significand += static_cast<char>(text[i]);
            n.ascii += static_cast<char>(text[i]);
        } else if (!separatorSeen && (text[i] == u'.' || text[i] == separator)) {
            separatorSeen = true;
            n.ascii += '.';
        } else {
            break;
        }
    }
    if (significand.empty())
        return std::nullopt;
    n.length = i;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += static_cast<char>(text[j++]);
        const size_t digitsStart = j;
        while (j < text.size() && isDigitUnit(text[j]))
            exponent += static_cast<char>(text[j++]);
        if (j > digitsStart) {
            n.ascii += exponent;
            n.length = j;
        }
    }
    const size_t first = significand.find_first_not_of('0');
    n.zero = first == std::string::npos;
    if (!n.zero)
        n.significant = significand.find_last_not_of('0') - first + 1;
    return n;
}

// The whole text, blanks around it allowed, as one number.
inline std::optional<ReadNumber> wholeNumber(std::u16string_view text, char16_t separator)
{
    const std::u16string_view t = trimmed(text);
    auto n = numberAtStart(t, separator);
    if (!n || n->length != t.size())
        return std::nullopt;
    return n;
}

// What rounding the number to the nearest integer, halves to even, must give in [lo, hi]. `exact` is false when
// the number has more digits than a long double can tell apart from a tie; then only `value` is a guide.
struct Rounded {
    bool exact = false;
    std::optional<int64_t> expected;
    long double value = 0;
};

inline Rounded roundNumber(const ReadNumber& n, int64_t lo, int64_t hi)
{
    Rounded r;
    r.value = std::strtold(n.ascii.c_str(), nullptr);
    // With at most 18 significant digits no decimal lies closer to a tie than a long double step, so the
    // library's correctly rounded value decides the tie exactly.
    r.exact = n.zero || n.significant <= 18;
    const long double nearest = std::nearbyintl(r.value);  // default rounding: halves to even
    if (n.zero)
        r.expected = 0;
    else if (nearest >= static_cast<long double>(lo) && nearest <= static_cast<long double>(hi))
        r.expected = static_cast<int64_t>(nearest);
    return r;
}

// The saver's rounding of a number (`got`, nothing when it did not fit) against the reading above.
inline void checkRounding(std::optional<int64_t> got, const ReadNumber& n, int64_t lo, int64_t hi,
                          const std::string& shown)
{
    const Rounded r = roundNumber(n, lo, hi);
    if (r.exact) {
        FUZZ_CHECK(got == r.expected, "'%s' rounded to %s, expected %s", shown.c_str(),
                   got ? std::to_string(*got).c_str() : "nothing",
                   r.expected ? std::to_string(*r.expected).c_str() : "nothing");
        return;
    }
    if (got)
        FUZZ_CHECK(std::fabs(static_cast<long double>(*got) - r.value) <= 0.5L + 1e-9L, "'%s' rounded to %lld",
                   shown.c_str(), static_cast<long long>(*got));
    if (std::fabs(r.value) <= static_cast<long double>(hi - 1))
        FUZZ_CHECK(got.has_value(), "'%s' is in range but rounded to nothing", shown.c_str());
    if (std::fabs(r.value) >= static_cast<long double>(hi) + 2)
        FUZZ_CHECK(!got.has_value(), "'%s' is out of range but rounded to a value", shown.c_str());
}

}  // namespace fuzz

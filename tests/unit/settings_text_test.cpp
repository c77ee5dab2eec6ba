// The text forms of the stored settings and the decimal number reader behind them.
#include "core/settings/settings_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace nivora {
namespace {

std::string narrow(std::u16string_view text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

TEST(SettingsText, Int16IsWrittenAsPlainDecimal)
{
    struct Case {
        int16_t value;
        std::u16string_view text;
    };
    const Case cases[] = {{0, u"0"}, {1, u"1"}, {4, u"4"}, {-1, u"-1"}, {32767, u"32767"}, {-32768, u"-32768"}};
    for (const auto& c : cases)
        EXPECT_TRUE(formatInt16(c.value) == c.text) << c.value;
}

TEST(SettingsText, Int16ReadsAnyNumberRoundingHalvesToEven)
{
    struct Case {
        std::u16string_view text;
        char16_t separator;
        std::optional<int16_t> expected;
    };
    const Case cases[] = {
        {u"0", u'.', 0},
        {u"2.5", u'.', 2},
        {u"3.5", u'.', 4},
        {u"-2.5", u'.', -2},
        {u"-3.5", u'.', -4},
        {u"1.5", u'.', 2},
        {u"0.5", u'.', 0},
        {u"0.5000001", u'.', 1},
        {u"2.51", u'.', 3},  // one digit after the 5 is enough to round up from an even number
        {u"-2.51", u'.', -3},
        {u"4.51e0", u'.', 5},
        {u"2.49", u'.', 2},
        {u"2.4999999999999999999999", u'.', 2},
        {u"2.5000000000000000000001", u'.', 3},  // beyond double precision: decided on the digits themselves
        {u"0.05", u'.', 0},
        {u".5", u'.', 0},
        {u"5.", u'.', 5},
        {u"+5", u'.', 5},
        {u"-0", u'.', 0},
        {u"007", u'.', 7},
        {u" \t7 \r\n", u'.', 7},
        {u"1e3", u'.', 1000},
        {u"15E-1", u'.', 2},
        {u"25e-1", u'.', 2},
        {u"1,5", u',', 2},
        {u"1.5", u',', 2},
        {u"32767", u'.', 32767},
        {u"32767.4", u'.', 32767},
        {u"-32768", u'.', -32768},
        {u"-32768.5", u'.', -32768},
        {u"0e999999999999999999999", u'.', 0},
        {u"1e-999999999999999999999", u'.', 0},
        // Not numbers, or beyond 16 bits.
        {u"32767.5", u'.', std::nullopt},
        {u"32768", u'.', std::nullopt},
        {u"-32769", u'.', std::nullopt},
        {u"-32768.6", u'.', std::nullopt},
        {u"100000", u'.', std::nullopt},
        {u"1e5", u'.', std::nullopt},
        {u"1e999999999999999999999", u'.', std::nullopt},
        {u"99999999999999999999999999", u'.', std::nullopt},
        {u"", u'.', std::nullopt},
        {u"   ", u'.', std::nullopt},
        {u"-", u'.', std::nullopt},
        {u".", u'.', std::nullopt},
        {u"+.", u'.', std::nullopt},
        {u"1e", u'.', std::nullopt},
        {u"1e+", u'.', std::nullopt},
        {u"1,5", u'.', std::nullopt},
        {u"1.2.3", u'.', std::nullopt},
        {u"1 2", u'.', std::nullopt},
        {u"- 1", u'.', std::nullopt},
        {u"0x10", u'.', std::nullopt},
        {u"abc", u'.', std::nullopt},
        {u"inf", u'.', std::nullopt},
        {u"nan", u'.', std::nullopt},
        {u"１２", u'.', std::nullopt},  // full-width digits
        {u"12\u00a0", u'.', std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readInt16(c.text, c.separator), c.expected) << narrow(c.text);
}

TEST(SettingsText, SingleIsWrittenWithSevenSignificantDigitsAndNoTrailingZeros)
{
    struct Case {
        float value;
        char16_t separator;
        std::u16string_view text;
    };
    const Case cases[] = {
        {6.0f, u'.', u"6"},
        {0.0f, u'.', u"0"},
        {-0.0f, u'.', u"0"},
        {12.0f, u'.', u"12"},
        {100.0f, u'.', u"100"},
        {-30.0f, u'.', u"-30"},
        {0.5f, u'.', u"0.5"},
        {6.5f, u',', u"6,5"},
        {-12.25f, u'.', u"-12.25"},
        {0.1f, u'.', u"0.1"},
        {1.0f / 3.0f, u'.', u"0.3333333"},
        {2.0f / 3.0f, u',', u"0,6666667"},
        {1234567.0f, u'.', u"1234567"},
        {9999999.0f, u'.', u"9999999"},
        {1000000.0f, u'.', u"1000000"},
        {123.456789f, u'.', u"123.4568"},
        {0.00001f, u'.', u"0.00001"},
        {0.000012345678f, u'.', u"0.00001234568"},
        {10000000.0f, u'.', u"1E+07"},
        {1e9f, u'.', u"1E+09"},  // ten digits, every one after the first a zero
        {1.5e9f, u',', u"1,5E+09"},
        {12345678.0f, u',', u"1,234568E+07"},
        {0.000001f, u'.', u"1E-06"},
        {1.5e-7f, u'.', u"1.5E-07"},
        {-2.5e20f, u'.', u"-2.5E+20"},
        {FLT_MAX, u'.', u"3.402823E+38"},
        {std::numeric_limits<float>::denorm_min(), u'.', u"1.401298E-45"},
        {std::numeric_limits<float>::infinity(), u'.', u"0"},
        {std::numeric_limits<float>::quiet_NaN(), u'.', u"0"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(formatSingle(c.value, c.separator) == c.text)
            << c.value << " gave " << narrow(formatSingle(c.value, c.separator));
}

TEST(SettingsText, SingleReadsDecimalNumbersWithinTheSingleRange)
{
    struct Case {
        std::u16string_view text;
        char16_t separator;
        std::optional<float> expected;
    };
    const Case cases[] = {
        {u"6", u'.', 6.0f},
        {u" 12 ", u'.', 12.0f},
        {u"6.5", u'.', 6.5f},
        {u"6,5", u',', 6.5f},
        {u"6.5", u',', 6.5f},
        {u"0.1", u'.', 0.1f},
        {u"-30", u'.', -30.0f},
        {u"1.5E-07", u'.', 1.5e-7f},
        {u"3.402823E+38", u'.', 3.402823e38f},
        {u"3.4028235e38", u'.', FLT_MAX},
        {u"3.40282356e38", u'.', FLT_MAX},  // still rounds down to the largest single
        {u"1e-50", u'.', 0.0f},
        // Rounded once, from the digits: through double this would round twice and land one step off.
        {u"1.00000005960464477539062500000001", u'.', 1.00000011920928955078125f},
        {u"3.5e38", u'.', std::nullopt},
        {u"-1e39", u'.', std::nullopt},
        {u"1e99", u'.', std::nullopt},
        {u"", u'.', std::nullopt},
        {u"abc", u'.', std::nullopt},
        {u"6,5", u'.', std::nullopt},
        {u"6.5.", u'.', std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readSingle(c.text, c.separator), c.expected) << narrow(c.text);
}

TEST(SettingsText, SingleTextReadsBackToTheValueRoundedToSevenDigits)
{
    // Every written text reads back within half a unit of the seventh digit, in both separators; values with at
    // most seven digits come back exactly.
    for (const char16_t separator : {u'.', u','}) {
        for (int k = -4800; k <= 4800; ++k) {
            const float quarter = static_cast<float>(k) / 4.0f;
            EXPECT_EQ(readSingle(formatSingle(quarter, separator), separator), quarter) << quarter;
        }
        float value = 1.234567e-30f;
        for (int i = 0; i < 2000; ++i, value *= 1.0731f) {
            const auto back = readSingle(formatSingle(value, separator), separator);
            ASSERT_TRUE(back.has_value()) << value;
            EXPECT_LE(std::fabs(*back - value), std::fabs(value) * 6e-7f) << value;
        }
    }
}

TEST(SettingsText, BooleanIsWrittenTrueOrFalse)
{
    EXPECT_TRUE(formatBoolean(true) == u"True");
    EXPECT_TRUE(formatBoolean(false) == u"False");
}

TEST(SettingsText, BooleanReadsTrueFalseInAnyCaseOrAnyNumber)
{
    struct Case {
        std::u16string_view text;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {u"True", true},
        {u"true", true},
        {u"TRUE", true},
        {u" tRuE ", true},
        {u"False", false},
        {u"false", false},
        {u"FALSE", false},
        {u"0", false},
        {u"0.0", false},
        {u"-0", false},
        {u"0e5", false},
        {u"1", true},
        {u"-1", true},
        {u"0.4", true},
        {u"1e99", true},
        {u"1e-99999999", true},
        {u"", std::nullopt},
        {u"yes", std::nullopt},
        {u"Tru", std::nullopt},
        {u"True1", std::nullopt},
        {u"T rue", std::nullopt},
        {u"ｔｒｕｅ", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readBoolean(c.text, u'.'), c.expected) << narrow(c.text);
}

TEST(SettingsText, NumberPrefixStopsAtTheFirstCharacterThatCannotContinueIt)
{
    struct Case {
        std::u16string_view text;
        std::optional<std::size_t> length;
        double value;
    };
    const Case cases[] = {
        {u"1234", 4, 1234},
        {u"1234 ", 4, 1234},
        {u"12ab", 2, 12},
        {u"1e5x", 3, 1e5},
        {u"1e", 1, 1},
        {u"1e+", 1, 1},
        {u"2.5e-1z", 6, 0.25},
        {u"-7.", 3, -7},
        {u"+.5", 3, 0.5},
        {u"0x10", 1, 0},
        {u"1.2.3", 3, 1.2},
        {u"12 34", 2, 12},
        {u":1234", std::nullopt, 0},
        {u" 12", std::nullopt, 0},
        {u"", std::nullopt, 0},
        {u"e5", std::nullopt, 0},
        {u".e5", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        const auto prefix = readNumberPrefix(c.text, u'.');
        ASSERT_EQ(prefix.has_value(), c.length.has_value()) << narrow(c.text);
        if (prefix) {
            EXPECT_EQ(prefix->length, *c.length) << narrow(c.text);
            EXPECT_EQ(prefix->number.toDouble(), c.value) << narrow(c.text);
        }
    }
}

TEST(SettingsText, VeryLongNumbersReadExactly)
{
    // A million digits of "0.000…0001" times 10^1000000 is exactly 1.
    std::u16string text = u"0.";
    text.append(999999, u'0');
    text += u"1e1000000";
    const auto number = readNumber(text, u'.');
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->toDouble(), 1.0);
    EXPECT_EQ(number->roundToInt16(), 1);

    std::u16string ones(1000000, u'1');
    EXPECT_EQ(readSingle(ones, u'.'), std::nullopt);
    EXPECT_EQ(readBoolean(ones, u'.'), true);
    EXPECT_EQ(readNumber(u"1" + std::u16string(400, u'0'), u'.')->toDouble(), HUGE_VAL);
    EXPECT_EQ(readNumber(u"-1e-400", u'.')->toDouble(), 0.0);
    EXPECT_TRUE(std::signbit(readNumber(u"-1e-400", u'.')->toDouble()));
}

}  // namespace
}  // namespace nivora

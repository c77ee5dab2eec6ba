// Fuzzes the stored settings: each text form (16-bit integer, single, boolean, text) read from any text, written
// back and read again, and loadSettings over a store holding any text for each setting, invalid UTF-16, NULs and
// megabyte values included.
//
// Input: byte 0 picks the decimal separator. Then records, each naming its setting by the stored name, so a setting
// added or moved leaves every seed with the value it was written for: a repeat byte (its high 5 bits: 28..31 repeat
// the text 16, 256, 4096 or 65536 times), a length byte and that many bytes of the name (one UTF-16 unit each; a
// name the table does not hold is stored as well, and loading must pass it by), a length byte and that many
// UTF-16LE units of the text.
#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <map>
#include <type_traits>
#include <vector>

#include "core/settings/settings.h"
#include "core/settings/settings_text.h"
#include "fuzz_support.h"

using namespace nivora;

namespace {

constexpr char16_t kSeparators[] = {u'.', u',', u'\u066B', u'\''};
constexpr size_t kMaxUnits = size_t{1} << 19;  // a megabyte of UTF-16
constexpr size_t kMaxNumberUnits = size_t{1} << 16;

// A store in memory that counts what is done to it.
class MemoryStore : public SettingsStore {
public:
    std::optional<std::u16string> read(std::u16string_view name) override
    {
        ++reads;
        const auto it = values.find(std::u16string(name));
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    void write(std::u16string_view name, std::u16string_view text) override
    {
        ++writes;
        values[std::u16string(name)] = std::u16string(text);
    }
    void erase() override
    {
        ++erases;
        values.clear();
    }

    std::map<std::u16string, std::u16string> values;
    int reads = 0, writes = 0, erases = 0;
};

// Long texts compared without the fuzzer's per-unit comparison tracing, which would dominate the run.
bool sameText(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

bool sameValues(const std::map<std::u16string, std::u16string>& a, const std::map<std::u16string, std::u16string>& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (!sameText(i->first, j->first) || !sameText(i->second, j->second))
            return false;
    return true;
}

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A field as loading must take it from its stored text: the reading of its type, or what it held when that reads
// nothing. The message is taken as stored.
void readInto(int16_t& field, std::u16string_view text, char16_t separator)
{
    field = readInt16(text, separator).value_or(field);
}
void readInto(float& field, std::u16string_view text, char16_t separator)
{
    field = readSingle(text, separator).value_or(field);
}
void readInto(bool& field, std::u16string_view text, char16_t separator)
{
    field = readBoolean(text, separator).value_or(field);
}
void readInto(std::u16string& field, std::u16string_view text, char16_t)
{
    field = text;
}

// Equal as loading must give them: a single bit for bit, a text unit for unit.
bool sameField(int16_t a, int16_t b)
{
    return a == b;
}
bool sameField(float a, float b)
{
    return sameBits(a, b);
}
bool sameField(bool a, bool b)
{
    return a == b;
}
bool sameField(const std::u16string& a, const std::u16string& b)
{
    return sameText(a, b);
}

// Equal once saved and loaded again: a single to seven significant digits.
bool sameAfterSaving(float saved, float loaded)
{
    return std::fabs(static_cast<double>(loaded) - static_cast<double>(saved)) <=
           std::fabs(static_cast<double>(saved)) * 6e-7 + FLT_TRUE_MIN;
}
template <class Field>
bool sameAfterSaving(const Field& saved, const Field& loaded)
{
    return sameField(saved, loaded);
}

// Every reader on one text, each against the independent reading, and what it reads written and read back.
void checkTextForms(std::u16string_view text, char16_t separator)
{
    const auto reference = fuzz::wholeNumber(text, separator);
    const auto number = readNumber(text, separator);
    FUZZ_CHECK(number.has_value() == reference.has_value(), "'%s' read as a number: %d, expected %d",
               fuzz::show(text).c_str(), number.has_value(), reference.has_value());

    // 16-bit integer.
    const std::optional<int16_t> i16 = readInt16(text, separator);
    if (reference) {
        fuzz::checkRounding(i16 ? std::optional<int64_t>(*i16) : std::nullopt, *reference, INT16_MIN, INT16_MAX,
                            fuzz::show(text));
        const auto i32 = number->roundToInt32();
        fuzz::checkRounding(i32 ? std::optional<int64_t>(*i32) : std::nullopt, *reference, INT32_MIN, INT32_MAX,
                            fuzz::show(text));
    } else {
        FUZZ_CHECK(!i16, "'%s' is no number but read as %d", fuzz::show(text).c_str(), *i16);
    }
    if (i16) {
        const std::u16string written = formatInt16(*i16);
        FUZZ_CHECK(readInt16(written, separator) == i16, "%d written as '%s' does not read back", *i16,
                   fuzz::show(written).c_str());
    }

    // Single and double: correctly rounded, as the C library reads the same digits.
    const std::optional<float> single = readSingle(text, separator);
    if (reference) {
        const float expected = std::strtof(reference->ascii.c_str(), nullptr);
        if (std::isinf(expected))
            FUZZ_CHECK(!single, "'%s' is beyond the single range but read as %g", fuzz::show(text).c_str(),
                       static_cast<double>(*single));
        else
            FUZZ_CHECK(single && sameBits(*single, expected), "'%s' read as single %a, expected %a",
                       fuzz::show(text).c_str(), single ? static_cast<double>(*single) : 0.0,
                       static_cast<double>(expected));
        const double d = number->toDouble();
        const double expectedDouble = std::strtod(reference->ascii.c_str(), nullptr);
        FUZZ_CHECK(sameBits(d, expectedDouble), "'%s' read as double %a, expected %a", fuzz::show(text).c_str(), d,
                   expectedDouble);
    } else {
        FUZZ_CHECK(!single, "'%s' is no number but read as a single", fuzz::show(text).c_str());
    }
    if (single) {
        const std::u16string written = formatSingle(*single, separator);
        FUZZ_CHECK(!written.empty() && written.size() <= 16 && fuzz::trimmed(written).size() == written.size(),
                   "single %a written as '%s'", static_cast<double>(*single), fuzz::show(written).c_str());
        const auto back = readSingle(written, separator);
        const auto writtenNumber = fuzz::wholeNumber(written, separator);
        FUZZ_CHECK(back && writtenNumber && writtenNumber->significant <= 7,
                   "single %a written as '%s' does not read back with at most 7 digits", static_cast<double>(*single),
                   fuzz::show(written).c_str());
        // Seven significant digits: within half a unit of the seventh digit, plus the single's own rounding.
        const double tolerance = std::fabs(static_cast<double>(*single)) * 6e-7 + FLT_TRUE_MIN;
        FUZZ_CHECK(std::fabs(static_cast<double>(*back) - static_cast<double>(*single)) <= tolerance,
                   "single %a written as '%s' reads back as %a", static_cast<double>(*single),
                   fuzz::show(written).c_str(), static_cast<double>(*back));
    }

    // Boolean: "True"/"False" in any letter case, or any number (0 is False).
    const std::optional<bool> boolean = readBoolean(text, separator);
    std::u16string lower(fuzz::trimmed(text).substr(0, 6));  // "true" and "false" are short
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    std::optional<bool> expectedBoolean;
    if (lower == u"true")
        expectedBoolean = true;
    else if (lower == u"false")
        expectedBoolean = false;
    else if (reference)
        expectedBoolean = !reference->zero;
    FUZZ_CHECK(boolean == expectedBoolean, "'%s' read as boolean %d", fuzz::show(text).c_str(),
               boolean ? int(*boolean) : -1);
    if (boolean)
        FUZZ_CHECK(readBoolean(formatBoolean(*boolean), separator) == boolean, "boolean %d does not read back",
                   int(*boolean));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char16_t separator = kSeparators[data[0] % std::size(kSeparators)];

    MemoryStore store;
    for (size_t i = 1; i + 2 <= size;) {
        const uint8_t header = data[i];
        const size_t nameLength = std::min<size_t>(data[i + 1], size - i - 2);
        std::u16string name(data + i + 2, data + i + 2 + nameLength);
        i += 2 + nameLength;
        if (i >= size)
            break;
        const size_t units = std::min<size_t>(data[i], (size - i - 1) / 2);
        const std::u16string piece = fuzz::unitsFromBytes(data + i + 1, units * 2);
        i += 1 + units * 2;
        // Mostly once, sometimes many times over: a message up to a megabyte, a number up to 65536 units
        // (numbers that long cost the reference readers much time and find nothing more).
        const int power = header >> 3;
        const size_t repeat = power >= 28 ? size_t{1} << (4 * (power - 27)) : 1;
        const size_t limit = name == kMessageTextSetting.storedName ? kMaxUnits : kMaxNumberUnits;
        std::u16string text;
        for (size_t k = 0; k < repeat && text.size() + piece.size() <= limit; ++k)
            text += piece;
        store.values[std::move(name)] = text;
    }

    for (const auto& [name, text] : store.values)
        checkTextForms(text, separator);

    // Loading reads each name once, writes nothing, and takes every value that converts, the default otherwise.
    const std::map<std::u16string, std::u16string> before = store.values;
    const SnowSettings loaded = loadSettings(store, separator);
    FUZZ_CHECK(store.writes == 0 && store.erases == 0 && store.reads == static_cast<int>(kSettingCount) &&
                   sameValues(store.values, before),
               "loading changed the store (%d writes, %d erases, %d reads)", store.writes, store.erases, store.reads);
    auto stored = [&](std::u16string_view name) -> std::optional<std::u16string> {
        const auto it = before.find(std::u16string(name));
        return it == before.end() ? std::nullopt : std::optional<std::u16string>(it->second);
    };
    SnowSettings expected;
    forEachSetting([&](const auto& f) {
        if (auto t = stored(f.setting.storedName))
            readInto(expected.*f.field, *t, separator);
        FUZZ_CHECK(sameField(loaded.*f.field, expected.*f.field), "loaded %s differs from its stored text",
                   fuzz::show(f.setting.storedName).c_str());
    });

    const auto velocityText = stored(kVelocitySetting.storedName);
    FUZZ_CHECK(hasStoredSettings(store) == (velocityText && !velocityText->empty()), "hasStoredSettings is wrong");
    bool allDefault = true;
    forEachSetting([&](const auto& f) {
        allDefault = allDefault &&
                     sameField(loaded.*f.field, std::remove_cvref_t<decltype(loaded.*f.field)>(f.setting.defaultValue));
    });
    FUZZ_CHECK(isDefault(loaded) == allDefault, "isDefault is wrong");

    // What was loaded survives saving and loading again (the single to seven digits).
    MemoryStore saved;
    saveSettings(loaded, saved, separator);
    FUZZ_CHECK(saved.writes == static_cast<int>(kSettingCount) && saved.values.size() == kSettingCount,
               "saving wrote %d values", saved.writes);
    const SnowSettings again = loadSettings(saved, separator);
    forEachSetting([&](const auto& f) {
        FUZZ_CHECK(sameAfterSaving(loaded.*f.field, again.*f.field), "%s saved as '%s' does not load back",
                   fuzz::show(f.setting.storedName).c_str(),
                   fuzz::show(saved.values[std::u16string(f.setting.storedName)]).c_str());
    });
    return 0;
}

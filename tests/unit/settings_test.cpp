// Loading, saving and erasing the settings record through an in-memory store.
#include "core/settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace nivora {
namespace {

// An in-memory store that remembers the order of reads and writes. A name in `unreadable` is stored with a
// value that is no text (say a number in the registry), so reading it gives nothing.
class MemoryStore : public SettingsStore {
public:
    std::map<std::u16string, std::u16string> values;
    std::set<std::u16string> unreadable;
    std::vector<std::u16string> reads;
    std::vector<std::u16string> writes;
    int erases = 0;

    std::optional<std::u16string> read(std::u16string_view name) override
    {
        reads.emplace_back(name);
        const std::u16string key(name);
        if (unreadable.count(key) != 0)
            return std::nullopt;
        const auto it = values.find(key);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    void write(std::u16string_view name, std::u16string_view text) override
    {
        writes.emplace_back(name);
        values[std::u16string(name)] = std::u16string(text);
        unreadable.erase(std::u16string(name));
    }
    void erase() override
    {
        ++erases;
        values.clear();
        unreadable.clear();
    }
};

const std::vector<std::u16string> kStoredOrder = {u"reg_precipitation", u"velocity", u"direction", u"blightness",
                                                  u"messageText"};

// Every field of the settings table, so a setting added there is compared with the others.
void expectSameRecord(const SnowSettings& actual, const SnowSettings& expected)
{
    forEachSetting([&](const auto& f) {
        EXPECT_TRUE(actual.*f.field == expected.*f.field) << "the field of " << std::string(f.setting.optionName);
    });
}

TEST(Settings, EmptyStoreLoadsTheDefaults)
{
    MemoryStore store;
    const SnowSettings settings = loadSettings(store);
    EXPECT_EQ(settings.precipitation, 1);
    EXPECT_EQ(settings.velocity, 6.0f);
    EXPECT_TRUE(settings.direction);
    EXPECT_EQ(settings.blightness, 2);
    EXPECT_TRUE(settings.messageText == u"TOVEK Super Quorlane 2004");
    EXPECT_TRUE(isDefault(settings));
}

TEST(Settings, LoadReadsTheFiveNamesOnceEachInStoredOrderAndWritesNothing)
{
    MemoryStore store;
    store.values = {{u"velocity", u"abc"}, {u"reg_precipitation", u""}, {u"direction", u"maybe"}};
    loadSettings(store);
    EXPECT_EQ(store.reads, kStoredOrder);
    EXPECT_TRUE(store.writes.empty());
    EXPECT_EQ(store.erases, 0);
}

TEST(Settings, SaveWritesTheFiveTextsInStoredOrderAndLoadGivesTheRecordBack)
{
    MemoryStore store;
    const SnowSettings saved{.precipitation = 0,
                             .velocity = 12.0f,
                             .direction = false,
                             .blightness = 4,
                             .messageText = u"abc"};
    saveSettings(saved, store);
    EXPECT_EQ(store.writes, kStoredOrder);
    const std::map<std::u16string, std::u16string> expected = {{u"reg_precipitation", u"0"},
                                                               {u"velocity", u"12"},
                                                               {u"direction", u"False"},
                                                               {u"blightness", u"4"},
                                                               {u"messageText", u"abc"}};
    EXPECT_EQ(store.values, expected);
    expectSameRecord(loadSettings(store), saved);
}

TEST(Settings, EveryRecordTheDialogCanProduceSurvivesSaveAndLoadInEitherDecimalSeparator)
{
    for (const char16_t separator : {u'.', u','}) {
        for (int16_t precipitation = 0; precipitation <= 4; ++precipitation) {
            for (int velocity = 0; velocity <= 12; ++velocity) {
                for (const bool direction : {false, true}) {
                    const SnowSettings saved{.precipitation = precipitation,
                                             .velocity = static_cast<float>(velocity),
                                             .direction = direction,
                                             .blightness = static_cast<int16_t>(4 - precipitation),
                                             .messageText = u"雪が降る ❄ " + std::u16string(1, u'0' + precipitation)};
                    MemoryStore store;
                    saveSettings(saved, store, separator);
                    expectSameRecord(loadSettings(store, separator), saved);
                }
            }
        }
    }
}

TEST(Settings, StoredTextsConvertToTheirFieldsOrLeaveThatFieldAtItsDefault)
{
    struct Case {
        std::u16string_view name;
        std::u16string_view text;
        char16_t separator;
        SnowSettings expected;
    };
    const Case cases[] = {
        // 16-bit fields: fractions round halves to even, no range beyond 16 bits is checked.
        {u"reg_precipitation", u"2.5", u'.', {.precipitation = 2}},
        {u"reg_precipitation", u"3.5", u'.', {.precipitation = 4}},
        {u"reg_precipitation", u"3,5", u',', {.precipitation = 4}},
        {u"reg_precipitation", u" 3 ", u'.', {.precipitation = 3}},
        {u"reg_precipitation", u"7", u'.', {.precipitation = 7}},
        {u"reg_precipitation", u"-32768", u'.', {.precipitation = -32768}},
        {u"reg_precipitation", u"0", u'.', {.precipitation = 0}},
        {u"blightness", u"4", u'.', {.blightness = 4}},
        {u"blightness", u"0.5", u'.', {.blightness = 0}},
        {u"blightness", u"-1", u'.', {.blightness = -1}},
        // Texts that do not convert: the field keeps its default.
        {u"reg_precipitation", u"", u'.', {}},
        {u"reg_precipitation", u"abc", u'.', {}},
        {u"reg_precipitation", u"100000", u'.', {}},
        {u"reg_precipitation", u"32767.5", u'.', {}},
        {u"reg_precipitation", u"3,5", u'.', {}},
        {u"blightness", u"2 3", u'.', {}},
        {u"blightness", u"0x1", u'.', {}},
        // The single.
        {u"velocity", u"12", u'.', {.velocity = 12.0f}},
        {u"velocity", u"0", u'.', {.velocity = 0.0f}},
        {u"velocity", u"6.5", u',', {.velocity = 6.5f}},
        {u"velocity", u"6,5", u',', {.velocity = 6.5f}},
        {u"velocity", u"20", u'.', {.velocity = 20.0f}},
        {u"velocity", u"-3.25", u'.', {.velocity = -3.25f}},
        {u"velocity", u"", u'.', {}},
        {u"velocity", u"abc", u'.', {}},
        {u"velocity", u"1e99", u'.', {}},
        {u"velocity", u"6,5", u'.', {}},
        {u"velocity", u"NaN", u'.', {}},
        {u"velocity", u"Infinity", u'.', {}},
        // The boolean.
        {u"direction", u"false", u'.', {.direction = false}},
        {u"direction", u"FALSE", u'.', {.direction = false}},
        {u"direction", u"0", u'.', {.direction = false}},
        {u"direction", u"0.0", u'.', {.direction = false}},
        {u"direction", u"1", u'.', {.direction = true}},
        {u"direction", u"-1", u'.', {.direction = true}},
        {u"direction", u"tRuE", u'.', {.direction = true}},
        // The text, unchanged.
        {u"messageText", u"", u'.', {.messageText = u""}},
        {u"messageText", u"  Merry Christmas  ", u'.', {.messageText = u"  Merry Christmas  "}},
        {u"messageText", u"メリークリスマス", u'.', {.messageText = u"メリークリスマス"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()) + " = \"" + std::string(c.text.begin(), c.text.end()) +
                     "\"");
        MemoryStore store;
        store.values[std::u16string(c.name)] = std::u16string(c.text);
        expectSameRecord(loadSettings(store, c.separator), c.expected);
    }
}

TEST(Settings, DirectionThatDoesNotConvertFallsBackToTrueEvenWhenTheOthersAreFalse)
{
    // With the default True a fallback is hard to tell from a reading; check the neighbours are untouched too.
    for (const std::u16string_view text : {u"", u"yes", u"Truth", u"False!", u"1e"}) {
        MemoryStore store;
        store.values = {{u"direction", std::u16string(text)}, {u"velocity", u"3"}};
        const SnowSettings settings = loadSettings(store);
        EXPECT_TRUE(settings.direction);
        EXPECT_EQ(settings.velocity, 3.0f);
    }
}

TEST(Settings, OneDamagedValueLeavesTheOtherFourAsStored)
{
    // Every field stored away from its default; one of them damaged at a time.
    const SnowSettings stored{.precipitation = 3,
                              .velocity = 9.0f,
                              .direction = false,
                              .blightness = 0,
                              .messageText = u"Hello"};
    struct Case {
        std::u16string_view name;
        bool unreadable;  // stored as no text at all, else as text that does not convert
        SnowSettings expected;
    };
    const Case cases[] = {
        {u"reg_precipitation", false, {.velocity = 9.0f, .direction = false, .blightness = 0, .messageText = u"Hello"}},
        {u"reg_precipitation", true, {.velocity = 9.0f, .direction = false, .blightness = 0, .messageText = u"Hello"}},
        {u"velocity", false, {.precipitation = 3, .direction = false, .blightness = 0, .messageText = u"Hello"}},
        {u"velocity", true, {.precipitation = 3, .direction = false, .blightness = 0, .messageText = u"Hello"}},
        {u"direction", false, {.precipitation = 3, .velocity = 9.0f, .blightness = 0, .messageText = u"Hello"}},
        {u"direction", true, {.precipitation = 3, .velocity = 9.0f, .blightness = 0, .messageText = u"Hello"}},
        {u"blightness", false, {.precipitation = 3, .velocity = 9.0f, .direction = false, .messageText = u"Hello"}},
        {u"blightness", true, {.precipitation = 3, .velocity = 9.0f, .direction = false, .messageText = u"Hello"}},
        // Any text is a message, so only a value that is no text at all gives the default message.
        {u"messageText", true, {.precipitation = 3, .velocity = 9.0f, .direction = false, .blightness = 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()) + (c.unreadable ? " unreadable" : " garbage"));
        MemoryStore store;
        saveSettings(stored, store);
        store.writes.clear();
        if (c.unreadable)
            store.unreadable.insert(std::u16string(c.name));
        else
            store.values[std::u16string(c.name)] = u"garbage";
        expectSameRecord(loadSettings(store), c.expected);
        EXPECT_TRUE(store.writes.empty());
    }
}

TEST(Settings, MessageOfOneMegabyteLoadsUnchanged)
{
    std::u16string message;
    message.reserve(1 << 20);
    for (std::size_t i = 0; message.size() < (1u << 20); ++i)
        message += static_cast<char16_t>(u'あ' + i % 80);
    MemoryStore store;
    store.values[u"messageText"] = message;
    EXPECT_TRUE(loadSettings(store).messageText == message);
}

TEST(Settings, IsDefaultOnlyWhenEveryFieldIsExactlyItsDefault)
{
    struct Case {
        const char* what;
        SnowSettings settings;
        bool expected;
    };
    const Case cases[] = {
        {"the defaults", {}, true},
        {"the message typed anew", {.messageText = u"TOVEK Super Quorlane 2004"}, true},
        {"message in other letter case", {.messageText = u"TOVEK super Quorlane 2004"}, false},
        {"message with a trailing blank", {.messageText = u"TOVEK Super Quorlane 2004 "}, false},
        {"empty message", {.messageText = u""}, false},
        {"precipitation 0", {.precipitation = 0}, false},
        {"velocity 7", {.velocity = 7.0f}, false},
        {"velocity a hair above 6", {.velocity = 6.0000005f}, false},
        {"direction False", {.direction = false}, false},
        {"blightness 3", {.blightness = 3}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isDefault(c.settings), c.expected) << c.what;
}

TEST(Settings, HasStoredSettingsProbesOnlyANonEmptyVelocity)
{
    struct Case {
        const char* what;
        std::map<std::u16string, std::u16string> values;
        bool velocityUnreadable;
        bool expected;
    };
    const Case cases[] = {
        {"empty store", {}, false, false},
        {"velocity stored", {{u"velocity", u"6"}}, false, true},
        {"velocity stored as garbage", {{u"velocity", u"abc"}}, false, true},
        {"velocity stored empty", {{u"velocity", u""}}, false, false},
        {"only the others stored", {{u"reg_precipitation", u"1"}, {u"messageText", u"x"}}, false, false},
        {"velocity no text", {{u"velocity", u"6"}}, true, false},
    };
    for (const auto& c : cases) {
        MemoryStore store;
        store.values = c.values;
        if (c.velocityUnreadable)
            store.unreadable.insert(u"velocity");
        EXPECT_EQ(hasStoredSettings(store), c.expected) << c.what;
        EXPECT_EQ(store.reads, std::vector<std::u16string>{u"velocity"}) << c.what;
    }
}

TEST(Settings, EraseRemovesEverythingSoTheNextLoadGivesTheDefaults)
{
    MemoryStore store;
    saveSettings({.precipitation = 4, .messageText = u"x"}, store);
    ASSERT_TRUE(hasStoredSettings(store));
    eraseSettings(store);
    EXPECT_EQ(store.erases, 1);
    EXPECT_FALSE(hasStoredSettings(store));
    EXPECT_TRUE(isDefault(loadSettings(store)));
}

TEST(Settings, ChangingOnlyTheMessageStillWritesAllFive)
{
    MemoryStore store;
    saveSettings({.messageText = u"Snow"}, store);
    const std::map<std::u16string, std::u16string> expected = {{u"reg_precipitation", u"1"},
                                                               {u"velocity", u"6"},
                                                               {u"direction", u"True"},
                                                               {u"blightness", u"2"},
                                                               {u"messageText", u"Snow"}};
    EXPECT_EQ(store.values, expected);
}

TEST(Settings, EveryValueOfEachSettingsRangeSurvivesTheStoreAndOnlyItsDefaultIsDefault)
{
    // The dialog produces the values of these ranges; each survives the store, and only the default leaves the
    // record at its defaults (so that accepting it erases rather than writes).
    struct Range {
        SettingRange declared;
        int minimum, maximum;
    };
    for (const Range& r : {Range{kPrecipitationSetting.range, 0, 4}, Range{kVelocitySetting.range, 0, 12},
                           Range{kDirectionSetting.range, 0, 1}, Range{kBlightnessSetting.range, 0, 4},
                           Range{kMessageTextSetting.range, 0, 128}}) {
        EXPECT_EQ(r.declared.minimum, r.minimum);
        EXPECT_EQ(r.declared.maximum, r.maximum);
    }
    for (int value = 0; value <= 4; ++value) {  // 100 to 3000 flakes
        const SnowSettings settings{.precipitation = static_cast<int16_t>(value)};
        MemoryStore store;
        saveSettings(settings, store);
        EXPECT_EQ(loadSettings(store).precipitation, value);
        EXPECT_EQ(isDefault(settings), value == 1) << value;
    }
    for (int value = 0; value <= 12; ++value) {  // wind -30 to +30
        const SnowSettings settings{.velocity = static_cast<float>(value)};
        MemoryStore store;
        saveSettings(settings, store);
        EXPECT_EQ(loadSettings(store).velocity, static_cast<float>(value));
        EXPECT_EQ(isDefault(settings), value == 6) << value;
    }
    for (int value = 0; value <= 4; ++value) {  // alpha 0 to 255
        const SnowSettings settings{.blightness = static_cast<int16_t>(value)};
        MemoryStore store;
        saveSettings(settings, store);
        EXPECT_EQ(loadSettings(store).blightness, value);
        EXPECT_EQ(isDefault(settings), value == 2) << value;
    }
    // A message of the longest length the dialog allows, in characters beyond the 8-bit range.
    const SnowSettings longest{.messageText = std::u16string(128, u'雪')};
    MemoryStore store;
    saveSettings(longest, store);
    EXPECT_TRUE(loadSettings(store).messageText == longest.messageText);
    EXPECT_EQ(store.writes, kStoredOrder);
}

}  // namespace
}  // namespace nivora

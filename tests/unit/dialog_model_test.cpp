// The settings dialog's behaviour: what each row shows, the steps and their bounds, "SELECT", the message text box
// and the decision of "OK".
#include "core/dialog/dialog_model.h"
#include "core/dialog/dialog_layout.h"
#include "core/dialog/option_picture_scales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace {

using nivora::DialogModel;
using nivora::FocusMove;
using nivora::OkOutcome;
using nivora::RowView;
using nivora::SnowSettings;

// An in-memory store that records what was done to it.
class MemoryStore : public nivora::SettingsStore {
public:
    std::map<std::u16string, std::u16string> values;
    std::vector<std::u16string> writes;  // names, in the order written
    int erases = 0;
    // Failures, as a registry without access or a full disk gives them: refused writes change nothing, and a failed
    // erase leaves every value in place, or only some (erasesBeforeFailing).
    std::u16string refusedName;    // the next write of this name fails
    int writesBeforeFailing = -1;  // after this many writes every write fails; -1: never
    bool eraseFails = false;
    int erasesBeforeFailing = -1;  // after this many erases every erase removes only the first stored value

    std::optional<std::u16string> read(std::u16string_view name) override
    {
        const auto it = values.find(std::u16string(name));
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
    void write(std::u16string_view name, std::u16string_view text) override
    {
        writes.emplace_back(name);
        if (!refusedName.empty() && name == refusedName) {
            refusedName.clear();
            return;
        }
        if (writesBeforeFailing >= 0 && int(writes.size()) > writesBeforeFailing)
            return;
        values[std::u16string(name)] = text;
    }
    void erase() override
    {
        ++erases;
        if (erasesBeforeFailing >= 0 && erases > erasesBeforeFailing) {
            if (!values.empty())
                values.erase(values.begin());
            return;
        }
        if (!eraseFails)
            values.clear();
    }
};

SnowSettings makeSettings(int16_t precipitation, float velocity, bool direction, int16_t blightness,
                          std::u16string message = std::u16string(nivora::kDefaultMessage))
{
    SnowSettings s;
    s.precipitation = precipitation;
    s.velocity = velocity;
    s.direction = direction;
    s.blightness = blightness;
    s.messageText = std::move(message);
    return s;
}

void expectSameSettings(const SnowSettings& actual, const SnowSettings& expected, const std::string& context)
{
    EXPECT_EQ(actual.precipitation, expected.precipitation) << context;
    EXPECT_EQ(actual.velocity, expected.velocity) << context;
    EXPECT_EQ(actual.direction, expected.direction) << context;
    EXPECT_EQ(actual.blightness, expected.blightness) << context;
    EXPECT_TRUE(actual.messageText == expected.messageText) << context;
}

// Presses "SELECT" until item k is selected, passing the message back unchanged as the text box would hold it.
void select(DialogModel& model, int k)
{
    while (model.currentItem() != k)
        model.Command2_Click(model.settings().messageText);
}

RowView pictureRow(int16_t item, int16_t element)
{
    RowView v;
    v.item = item;
    v.frontElement = element;
    v.overlayElement = element;
    v.name = nivora::pictureName(item, element);
    return v;
}

RowView directionRow(bool automatic)
{
    RowView v;
    v.item = 3;
    v.frontElement = 1;
    v.frontElementVisible = automatic;
    v.overlayElement = automatic ? 1 : 0;
    v.name = automatic ? u"風向 自動" : u"風向 固定";
    return v;
}

RowView messageRow(std::u16string text)
{
    RowView v;
    v.item = 5;
    v.name = u"雪文字 " + text;
    v.text = std::move(text);
    return v;
}

TEST(DialogModel, OpeningWithTheDefaultsShowsEachRowsDefaultPicture)
{
    SnowSettings settings;
    const DialogModel model(settings);
    EXPECT_EQ(model.currentItem(), 1);
    EXPECT_TRUE(model.minusEnabled());
    EXPECT_TRUE(model.plusEnabled());

    struct Case {
        int item;
        RowView expected;
    };
    const Case cases[] = {
        {1, pictureRow(1, 1)},    // 500 flakes per screen
        {2, pictureRow(2, 6)},    // calm wind
        {3, directionRow(true)},  // automatic
        {4, pictureRow(4, 2)},    // alpha 127
        {5, messageRow(u"TOVEK Super Quorlane 2004")},
        {0, RowView{}},
        {6, RowView{}},
        {-1, RowView{}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(model.ShowSetting(c.item) == c.expected) << "item " << c.item;
}

TEST(DialogModel, ValuesOutsideTheDialogsRangesAreBroughtIntoRangeAtOpening)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    struct Case {
        SnowSettings loaded;
        SnowSettings expected;
    };
    const Case cases[] = {
        {makeSettings(7, 6, true, 2), makeSettings(4, 6, true, 2)},
        {makeSettings(-3, 6, false, 2), makeSettings(0, 6, false, 2)},
        {makeSettings(1, 6, true, -1), makeSettings(1, 6, true, 0)},
        {makeSettings(1, 6, true, 9), makeSettings(1, 6, true, 4)},
        {makeSettings(32767, 6, true, -32768), makeSettings(4, 6, true, 0)},
        {makeSettings(1, 13, true, 2), makeSettings(1, 12, true, 2)},
        {makeSettings(1, -5, true, 2), makeSettings(1, 0, true, 2)},
        {makeSettings(1, 12.6f, true, 2), makeSettings(1, 12, true, 2)},
        {makeSettings(1, -0.4f, true, 2), makeSettings(1, 0, true, 2)},
        {makeSettings(1, 1e30f, true, 2), makeSettings(1, 12, true, 2)},
        {makeSettings(1, inf, true, 2), makeSettings(1, 12, true, 2)},
        {makeSettings(1, -inf, true, 2), makeSettings(1, 0, true, 2)},
        {makeSettings(1, std::nanf(""), true, 2), makeSettings(1, 6, true, 2)},  // no nearest bound: the default
        // A wind option that is not whole is rounded, halves to even, so the steps stay on whole numbers.
        {makeSettings(1, 6.5f, true, 2), makeSettings(1, 6, true, 2)},
        {makeSettings(1, 7.5f, true, 2), makeSettings(1, 8, true, 2)},
        {makeSettings(1, 0.5f, true, 2), makeSettings(1, 0, true, 2)},
        {makeSettings(1, 11.5f, true, 2), makeSettings(1, 12, true, 2)},
        {makeSettings(1, 3.3f, true, 2), makeSettings(1, 3, true, 2)},
        // Values in range are left alone; a message is cut to what the text box holds.
        {makeSettings(0, 0, false, 0, std::u16string(500, u'x')),
         makeSettings(0, 0, false, 0, std::u16string(128, u'x'))},
        {makeSettings(4, 12, true, 4, u""), makeSettings(4, 12, true, 4, u"")},
    };
    for (const Case& c : cases) {
        SnowSettings settings = c.loaded;
        const DialogModel model(settings);
        const std::string context = "loaded " + std::to_string(c.loaded.precipitation) + ", " +
                                    std::to_string(c.loaded.velocity) + ", " + std::to_string(c.loaded.blightness);
        expectSameSettings(settings, c.expected, context);
        EXPECT_FALSE(std::signbit(settings.velocity)) << context << ": a calm wind is +0, never -0";
        // Every row now names a picture that exists.
        EXPECT_LT(model.ShowSetting(1).frontElement, nivora::optionPictureCount(1)) << context;
        EXPECT_LT(model.ShowSetting(2).frontElement, nivora::optionPictureCount(2)) << context;
        EXPECT_LT(model.ShowSetting(4).frontElement, nivora::optionPictureCount(4)) << context;
        EXPECT_GE(model.ShowSetting(1).frontElement, 0) << context;
        EXPECT_GE(model.ShowSetting(2).frontElement, 0) << context;
        EXPECT_GE(model.ShowSetting(4).frontElement, 0) << context;
    }
}

TEST(DialogModel, NegativeZeroWindIsOpenedAsPlainZero)
{
    SnowSettings settings = makeSettings(1, -0.0f, true, 2);
    const DialogModel model(settings);
    EXPECT_EQ(settings.velocity, 0.0f);
    EXPECT_FALSE(std::signbit(settings.velocity));
}

enum class Button { Minus, Plus };

TEST(DialogModel, StepsMoveTheSelectedValueAndSetTheButtons)
{
    struct Case {
        const char* name;
        SnowSettings start;
        int item;
        Button button;
        SnowSettings expected;
        RowView shown;
        bool minusEnabled, plusEnabled;
        FocusMove focus;
    };
    const Case cases[] = {
        {"precipitation 1 down to 0 disables -", makeSettings(1, 6, true, 2), 1, Button::Minus,
         makeSettings(0, 6, true, 2), pictureRow(1, 0), false, true, FocusMove::ToSelect},
        {"precipitation 3 up to 4 disables +", makeSettings(3, 6, true, 2), 1, Button::Plus,
         makeSettings(4, 6, true, 2), pictureRow(1, 4), true, false, FocusMove::ToSelect},
        {"precipitation 2 down to 1 keeps both", makeSettings(2, 6, true, 2), 1, Button::Minus,
         makeSettings(1, 6, true, 2), pictureRow(1, 1), true, true, FocusMove::Stay},
        {"velocity 11 up to 12 disables +", makeSettings(1, 11, true, 2), 2, Button::Plus, makeSettings(1, 12, true, 2),
         pictureRow(2, 12), true, false, FocusMove::ToSelect},
        {"velocity 1 down to 0 disables -", makeSettings(1, 1, true, 2), 2, Button::Minus, makeSettings(1, 0, true, 2),
         pictureRow(2, 0), false, true, FocusMove::ToSelect},
        {"velocity 6 up to 7 keeps both", makeSettings(1, 6, true, 2), 2, Button::Plus, makeSettings(1, 7, true, 2),
         pictureRow(2, 7), true, true, FocusMove::Stay},
        {"blightness 1 down to 0 disables -", makeSettings(1, 6, true, 1), 4, Button::Minus,
         makeSettings(1, 6, true, 0), pictureRow(4, 0), false, true, FocusMove::ToSelect},
        {"blightness 3 up to 4 disables +", makeSettings(1, 6, true, 3), 4, Button::Plus, makeSettings(1, 6, true, 4),
         pictureRow(4, 4), true, false, FocusMove::ToSelect},
        {"- turns the automatic direction fixed", makeSettings(1, 6, true, 2), 3, Button::Minus,
         makeSettings(1, 6, false, 2), directionRow(false), true, true, FocusMove::Stay},
        {"+ turns the fixed direction automatic", makeSettings(1, 6, false, 2), 3, Button::Plus,
         makeSettings(1, 6, true, 2), directionRow(true), true, true, FocusMove::Stay},
    };
    for (const Case& c : cases) {
        SnowSettings settings = c.start;
        DialogModel model(settings);
        select(model, c.item);
        const nivora::StepResult r = c.button == Button::Minus ? model.Command1_Click() : model.Command3_Click();
        expectSameSettings(settings, c.expected, c.name);
        ASSERT_TRUE(r.shown.has_value()) << c.name;
        EXPECT_TRUE(*r.shown == c.shown) << c.name;
        EXPECT_TRUE(*r.shown == model.ShowSetting(c.item)) << c.name;
        EXPECT_EQ(model.minusEnabled(), c.minusEnabled) << c.name;
        EXPECT_EQ(model.plusEnabled(), c.plusEnabled) << c.name;
        EXPECT_EQ(r.focus, c.focus) << c.name;
    }
}

TEST(DialogModel, StepAtABoundDoesNothingAtAll)
{
    struct Case {
        const char* name;
        SnowSettings start;
        int item;
        Button button;
    };
    const Case cases[] = {
        {"precipitation 0, -", makeSettings(0, 6, true, 2), 1, Button::Minus},
        {"precipitation 4, +", makeSettings(4, 6, true, 2), 1, Button::Plus},
        {"velocity 0, -", makeSettings(1, 0, true, 2), 2, Button::Minus},
        {"velocity 12, +", makeSettings(1, 12, true, 2), 2, Button::Plus},
        {"blightness 0, -", makeSettings(1, 6, true, 0), 4, Button::Minus},
        {"blightness 4, +", makeSettings(1, 6, true, 4), 4, Button::Plus},
        {"message row, -", makeSettings(1, 6, true, 2), 5, Button::Minus},
        {"message row, +", makeSettings(1, 6, true, 2), 5, Button::Plus},
    };
    for (const Case& c : cases) {
        SnowSettings settings = c.start;
        DialogModel model(settings);
        select(model, c.item);
        const bool minusBefore = model.minusEnabled();
        const bool plusBefore = model.plusEnabled();
        const nivora::StepResult r = c.button == Button::Minus ? model.Command1_Click() : model.Command3_Click();
        expectSameSettings(settings, c.start, c.name);
        EXPECT_FALSE(r.shown.has_value()) << c.name;
        EXPECT_EQ(r.focus, FocusMove::Stay) << c.name;
        EXPECT_EQ(model.minusEnabled(), minusBefore) << c.name;
        EXPECT_EQ(model.plusEnabled(), plusBefore) << c.name;
        EXPECT_EQ(model.currentItem(), c.item) << c.name;
    }
}

TEST(DialogModel, AtOpeningBothButtonsStayEnabledEvenWhenTheValueIsAtABound)
{
    for (int16_t precipitation : {int16_t{0}, int16_t{4}}) {
        SnowSettings settings = makeSettings(precipitation, 6, true, 2);
        DialogModel model(settings);
        EXPECT_TRUE(model.minusEnabled());
        EXPECT_TRUE(model.plusEnabled());
        const nivora::StepResult r = precipitation == 0 ? model.Command1_Click() : model.Command3_Click();
        EXPECT_FALSE(r.shown.has_value());
        EXPECT_EQ(settings.precipitation, precipitation);
        EXPECT_TRUE(model.minusEnabled()) << "the pressed button stays enabled";
        EXPECT_TRUE(model.plusEnabled());
    }
}

TEST(DialogModel, MinusToZeroThenPlusEnablesMinusAgain)
{
    SnowSettings settings;  // precipitation 1
    DialogModel model(settings);
    EXPECT_EQ(model.Command1_Click().focus, FocusMove::ToSelect);
    EXPECT_EQ(settings.precipitation, 0);
    EXPECT_FALSE(model.minusEnabled());
    EXPECT_FALSE(model.Command1_Click().shown.has_value()) << "a further - is impossible";
    const nivora::StepResult r = model.Command3_Click();
    EXPECT_EQ(settings.precipitation, 1);
    EXPECT_TRUE(r.shown == pictureRow(1, 1));
    EXPECT_EQ(r.focus, FocusMove::Stay);
    EXPECT_TRUE(model.minusEnabled());
    EXPECT_TRUE(model.plusEnabled());
}

TEST(DialogModel, WindStepsWalkEveryWholeOptionAndStopAtBothEnds)
{
    SnowSettings settings = makeSettings(1, 0, true, 2);
    DialogModel model(settings);
    select(model, 2);
    EXPECT_FALSE(model.minusEnabled());
    for (int expected = 1; expected <= 12; ++expected) {
        const nivora::StepResult r = model.Command3_Click();
        EXPECT_EQ(settings.velocity, float(expected));
        EXPECT_EQ(r.shown->frontElement, expected);
        EXPECT_EQ(model.plusEnabled(), expected < 12);
    }
    EXPECT_FALSE(model.Command3_Click().shown.has_value());
    for (int expected = 11; expected >= 0; --expected) {
        const nivora::StepResult r = model.Command1_Click();
        EXPECT_EQ(settings.velocity, float(expected));
        EXPECT_EQ(r.shown->overlayElement, expected);
        EXPECT_EQ(model.minusEnabled(), expected > 0);
    }
    EXPECT_TRUE(model.plusEnabled());
}

TEST(DialogModel, SelectCyclesThroughTheFiveItemsAndSetsTheButtonsForEach)
{
    struct Enabled {
        bool minus, plus;
    };
    struct Case {
        const char* name;
        SnowSettings settings;
        Enabled afterSelecting[5];  // items 2, 3, 4, 5, then 1 again
    };
    const Case cases[] = {
        {"defaults", SnowSettings{}, {{true, true}, {true, true}, {true, true}, {false, false}, {true, true}}},
        {"every value at its low end",
         makeSettings(0, 0, false, 0),
         {{false, true}, {true, true}, {false, true}, {false, false}, {false, true}}},
        {"every value at its high end",
         makeSettings(4, 12, true, 4),
         {{true, false}, {true, true}, {true, false}, {false, false}, {true, false}}},
    };
    for (const Case& c : cases) {
        SnowSettings settings = c.settings;
        DialogModel model(settings);
        for (int press = 0; press < 10; ++press) {
            const int16_t item = model.Command2_Click(settings.messageText);
            const int expectedItem = (press + 1) % 5 + 1;
            EXPECT_EQ(item, expectedItem) << c.name << ", press " << press + 1;
            EXPECT_EQ(model.currentItem(), expectedItem) << c.name;
            const Enabled e = c.afterSelecting[press % 5];
            EXPECT_EQ(model.minusEnabled(), e.minus) << c.name << ", item " << expectedItem;
            EXPECT_EQ(model.plusEnabled(), e.plus) << c.name << ", item " << expectedItem;
        }
        expectSameSettings(settings, c.settings, c.name);
    }
}

TEST(DialogModel, LeavingTheMessageRowTakesTheTextBoxText)
{
    SnowSettings settings;
    DialogModel model(settings);
    // Only the move from item 5 to item 1 reads the text box; the others ignore it.
    for (int k = 2; k <= 5; ++k) {
        EXPECT_EQ(model.Command2_Click(u"ignored"), k);
        EXPECT_TRUE(settings.messageText == nivora::kDefaultMessage) << "item " << k;
    }
    EXPECT_EQ(model.Command2_Click(u"Let it snow"), 1);
    EXPECT_TRUE(settings.messageText == u"Let it snow");
    EXPECT_TRUE(model.ShowSetting(5) == messageRow(u"Let it snow"));
}

TEST(DialogModel, TextBoxLeavesAtMost128CodeUnitsAndNeverHalfACharacter)
{
    const std::u16string snowman = u"\U0001F328";  // a cloud with snow, one character of two code units
    struct Case {
        const char* name;
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"empty", u"", u""},
        {"exactly 128 stays whole", std::u16string(128, u'a'), std::u16string(128, u'a')},
        {"129 is cut to 128", std::u16string(129, u'a'), std::u16string(128, u'a')},
        {"200 is cut to 128", std::u16string(200, u'b'), std::u16string(128, u'b')},
        {"a pair across the cut is left out whole", std::u16string(127, u'a') + snowman + u"z",
         std::u16string(127, u'a')},
        {"a pair ending at the cut is kept", std::u16string(126, u'a') + snowman + u"z",
         std::u16string(126, u'a') + snowman},
        {"a pair of 128 units stays whole", std::u16string(126, u'a') + snowman, std::u16string(126, u'a') + snowman},
        {"a lone high surrogate before the cut is not kept", std::u16string(127, u'a') + u'\xD83C' + u"z",
         std::u16string(127, u'a')},
        {"the first half of a pair typed as the 128th unit is dropped", std::u16string(127, u'a') + u'\xD83C',
         std::u16string(127, u'a')},
        {"a lone low surrogate at the end is left to the store", std::u16string(5, u'a') + u'\xDC00',
         std::u16string(5, u'a') + u'\xDC00'},
        {"Japanese text is counted in code units", std::u16string(130, u'雪'), std::u16string(128, u'雪')},
    };
    for (const Case& c : cases) {
        SnowSettings settings;
        DialogModel model(settings);
        const bool cut = model.Text1_LostFocus(c.text);
        EXPECT_TRUE(settings.messageText == c.expected) << c.name << ": " << settings.messageText.size() << " units";
        EXPECT_EQ(cut, c.expected.size() != c.text.size()) << c.name;
        EXPECT_TRUE(model.ShowSetting(5).text == c.expected) << c.name;
        EXPECT_TRUE(nivora::cutMessageText(c.text) == c.expected) << c.name;
    }
}

// Every value as the store holds it after a save.
std::map<std::u16string, std::u16string> storedFive(const char16_t* precipitation, const char16_t* velocity,
                                                    const char16_t* direction, const char16_t* blightness,
                                                    const char16_t* message)
{
    return {{u"reg_precipitation", precipitation},
            {u"velocity", velocity},
            {u"direction", direction},
            {u"blightness", blightness},
            {u"messageText", message}};
}

TEST(DialogModel, OkSavesErasesOrLeavesTheStoreAlone)
{
    const std::vector<std::u16string> allFive = {u"reg_precipitation", u"velocity", u"direction", u"blightness",
                                                 u"messageText"};
    const std::map<std::u16string, std::u16string> earlierSave = storedFive(u"3", u"2", u"False", u"0", u"old");
    struct Case {
        const char* name;
        SnowSettings settings;
        std::map<std::u16string, std::u16string> storedBefore;
        OkOutcome outcome;
        std::vector<std::u16string> writes;
        int erases;
        std::map<std::u16string, std::u16string> storedAfter;
    };
    const Case cases[] = {
        {"defaults with nothing stored", SnowSettings{}, {}, OkOutcome::Nothing, {}, 0, {}},
        {"defaults after an earlier save", SnowSettings{}, earlierSave, OkOutcome::ErasedShowMessage, {}, 1, {}},
        {"defaults with only a message stored: only the wind is probed",
         SnowSettings{},
         {{u"messageText", u"old"}},
         OkOutcome::Nothing,
         {},
         0,
         {{u"messageText", u"old"}}},
        {"every value at its far end",
         makeSettings(0, 12, false, 4, u"abc"),
         {},
         OkOutcome::Saved,
         allFive,
         0,
         storedFive(u"0", u"12", u"False", u"4", u"abc")},
        {"only the message changed: every value is written", makeSettings(1, 6, true, 2, u"Hello"), earlierSave,
         OkOutcome::Saved, allFive, 0, storedFive(u"1", u"6", u"True", u"2", u"Hello")},
        {"a message differing only in letter case counts as changed",
         makeSettings(1, 6, true, 2, u"Tovek Super Quorlane 2004"),
         {},
         OkOutcome::Saved,
         allFive,
         0,
         storedFive(u"1", u"6", u"True", u"2", u"Tovek Super Quorlane 2004")},
    };
    for (const Case& c : cases) {
        SnowSettings settings = c.settings;
        MemoryStore store;
        store.values = c.storedBefore;
        DialogModel model(settings);
        EXPECT_EQ(model.Command4_Click(store), c.outcome) << c.name;
        EXPECT_TRUE(store.writes == c.writes) << c.name;
        EXPECT_EQ(store.erases, c.erases) << c.name;
        EXPECT_TRUE(store.values == c.storedAfter) << c.name;
        // What was written loads back as the record the dialog held.
        if (c.outcome == OkOutcome::Saved)
            expectSameSettings(nivora::loadSettings(store), settings, c.name);
    }
}

TEST(DialogModel, OkAfterSteppingBackToTheDefaultsErasesAnEarlierSave)
{
    MemoryStore store;
    store.values = {{u"reg_precipitation", u"2"},
                    {u"velocity", u"6"},
                    {u"direction", u"True"},
                    {u"blightness", u"2"},
                    {u"messageText", u"TOVEK Super Quorlane 2004"}};
    SnowSettings settings = nivora::loadSettings(store);
    DialogModel model(settings);
    model.Command1_Click();  // precipitation 2 -> 1: every value at its default again
    EXPECT_EQ(model.Command4_Click(store), OkOutcome::ErasedShowMessage);
    EXPECT_TRUE(store.values.empty());
    expectSameSettings(nivora::loadSettings(store), SnowSettings{}, "next start");
}

TEST(DialogModel, OutOfRangeValuesLoadedFromTheStoreAreSavedInRange)
{
    MemoryStore store;
    store.values = {{u"reg_precipitation", u"7"}, {u"velocity", u"14"}, {u"blightness", u"-1"}};
    SnowSettings settings = nivora::loadSettings(store);
    DialogModel model(settings);
    EXPECT_EQ(model.Command4_Click(store), OkOutcome::Saved);
    EXPECT_TRUE(store.values[u"reg_precipitation"] == u"4");
    EXPECT_TRUE(store.values[u"velocity"] == u"12");
    EXPECT_TRUE(store.values[u"blightness"] == u"0");
}

TEST(DialogModel, EveryPictureHasTheNameAScreenReaderReads)
{
    struct Case {
        int row, element;
        std::u16string name;
    };
    const Case cases[] = {
        {1, 0, u"降雪量 100"}, {1, 1, u"降雪量 500"}, {1, 4, u"降雪量 3000"}, {2, 0, u"風速 -30"},  {2, 5, u"風速 -5"},
        {2, 6, u"風速 0"},     {2, 12, u"風速 30"},   {3, 0, u"風向 固定"},   {3, 1, u"風向 自動"}, {4, 0, u"明度 0"},
        {4, 2, u"明度 127"},   {4, 4, u"明度 255"},   {5, 0, u"雪文字"},      {1, 5, u"降雪量"},    {0, 0, u""},
        {6, 0, u""},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(nivora::pictureName(c.row, c.element) == c.name) << c.row << ", " << c.element;
    SnowSettings settings = makeSettings(3, 1, false, 4, u"Let it snow");
    DialogModel model(settings);
    EXPECT_TRUE(model.ShowSetting(1).name == u"降雪量 2000");
    EXPECT_TRUE(model.ShowSetting(3).name == u"風向 固定");
    EXPECT_TRUE(model.ShowSetting(5).name == u"雪文字 Let it snow") << "the message row reads its text";
}

TEST(DialogModel, TheMessageIsCutOnEveryWayIntoTheDialog)
{
    const std::u16string huge(1 << 20, u'm');  // a hand-edited store can hold megabytes
    const std::u16string halfPair = std::u16string(127, u'a') + u'\xD83C';
    {
        SnowSettings settings = makeSettings(1, 6, true, 2, huge);
        DialogModel model(settings);
        EXPECT_EQ(settings.messageText.size(), 128u) << "a stored message is cut when the dialog opens";
        EXPECT_EQ(model.ShowSetting(5).text.size(), 128u);
    }
    {
        SnowSettings settings = makeSettings(1, 6, true, 2, halfPair);
        DialogModel model(settings);
        EXPECT_TRUE(settings.messageText == std::u16string(127, u'a')) << "no lone half of a pair at opening";
    }
    {
        // "SELECT" pressed by a message from another program while a longer text sits in the box.
        SnowSettings settings;
        DialogModel model(settings);
        select(model, 5);
        EXPECT_EQ(model.Command2_Click(huge), 1);
        EXPECT_EQ(settings.messageText.size(), 128u);
        select(model, 5);
        model.Command2_Click(halfPair);
        EXPECT_TRUE(settings.messageText == std::u16string(127, u'a'));
    }
}

TEST(DialogModel, AShortStoredMessageEndingInLoneHighSurrogatesOpensWithoutThem)
{
    const std::u16string snowman = u"\U0001F328";
    struct Case {
        const char* name;
        std::u16string stored;
        std::u16string opened;
    };
    const Case cases[] = {
        {"one lone high surrogate after three letters", u"abc" + std::u16string(1, u'\xD83C'), u"abc"},
        {"nothing but a lone high surrogate", std::u16string(1, u'\xDBFF'), u""},
        {"two lone high surrogates", u"ab" + std::u16string(2, u'\xD800'), u"ab"},
        {"a whole pair, then a lone high surrogate", u"a" + snowman + std::u16string(1, u'\xD83C'), u"a" + snowman},
        {"a whole pair stays", u"a" + snowman, u"a" + snowman},
        {"a lone high surrogate inside is left to the store", u"a" + std::u16string(1, u'\xD83C') + u"b",
         u"a" + std::u16string(1, u'\xD83C') + u"b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SnowSettings settings = makeSettings(1, 6, true, 2, c.stored);
        DialogModel model(settings);
        EXPECT_TRUE(settings.messageText == c.opened) << settings.messageText.size() << " units";
        const RowView row = model.ShowSetting(5);
        EXPECT_TRUE(row.text == c.opened);
        EXPECT_TRUE(row.name == u"雪文字 " + c.opened);
        MemoryStore store;
        model.Command4_Click(store);
        EXPECT_TRUE(store.values[u"messageText"] == c.opened) << "what is stored is what was shown";
    }
}

TEST(DialogModel, OkWritesAllFiveOrPutsTheStoreBackAsItWas)
{
    const std::map<std::u16string, std::u16string> earlierSave = storedFive(u"3", u"2", u"False", u"0", u"old");
    const std::map<std::u16string, std::u16string> partial = {{u"velocity", u"2"}, {u"messageText", u"old"}};
    struct Case {
        const char* name;
        std::map<std::u16string, std::u16string> storedBefore;
        std::u16string refusedName;
        int writesBeforeFailing;
        bool eraseFails;
        SnowSettings settings;
        OkOutcome outcome;
    };
    const Case cases[] = {
        {"the first write refused, nothing stored before",
         {},
         u"reg_precipitation",
         -1,
         false,
         makeSettings(0, 6, true, 2),
         OkOutcome::SaveFailed},
        {"the last write refused over an earlier save", earlierSave, u"messageText", -1, false,
         makeSettings(0, 6, true, 2), OkOutcome::SaveFailed},
        {"the fourth write refused, some values stored before", partial, u"blightness", -1, false,
         makeSettings(4, 1, false, 3, u"new"), OkOutcome::SaveFailed},
        {"writes stop after three, nothing stored before",
         {},
         u"",
         3,
         false,
         makeSettings(4, 1, false, 3, u"new"),
         OkOutcome::SaveFailed},
        {"the erase fails", earlierSave, u"", -1, true, SnowSettings{}, OkOutcome::EraseFailed},
        {"every write succeeds", earlierSave, u"", -1, true, makeSettings(0, 6, true, 2), OkOutcome::Saved},
    };
    for (const Case& c : cases) {
        MemoryStore store;
        store.values = c.storedBefore;
        store.refusedName = c.refusedName;
        store.eraseFails = c.eraseFails;
        SnowSettings settings = c.settings;
        DialogModel model(settings);
        store.writesBeforeFailing = c.writesBeforeFailing;
        EXPECT_EQ(model.Command4_Click(store), c.outcome) << c.name;
        if (c.outcome == OkOutcome::Saved) {
            expectSameSettings(nivora::loadSettings(store), settings, c.name);
            continue;
        }
        // Never half written, and never said to be erased: the next start loads what the one before loaded.
        EXPECT_TRUE(store.values == c.storedBefore) << c.name << ": " << store.values.size() << " values";
    }
}

// A store that keeps refusing cannot be put back either: the message must not say that nothing was changed.
TEST(DialogModel, OkSaysWhenTheStoreCouldNotBePutBack)
{
    const std::map<std::u16string, std::u16string> earlierSave = storedFive(u"3", u"2", u"False", u"0", u"old");
    struct Case {
        const char* name;
        int writesBeforeFailing;
        int erasesBeforeFailing;
        SnowSettings settings;
        OkOutcome outcome;
    };
    const Case cases[] = {
        {"every write after the second refused, over an earlier save", 2, -1, makeSettings(0, 6, true, 2),
         OkOutcome::SaveFailedChanged},
        {"every erase takes one value only, and every write is refused", 0, 0, SnowSettings{},
         OkOutcome::EraseFailedChanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStore store;
        store.values = earlierSave;
        SnowSettings settings = c.settings;
        DialogModel model(settings);
        store.writesBeforeFailing = c.writesBeforeFailing;
        store.erasesBeforeFailing = c.erasesBeforeFailing;
        EXPECT_EQ(model.Command4_Click(store), c.outcome);
        EXPECT_FALSE(store.values == earlierSave) << "the message says the store changed: it must have";
    }
}

TEST(DialogModel, EachFailedOkHasItsOwnWarningAndNoOtherOutcomeHasOne)
{
    EXPECT_TRUE(nivora::failureMessage(OkOutcome::SaveFailed) == nivora::kSaveFailedMessage);
    EXPECT_TRUE(nivora::failureMessage(OkOutcome::EraseFailed) == nivora::kEraseFailedMessage);
    EXPECT_TRUE(nivora::failureMessage(OkOutcome::SaveFailedChanged) == nivora::kSaveFailedChangedMessage);
    EXPECT_TRUE(nivora::failureMessage(OkOutcome::EraseFailedChanged) == nivora::kEraseFailedChangedMessage);
    for (const OkOutcome quiet : {OkOutcome::Saved, OkOutcome::Nothing, OkOutcome::ErasedShowMessage})
        EXPECT_TRUE(nivora::failureMessage(quiet).empty());
}

}  // namespace

// The settings window's row table: each setting's row, its pictures, their identifiers and what they show.
#include "core/dialog/setting_rows.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "core/dialog/dialog_layout.h"
#include "core/dialog/option_picture_scales.h"

namespace {

using nivora::RowKind;

TEST(SettingRows, EachSettingHasItsRowWithItsPicturesNamesAndIdentifiers)
{
    struct Case {
        int row;
        RowKind kind;
        int pictures;
        int firstId;
        std::string file;
        std::string resource;
    };
    const Case cases[] = {
        {1, RowKind::Steps, 5, 100, "150/precipitation.png", "PRECIPITATION_150"},
        {2, RowKind::Steps, 13, 110, "150/velocity.png", "VELOCITY_150"},
        {3, RowKind::Toggle, 2, 130, "150/direction.png", "DIRECTION_150"},
        {4, RowKind::Steps, 5, 140, "150/blightness.png", "BLIGHTNESS_150"},
        {5, RowKind::Text, 1, 150, "150/message.png", "MESSAGE_150"},
    };
    ASSERT_EQ(nivora::kRowCount, static_cast<int>(std::size(cases)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(nivora::rowKind(c.row), c.kind);
        EXPECT_EQ(nivora::optionPictureCount(c.row), c.pictures);
        EXPECT_EQ(nivora::firstPictureId(c.row), c.firstId);
        EXPECT_EQ(nivora::optionPictureFile(c.row, 150), c.file);
        EXPECT_EQ(nivora::optionPictureResource(c.row, 150), c.resource);
    }
    EXPECT_EQ(nivora::kMessageRow, 5);
    EXPECT_EQ(nivora::optionPictureCount(0), 0);
    EXPECT_EQ(nivora::optionPictureCount(nivora::kRowCount + 1), 0);
}

// The headings as the pictures and a screen reader show them, letter for letter: a misspelt one would otherwise
// surface only when the artwork is drawn again.
TEST(SettingRows, EachRowHasItsHeadingsAndStem)
{
    struct Case {
        std::u16string_view heading;
        std::u16string_view englishHeading;
        std::string_view stem;
    };
    const Case cases[] = {
        {u"降雪量", u"Precipitation", "precipitation"},
        {u"風速", u"Velocity", "velocity"},
        {u"風向", u"Direction", "direction"},
        {u"明度", u"Brightness", "blightness"},
        {u"雪文字", u"Message", "message"},
    };
    ASSERT_EQ(nivora::kSettingRows.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(nivora::kSettingRows[i].heading == cases[i].heading);
        EXPECT_TRUE(nivora::kSettingRows[i].englishHeading == cases[i].englishHeading);
        EXPECT_EQ(nivora::kSettingRows[i].stem, cases[i].stem);
    }
}

TEST(SettingRows, PictureIdentifiersNeverOverlapAndStayBelowTheButtons)
{
    std::set<int> ids;
    for (int row = 1; row <= nivora::kRowCount; ++row)
        for (int i = 0; i < nivora::optionPictureCount(row); ++i)
            EXPECT_TRUE(ids.insert(nivora::firstPictureId(row) + i).second) << row << ", " << i;
    EXPECT_LT(*ids.rbegin(), 201) << "Command1 is 201";
}

TEST(SettingRows, EveryPictureOfARowShowsAnotherValue)
{
    for (int row = 1; row <= nivora::kRowCount; ++row) {
        std::set<std::u16string> names;
        for (int i = 0; i < nivora::optionPictureCount(row); ++i)
            EXPECT_TRUE(names.insert(nivora::pictureName(row, i)).second) << row << ", " << i;
        EXPECT_EQ(names.size(), static_cast<size_t>(nivora::optionPictureCount(row)));
    }
}

TEST(SettingRows, ValuesAreLabelledByWhatTheyDoToTheSnow)
{
    struct Case {
        std::u16string label;
        std::u16string expected;
    };
    const Case cases[] = {
        {nivora::flakeCountLabel(0), u"100"}, {nivora::flakeCountLabel(4), u"3000"},
        {nivora::windLabel(0), u"-30"},       {nivora::windLabel(6), u"0"},
        {nivora::windLabel(12), u"30"},       {nivora::windModeLabel(0), u"固定"},
        {nivora::windModeLabel(1), u"自動"},  {nivora::brightnessLabel(0), u"0"},
        {nivora::brightnessLabel(1), u"63"},  {nivora::brightnessLabel(4), u"255"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_TRUE(cases[i].label == cases[i].expected) << "case " << i;
}

TEST(SettingRows, TheMessageBoxLiesInTheMessageRowAndTheButtonsBelowTheRows)
{
    const nivora::DialogLayout layout = nivora::kLayoutAt96;
    const nivora::Rect message = layout.row(nivora::kMessageRow);
    EXPECT_EQ(layout.text1, (nivora::Rect{90, 168, 355, 192}));
    EXPECT_GE(layout.text1.top, message.top);
    EXPECT_LE(layout.text1.bottom, message.bottom);
    EXPECT_EQ(layout.picture1.bottom, 204);
    EXPECT_EQ(layout.frame1.top, 198);
    EXPECT_EQ(layout.commandButtons[0].top, 218);
    EXPECT_EQ(layout.settingClient.bottom, 234);
}

}  // namespace

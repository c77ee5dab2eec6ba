// The settings window's rows, one per setting in the stored order: each row's heading, the names its pictures are
// stored under, how many pictures it has and what each of them shows.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/settings/settings.h"

namespace nivora {

// How a row edits its setting, decided by the setting's type: a number steps through its range with "-" and "+",
// a yes/no setting toggles, and the text is typed into the text box over its row.
enum class RowKind : uint8_t { Steps, Toggle, Text };

template <class Value>
constexpr RowKind rowKindOf()
{
    if constexpr (std::is_same_v<Value, bool>)
        return RowKind::Toggle;
    else if constexpr (std::is_same_v<Value, std::u16string_view>)
        return RowKind::Text;
    else
        return RowKind::Steps;
}

// What picture `element` of a row shows, written as the picture writes it.
std::u16string flakeCountLabel(int element);  // "1000": flakes on the screen
std::u16string windLabel(int element);        // "-30": pixels per frame
std::u16string windModeLabel(int element);    // "固定" fixed, "自動" automatic
std::u16string brightnessLabel(int element);  // "127": the desktop picture's alpha

struct SettingRow {
    std::u16string_view heading;         // "降雪量": on the row's pictures, and how a screen reader names the row
    std::u16string_view englishHeading;  // "Precipitation": below the heading on the pictures
    std::string_view stem;               // "precipitation": the pictures' file and resource names
    // The value of each picture, from what the value does to the snow; none for the text row, whose one picture
    // shows only the heading.
    std::u16string (*valueLabel)(int element);
};

// Row k (from 1) edits the setting k of kSettingFields.
inline constexpr std::array<SettingRow, kSettingCount> kSettingRows = {{
    {u"降雪量", u"Precipitation", "precipitation", flakeCountLabel},
    {u"風速", u"Velocity", "velocity", windLabel},
    {u"風向", u"Direction", "direction", windModeLabel},
    {u"明度", u"Brightness", "blightness", brightnessLabel},
    {u"雪文字", u"Message", "message", nullptr},
}};

inline constexpr int32_t kRowCount = static_cast<int32_t>(kSettingCount);

// Calls visit(settingField) for the setting of row `row` (from 1); nothing for a row that does not exist.
template <class Visit>
constexpr void visitRowSetting(int row, Visit&& visit)
{
    int k = 0;
    forEachSetting([&](const auto& f) {
        if (++k == row)
            visit(f);
    });
}

// Each row's kind, by its setting's type.
inline constexpr std::array<RowKind, kSettingCount> kRowKinds = [] {
    std::array<RowKind, kSettingCount> kinds{};
    size_t i = 0;
    forEachSetting([&](const auto& f) { kinds[i++] = rowKindOf<decltype(f.setting.defaultValue)>(); });
    return kinds;
}();

constexpr RowKind rowKind(int row)
{
    return kRowKinds[static_cast<size_t>(row - 1)];
}

// How many pictures each row has: one per value the dialog produces, the picture of value i at index i; the text
// row has one.
inline constexpr std::array<int16_t, kSettingCount> kRowPictureCounts = [] {
    std::array<int16_t, kSettingCount> counts{};
    size_t i = 0;
    forEachSetting([&](const auto& f) {
        using Value = decltype(f.setting.defaultValue);
        if constexpr (rowKindOf<Value>() == RowKind::Steps)
            counts[i] = static_cast<int16_t>(f.setting.range.maximum + 1);
        else if constexpr (rowKindOf<Value>() == RowKind::Toggle)
            counts[i] = 2;
        else
            counts[i] = 1;
        ++i;
    });
    return counts;
}();

// The row of the message, under the text box: the one text row.
inline constexpr int32_t kMessageRow = [] {
    const auto at = std::find(kRowKinds.begin(), kRowKinds.end(), RowKind::Text);
    return static_cast<int32_t>(at - kRowKinds.begin()) + 1;
}();

// Control identifiers of the rows' pictures: picture i of a row is its first identifier + i. Each row starts at the
// next multiple of ten past the previous row's pictures, so the ranges never overlap.
inline constexpr int kFirstPictureId = 100;
constexpr int firstPictureId(int row)
{
    int id = kFirstPictureId;
    for (int k = 1; k < row; ++k)
        id += (kRowPictureCounts[static_cast<size_t>(k - 1)] + 9) / 10 * 10;
    return id;
}

// A setting added without its row leaves an empty row at the end of the table, and would have no pictures.
static_assert(std::ranges::all_of(kSettingRows,
                                  [](const SettingRow& r) {
                                      return !r.heading.empty() && !r.englishHeading.empty() && !r.stem.empty();
                                  }),
              "every setting needs its row in kSettingRows");
// GCC's null-pointer sanitizer keeps a function's address from being compared in a constant expression, so the
// sanitizer build leaves this check to the ordinary builds.
#ifndef NIVORA_NULL_SANITIZER
static_assert(
    [] {
        for (size_t i = 0; i < kSettingCount; ++i)
            if ((kSettingRows[i].valueLabel == nullptr) != (kRowKinds[i] == RowKind::Text))
                return false;
        return true;
    }(),
    "every row but the text row labels its values");
#endif
static_assert(std::ranges::count(kRowKinds, RowKind::Text) == 1, "the text box serves one text row");
// The steps test against 0 as the lower bound, and picture i shows value i.
static_assert(
    [] {
        bool fromZero = true;
        forEachSetting([&](const auto& f) { fromZero = fromZero && f.setting.range.minimum == 0; });
        return fromZero;
    }(),
    "every row's values start at 0");

// The name of the picture of `row`, value `element`, as a screen reader reads it: the row's heading and the value
// the picture shows ("降雪量 500", "風速 -30", "風向 自動", "明度 127"; the message row's heading alone). Empty for
// a row that does not exist, the heading alone for a value the row has no picture of.
std::u16string pictureName(int row, int element);

}  // namespace nivora

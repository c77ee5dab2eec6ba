// The user's settings, their defaults and text forms, and the store operations built on a small store interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace nivora {

inline constexpr std::u16string_view kDefaultMessage = u"TOVEK Super Quorlane 2004";

// The range the settings dialog produces: values for numbers, the length in characters for the text.
struct SettingRange {
    int minimum;
    int maximum;
};

// The words of a yes/no setting on the command line: `words[0]` for false, `words[1]` for true.
using SettingWords = std::array<std::string_view, 2>;

// What the values of a setting do, in words, as the X11 program's usage tells it: "100, 500, 1000, 2000 or 3000
// flakes". Each setting has its own, taken from what the snow makes of its values.
using SettingMeaning = std::string (*)();

// One stored setting. Its text form follows from Value: int16_t decimal, float up to 7 significant digits,
// bool "True"/"False", text unchanged (see core/settings/settings_text.h). `optionName` is its option on the X11
// program's command line and in the XScreenSaver settings file: "-precipitation 3", "--direction fixed".
template <class Value>
struct Setting {
    std::u16string_view storedName;
    Value defaultValue;
    SettingRange range;
    std::string_view optionName;
    SettingWords words;  // yes/no settings only
    SettingMeaning meaning;
};

// Each setting's meaning (see setting_meanings.cpp).
std::string precipitationMeaning();
std::string velocityMeaning();
std::string directionMeaning();
std::string blightnessMeaning();
std::string messageTextMeaning();

// Each setting is declared here and nowhere else; the record, the store, the dialog, the command line and the tests
// read these rows. The option of `blightness` is spelt "brightness": the stored name keeps its historic spelling,
// a user typing the option should not have to.
inline constexpr Setting<int16_t> kPrecipitationSetting{u"reg_precipitation", 1,  {0, 4},
                                                        "precipitation",      {}, precipitationMeaning};
inline constexpr Setting<float> kVelocitySetting{u"velocity", 6.0f, {0, 12}, "velocity", {}, velocityMeaning};
inline constexpr Setting<bool> kDirectionSetting{u"direction",    true, {0, 1}, "direction", {"fixed", "auto"},
                                                 directionMeaning};
inline constexpr Setting<int16_t> kBlightnessSetting{u"blightness", 2, {0, 4}, "brightness", {}, blightnessMeaning};
inline constexpr Setting<std::u16string_view> kMessageTextSetting{
    u"messageText", kDefaultMessage, {0, 128}, "message", {}, messageTextMeaning};

// One record per process, as stored: `velocity` is the wind level 0 to 12 (the live wind in pixels per frame is the
// snow's own, see windFromLevel), `direction` whether the wind is automatic (see isAutomaticWind).
struct SnowSettings {
    int16_t precipitation = kPrecipitationSetting.defaultValue;
    float velocity = kVelocitySetting.defaultValue;
    bool direction = kDirectionSetting.defaultValue;
    int16_t blightness = kBlightnessSetting.defaultValue;  // sic: the stored name is "blightness"
    std::u16string messageText{kMessageTextSetting.defaultValue};
};

// A setting row bound to the field of the record that holds it.
template <class Value, class Field>
struct SettingField {
    Setting<Value> setting;
    Field SnowSettings::*field;
};

// The settings in the order in which they are read and written.
inline constexpr std::tuple kSettingFields{
    SettingField<int16_t, int16_t>{kPrecipitationSetting, &SnowSettings::precipitation},
    SettingField<float, float>{kVelocitySetting, &SnowSettings::velocity},
    SettingField<bool, bool>{kDirectionSetting, &SnowSettings::direction},
    SettingField<int16_t, int16_t>{kBlightnessSetting, &SnowSettings::blightness},
    SettingField<std::u16string_view, std::u16string>{kMessageTextSetting, &SnowSettings::messageText},
};

inline constexpr size_t kSettingCount = std::tuple_size_v<decltype(kSettingFields)>;

// Calls visit(settingField) for each setting, in the stored order.
template <class Visit>
constexpr void forEachSetting(Visit&& visit)
{
    std::apply([&](const auto&... fields) { (visit(fields), ...); }, kSettingFields);
}

// A setting without its meaning would have no sentence of its own on the command line. GCC's null-pointer sanitizer
// keeps a function's address from being compared in a constant expression, so the sanitizer build leaves this check
// to the ordinary builds (and to the unit test that reads every meaning).
#ifndef NIVORA_NULL_SANITIZER
static_assert(
    [] {
        bool all = true;
        forEachSetting([&](const auto& f) { all = all && f.setting.meaning != nullptr; });
        return all;
    }(),
    "every setting needs its meaning");
#endif

// What each setting does to the snow, beside the rows above.

// `precipitation`: 100, 500, 1000, 2000, 3000 flakes for levels 0..4; 1000 for any other value.
constexpr int32_t flakeCountFor(int16_t precipitation)
{
    switch (precipitation) {
    case 0:
        return 100;
    case 1:
        return 500;
    case 2:
        return 1000;
    case 3:
        return 2000;
    case 4:
        return 3000;
    default:
        return 1000;
    }
}

// `velocity`: the stored wind option 0..12 as the wind in pixels per frame, -30..+30 in steps of 5 (6 is calm).
// A hand-edited level outside 0..12 is taken as the nearer end, as the settings dialog shows it, and one that is no
// number as the default, calm: a stored 1e6 would otherwise blow every flake off the screen in one frame.
constexpr float windFromLevel(float level)
{
    const double range[] = {kVelocitySetting.range.minimum, kVelocitySetting.range.maximum};
    double held = level;
    if (!(held == held))
        held = kVelocitySetting.defaultValue;
    held = held < range[0] ? range[0] : held > range[1] ? range[1] : held;
    return static_cast<float>(held * 5.0 - 30.0);
}

// `direction`: True (stored "True") lets the wind change by itself every few seconds; False keeps the level's wind.
constexpr bool isAutomaticWind(bool direction)
{
    return direction;
}

// `blightness`: the AlphaBlend SourceConstantAlpha of the desktop picture, 64 * blightness - 1 for 1..4 (63, 127,
// 191, 255), nothing for 0: the background stays black. A hand-edited value outside 0..4 is taken as the nearer end
// of the range rather than overflowing the byte.
constexpr std::optional<uint8_t> brightnessAlpha(int16_t blightness)
{
    if (blightness < 1)
        return std::nullopt;
    const int level = blightness > 4 ? 4 : blightness;
    return static_cast<uint8_t>(64 * level - 1);
}

// The per-user store of one application ("Nivora") and section ("Settings"); values are text.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when no such value is stored (or it cannot be read as text).
    virtual std::optional<std::u16string> read(std::u16string_view name) = 0;
    virtual void write(std::u16string_view name, std::u16string_view text) = 0;
    // Removes the application's whole entry, every section and value.
    virtual void erase() = 0;
};

// decimalSeparator is the user's locale separator; reading also accepts '.'.
// A value that is absent, or whose text does not convert to its field's type (no number, beyond the field's range,
// unreadable), loads as that field's default; the other fields load as stored. No range is checked beyond what the
// field's type holds, and nothing is written.
SnowSettings loadSettings(SettingsStore& store, char16_t decimalSeparator = u'.');
// Writes every value, in the stored order.
void saveSettings(const SnowSettings& settings, SettingsStore& store, char16_t decimalSeparator = u'.');
void eraseSettings(SettingsStore& store);
// True when "velocity" is stored with a text that is not empty.
bool hasStoredSettings(SettingsStore& store);
// True when every field equals its default exactly (the message letter for letter, case included).
bool isDefault(const SnowSettings& settings);

}  // namespace nivora

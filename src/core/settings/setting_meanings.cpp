// What each setting's values do, in words: the X11 program's usage line for the setting's option. Each sentence is
// taken from what the snow makes of the values, so it follows a change there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings/settings.h"

namespace nivora {

namespace {

// "a, b, c or d unit": each value of the range as `valueText` writes it.
template <class ValueText>
std::string eachValue(const SettingRange& range, ValueText valueText, std::string_view unit)
{
    std::string text;
    for (int level = range.minimum; level <= range.maximum; ++level)
        text.append(level == range.minimum ? "" : level == range.maximum ? " or " : ", ").append(valueText(level));
    return text.append(" ").append(unit);
}

}  // namespace

std::string precipitationMeaning()
{
    return eachValue(
        kPrecipitationSetting.range,
        [](int level) { return std::to_string(flakeCountFor(static_cast<int16_t>(level))); }, "flakes");
}

std::string velocityMeaning()
{
    const SettingRange& range = kVelocitySetting.range;
    std::string calm;
    for (int level = range.minimum; level <= range.maximum; ++level)
        if (windFromLevel(static_cast<float>(level)) == 0)
            calm = std::to_string(level);
    const auto wind = [](int level) { return static_cast<int>(windFromLevel(static_cast<float>(level))); };
    return std::string("the wind, ")
        .append(std::to_string(wind(range.minimum)))
        .append(" (left) to +")
        .append(std::to_string(wind(range.maximum)))
        .append(" pixels a frame; ")
        .append(calm)
        .append(" is calm");
}

std::string directionMeaning()
{
    const SettingWords& words = kDirectionSetting.words;
    return std::string(words[1]).append(": the wind changes by itself; ").append(words[0]).append(": it does not");
}

// The desktop's share of each pixel, in per cent of full brightness.
std::string blightnessMeaning()
{
    return std::string("the desktop at ")
        .append(eachValue(
            kBlightnessSetting.range,
            [](int level) {
                const std::optional<uint8_t> alpha = brightnessAlpha(static_cast<int16_t>(level));
                return alpha ? std::to_string((*alpha * 100 + 127) / 255) : std::string("0 (black)");
            },
            "%"));
}

std::string messageTextMeaning()
{
    return std::string("the text the snow settles on, up to ")
        .append(std::to_string(kMessageTextSetting.range.maximum))
        .append(" characters");
}

}  // namespace nivora

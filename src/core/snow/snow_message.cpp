// Layout arithmetic of the message in PicText.
#include "core/snow/snow_message.h"

#include "core/snow/flake_sprites.h"
#include "core/base/rounding.h"

namespace nivora {

std::optional<int32_t> messageFontDpi(const SnowArea& area)
{
    if (area.mode == SnowMode::Preview)
        return std::nullopt;
    return static_cast<int32_t>(roundHalfEven(96.0 * snowScale(area.scale)));
}

float messageWidthLimit(int16_t drawWidth)
{
    return static_cast<float>(drawWidth / 20.0 * 18.0);
}

MessagePosition messagePosition(int16_t drawWidth, int16_t drawHeight, double textWidth)
{
    return {static_cast<float>(drawWidth / 20.0 * 19.0 - textWidth), static_cast<float>(drawHeight / 5.0 * 4.0)};
}

void fitMessageFont(MessageFont& font, float widthLimit)
{
    while (font.textWidth() > widthLimit) {
        const float effective = font.fontSize();
        if (!(effective - 1.0f >= kMinMessageFontSize))
            return;
        font.setFontSize(effective - 1.0f);
        if (!(font.fontSize() < effective))
            return;  // the font refuses to shrink further
    }
}

}  // namespace nivora

// Where and how large the message is printed into PicText: the arithmetic of the layout, with the font and its
// measurement left to the window layer behind a small interface.
#pragma once

#include <cstdint>
#include <optional>

#include "core/snow/snow_motion.h"

namespace nivora {

// No font is made smaller than this, so a message too long for any size cannot keep the start-up looping.
inline constexpr float kMinMessageFontSize = 1.0f;
inline constexpr float kPreviewMessageFontSize = 6.0f;

// The DPI at which the message's points become pixels: the area's display scale times 96, so that 48 points are 64
// pixels at 100 % and 96 at 150 %, whatever the system's DPI. Nothing for the preview, whose 6 points follow the
// system's DPI as the rest of the host's box does.
std::optional<int32_t> messageFontDpi(const SnowArea& area);

// The message must be no wider than 90 % of the drawing area: drawWidth / 20 * 18, as a single.
float messageWidthLimit(int16_t drawWidth);

// Top-left corner of the message: it ends 5 % of the width before the right edge, and its line starts at 80 % of
// the height. In pixels as singles; printing rounds them to whole pixels, halves to even.
struct MessagePosition {
    float x = 0;
    float y = 0;
};
MessagePosition messagePosition(int16_t drawWidth, int16_t drawHeight, double textWidth);

// The font of PicText as the layout sees it.
class MessageFont {
public:
    virtual ~MessageFont() = default;
    virtual double textWidth() = 0;       // width of the message in the current font, pixels
    virtual float fontSize() = 0;         // the size the font really has, points (may differ from the one set)
    virtual void setFontSize(float) = 0;  // points
};

// While the message is wider than `widthLimit`, sets the font one point below its effective size. Stops at
// kMinMessageFontSize, or when the font no longer gets smaller, rather than trying forever.
void fitMessageFont(MessageFont& font, float widthLimit);

}  // namespace nivora

// Choosing a font size at which a caption fits its box: the size asked for, or the largest smaller one that fits.
#pragma once

#include <cstdint>
#include <functional>

namespace nivora {

// Below this no caption is readable; a face that will not fit even here is used at this size.
inline constexpr int32_t kSmallestFontPixels = 6;

// `widthAt(pixels)` gives the caption's width at a font size. Returns `pixels` when the caption fits `boxWidth`,
// else the largest smaller size at which it does, never less than kSmallestFontPixels (nor more than `pixels`).
int32_t fittingFontPixels(int32_t pixels, int32_t boxWidth, const std::function<int32_t(int32_t)>& widthAt);

}  // namespace nivora

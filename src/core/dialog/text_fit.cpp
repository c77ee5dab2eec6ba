// The largest font size at which a caption fits its box.
#include "core/dialog/text_fit.h"

namespace nivora {

int32_t fittingFontPixels(int32_t pixels, int32_t boxWidth, const std::function<int32_t(int32_t)>& widthAt)
{
    if (pixels <= kSmallestFontPixels)
        return pixels;
    // Widths grow with the size, but not evenly (hinting rounds each glyph), so step down one pixel at a time.
    int32_t size = pixels;
    while (size > kSmallestFontPixels && widthAt(size) > boxWidth)
        --size;
    return size;
}

}  // namespace nivora

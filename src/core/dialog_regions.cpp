// Region outlines of the settings window, one per selected item.
#include "core/dialog_regions.h"

#include "core/dialog_layout.h"
#include "core/rounding.h"

namespace nivora {

namespace {

// Real window sizes always fit; a size that does not (a broken screen metric) gives an empty window rather than
// an arbitrary one.
int32_t toPixels(double v)
{
    return roundToInt<int32_t>(v).value_or(0);
}

}  // namespace

WindowPixels windowPixels(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY)
{
    const double width = widthTwips / twipsPerPixelX;
    return {toPixels(width), toPixels(width - kRowBandInset), toPixels(heightTwips / twipsPerPixelY)};
}

RegionOutline regionOutline(int k, const WindowPixels& window, int32_t c)
{
    const int32_t W = window.W;
    const int32_t W5 = window.W5;
    const int32_t H = window.H;
    const int32_t inset = kRowBandInset;
    const int32_t bandTop = c + inset;
    const int32_t bandBottom = bandTop + kRowCount * kRowHeight;  // c + 205
    const int32_t t = bandTop + kRowHeight * (k - 1);
    const int32_t b = bandTop + kRowHeight * k;
    // The outer rectangle winds once clockwise. The path then comes back in along the left edge and, around the
    // band, winds once the other way round every row but row k, which cancels the outer winding there.
    return {{
        {0, 0}, {W, 0}, {W, H}, {0, H},
        {0, bandBottom}, {W5, bandBottom}, {W5, b}, {inset, b},
        {inset, t}, {W5, t}, {W5, bandTop}, {inset, bandTop},
        {inset, H}, {0, H},
    }};
}

std::array<RegionOutline, 5> regionOutlines(const WindowPixels& window, int32_t c)
{
    std::array<RegionOutline, 5> outlines;
    for (int k = 1; k <= 5; ++k)
        outlines[static_cast<std::size_t>(k - 1)] = regionOutline(k, window, c);
    return outlines;
}

}  // namespace nivora

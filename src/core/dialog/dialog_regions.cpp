// Region outlines of the settings window, one per selected item.
#include "core/dialog/dialog_regions.h"

#include "core/dialog/dialog_layout.h"

namespace nivora {

RegionOutline regionOutline(int k, int32_t width, int32_t height, const RowBand& band)
{
    const int32_t W = width;
    const int32_t H = height;
    const int32_t left = band.left;
    const int32_t right = band.left + band.width;
    const int32_t bandTop = band.top;
    const int32_t bandBottom = bandTop + kRowCount * band.rowHeight;
    const int32_t t = bandTop + band.rowHeight * (k - 1);
    const int32_t b = bandTop + band.rowHeight * k;
    // The outer rectangle winds once clockwise. The path then comes back in along the left edge and, around the
    // band, winds once the other way round every row but row k, which cancels the outer winding there.
    return {{
        {0, 0},
        {W, 0},
        {W, H},
        {0, H},
        {0, bandBottom},
        {right, bandBottom},
        {right, b},
        {left, b},
        {left, t},
        {right, t},
        {right, bandTop},
        {left, bandTop},
        {left, H},
        {0, H},
    }};
}

std::array<RegionOutline, kRowCount> regionOutlines(int32_t width, int32_t height, const RowBand& band)
{
    std::array<RegionOutline, kRowCount> outlines;
    for (int k = 1; k <= kRowCount; ++k)
        outlines[static_cast<std::size_t>(k - 1)] = regionOutline(k, width, height, band);
    return outlines;
}

}  // namespace nivora

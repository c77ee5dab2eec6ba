// The outlines of the settings window's shapes, one per row: the whole window with holes where the rows that are not
// selected lie, so those rows show the translucent overlay beneath.
#pragma once

#include <array>
#include <cstdint>

#include "core/dialog/setting_rows.h"

namespace nivora {

// Same layout as a Win32 POINT: two signed 32-bit pixel coordinates, relative to the window's top-left corner
// (frame and caption included).
struct RegionPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend constexpr bool operator==(const RegionPoint&, const RegionPoint&) = default;
};

inline constexpr int kOutlineVertexCount = 14;
using RegionOutline = std::array<RegionPoint, kOutlineVertexCount>;

// Where the rows lie in the window, measured from the window's top-left corner: at 96 dpi and with the
// frame, 5 px right of it and a caption height + 5 px below it, 360 px wide and 40 px a row.
struct RowBand {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t rowHeight = 0;
};

// The outline of item k (1 to kRowCount) for a window of width x height pixels, to be filled with the WINDING rule.
RegionOutline regionOutline(int k, int32_t width, int32_t height, const RowBand& band);

// regionPoints[k - 1] is the outline of item k.
std::array<RegionOutline, kRowCount> regionOutlines(int32_t width, int32_t height, const RowBand& band);

}  // namespace nivora

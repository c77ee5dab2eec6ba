// The outlines of the settings window's five shapes: the whole window with holes where the four rows that are not
// selected lie, so those rows show the translucent overlay beneath.
#pragma once

#include <array>
#include <cstdint>

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

// The window's outer size in pixels, taken from its size in twips.
struct WindowPixels {
    int32_t W = 0;   // width
    int32_t W5 = 0;  // width less 5, rounded after the subtraction (it can differ from W - 5 on odd scalings)
    int32_t H = 0;   // height
};

WindowPixels windowPixels(double widthTwips, double heightTwips, double twipsPerPixelX, double twipsPerPixelY);

// The outline of item k (1 to 5), to be filled with the WINDING rule; c is the caption height in pixels.
RegionOutline regionOutline(int k, const WindowPixels& window, int32_t c);

// regionPoints[k - 1] is the outline of item k.
std::array<RegionOutline, 5> regionOutlines(const WindowPixels& window, int32_t c);

}  // namespace nivora

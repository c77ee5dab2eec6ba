// An output's turn and mirror, as Wayland's outputs describe them, and the desktop's picture turned from the
// output's own pixel order into the order the user sees it in.
#pragma once

#include <cstdint>
#include <vector>

#include "raster.h"

namespace nivora {

// The values of wl_output.transform: the turn counter-clockwise in steps of 90 degrees, and 4 for a mirror about
// the vertical axis first.
enum class OutputTransform : int32_t {
    Normal = 0,
    Turned90 = 1,
    Turned180 = 2,
    Turned270 = 3,
    Flipped = 4,
    Flipped90 = 5,
    Flipped180 = 6,
    Flipped270 = 7,
};

// A value from the compositor, which may be anything: nothing outside the eight.
bool isOutputTransform(int32_t value);

// Whether the output's width and height swap between its pixels and what the user sees.
constexpr bool swapsSides(OutputTransform t)
{
    return (static_cast<int32_t>(t) & 1) != 0;
}

struct TurnedPicture {
    std::vector<Pixel> pixels;  // top row first, no margin
    int32_t width = 0;
    int32_t height = 0;
};

// `buffer`, the output's pixels in the order the output scans them (its current mode's width and height), turned
// into the order of the layout: the desktop the right way up.
TurnedPicture turnToLayout(const ConstSurface& buffer, OutputTransform transform);

}  // namespace nivora

// Where the settings window opens: up and to the left of the mouse pointer, kept on the monitor under it.
#pragma once

#include <cstdint>

#include "core/base/rect.h"

namespace nivora {

// How far left of and above the pointer the window's top-left corner goes, in pixels.
inline constexpr int32_t kPointerOffsetPixels = 180;
// The pointer position, in pixels on each axis, to assume when it cannot be read.
inline constexpr int32_t kUnknownPointerPixel = 1500;

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend constexpr bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The window's top-left corner: 180 px left of and above the pointer, moved back so the window ends at the area's
// far edge, or to its near edge when it would start before it. The far edge wins: a window larger than the area
// starts before it. Never overflows; results saturate to 32 bits.
PixelPoint placeNearPointer(PixelPoint pointer, int32_t windowWidth, int32_t windowHeight, const Rect& area);

}  // namespace nivora

// Where the settings window opens: up and to the left of the mouse pointer, kept on the screen.
#pragma once

#include <cstdint>

namespace nivora {

// How far left of and above the pointer the window's top-left corner goes, in pixels.
inline constexpr int32_t kPointerOffsetPixels = 180;
// The pointer position, in pixels on each axis, to assume when it cannot be read.
inline constexpr int32_t kUnknownPointerPixel = 1500;

// One axis of the placement, in twips: (pointer − 180) × twipsPerPixel rounded halves to even, moved back so the
// window ends at the screen's far edge, or to 0 when it would start before the near edge. The far edge wins:
// a window larger than the screen gets a negative position. Never overflows; results saturate to 32 bits.
int32_t placeNearPointer(int32_t pointerPixel, double twipsPerPixel, int32_t screenExtentTwips,
                         int32_t windowExtentTwips);

}  // namespace nivora

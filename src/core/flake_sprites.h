// The two flake strips of the snow window: seven 6 x 6 cells side by side, the sprite in greys on black and its
// mask, black where the sprite is not, white elsewhere.
#pragma once

#include <array>
#include <cstdint>

#include "core/raster.h"

namespace nivora {

inline constexpr int32_t kFlakeCellSize = 6;
inline constexpr int32_t kFlakeKinds = 7;
inline constexpr int32_t kFlakeStripWidth = kFlakeCellSize * kFlakeKinds;  // 42
inline constexpr int32_t kFlakeStripHeight = kFlakeCellSize;

using FlakeStrip = std::array<Pixel, kFlakeStripWidth * kFlakeStripHeight>;

// picChar: each flake in the top-left corner of its cell, as grey pixels (red = green = blue).
const FlakeStrip& flakeSpriteStrip();
// picChar2: derived pixel by pixel from the sprite, so the two can never disagree.
const FlakeStrip& flakeMaskStrip();

// Where a flake's pixels lie inside its cell: the bounding box of the sprite's non-black pixels (outside it the mask
// is white and the sprite black).
struct FlakeShape {
    int32_t left, top, right, bottom;  // right and bottom exclusive
};
const std::array<FlakeShape, kFlakeKinds>& flakeShapes();

ConstSurface flakeSpriteSurface();
ConstSurface flakeMaskSurface();

}  // namespace nivora

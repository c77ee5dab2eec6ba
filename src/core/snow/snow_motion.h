// The flakes and how they move: drift with the wind, sway as they fall, wrap at the sides, and start again at the
// top once they have settled or fallen out of the picture.
#pragma once

#include <cstdint>
#include <span>

#include "core/snow/random.h"
#include "core/base/rounding.h"

namespace nivora {

// Positions are in pixels of the area at 100 %: at display scale s, the area's pixels divided by s. Flakes move
// there as the design moves them on a screen of that size, and are drawn s times as far from the corner.
struct Flake {
    float x = 0;          // left edge before the sway
    float y = 0;          // top edge
    int32_t size = 0;     // kind 0..6: index of the sprite cell
    float speed = 0;      // 1..4 pixels per frame
    int32_t spriteX = 0;  // size * 6
};

enum class SnowMode : uint8_t { FullScreen, Preview };

// The drawing area as the start-up sets it.
struct SnowArea {
    int16_t drawWidth = 0;
    int16_t drawHeight = 0;
    SnowMode mode = SnowMode::FullScreen;
    float previewScaleY = 1.0f;  // preview only: preview height over screen height
    // Full screen only: the monitor's display scale, its DPI over 96. The snow of a W x H area at scale s is the
    // snow of a W/s x H/s area at 100 %, made s times larger: where the flakes are and the flakes themselves. The
    // preview keeps its own scaling, from the box's height.
    double scale = 1.0;
};

// Where a flake is drawn in this frame.
struct FlakePosition {
    double swayed;  // the swayed left edge before rounding, at 100 % (a single's value in the preview)
    int32_t px;     // in the area's pixels: swayed and y times the scale, rounded
    int32_t py;
};

int32_t toPixelFar(double v);  // toPixel beyond 2^30

// A position rounded to whole pixels, halves to even. Positions beyond 2^30 pixels (or beyond 32 bits) are held
// there, on their own side: just as far off every picture and wrapped the same way, while px + 6 or width - px
// cannot overflow. Inline, since each frame rounds two positions for every flake.
inline int32_t toPixel(double v)
{
    // Nearly every position is well within 2^30: rounded there, halves to even, without the range checks.
    constexpr double kNear = 1073741824.0;  // 2^30
    if (v > -kNear && v < kNear)
        return static_cast<int32_t>(roundHalfEven(v));
    return toPixelFar(v);
}

// The first step of a frame: every flake drifts with the wind on the area at 100 %, and where its sway puts it is
// worked out, in the area's pixels at `scale`.
template <SnowMode Mode>
void moveFlakes(std::span<Flake> flakes, float velocity, double scale, std::span<FlakePosition> positions);

// The last step: a flake that settled starts again at the top at height 0; any other wraps at the sides and falls,
// and starts again at its size's height once it is past the bottom. Each start draws a fresh x, in flake order. All
// of it on the area at 100 %: drawWidth and drawHeight over area.scale.
// `settled` lists the flakes that settled in this frame, in ascending order.
template <SnowMode Mode>
void advanceFlakes(std::span<Flake> flakes, std::span<const FlakePosition> positions, std::span<const uint32_t> settled,
                   const SnowArea& area, Random& random);

}  // namespace nivora

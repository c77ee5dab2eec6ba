// The flake artwork as data: grey levels of the sprite strip, and the mask computed from them.
#include "core/flake_sprites.h"

namespace nivora {
namespace {

// Grey levels of the sprite strip, row by row; each 6-column group is one cell, kinds 0 to 6 from left to right.
// clang-format off
constexpr std::array<uint8_t, kFlakeStripWidth * kFlakeStripHeight> kSpriteGreys = {
//  kind 0               kind 1               kind 2               kind 3               kind 4               kind 5               kind 6
    180,0,0,0,0,0,       255,0,0,0,0,0,       255,192,0,0,0,0,     225,180,0,0,0,0,     255,225,0,0,0,0,     0,255,255,0,0,0,     0,0,255,255,0,0,
    0,0,0,0,0,0,         180,0,0,0,0,0,       180,192,0,0,0,0,     192,135,0,0,0,0,     225,180,0,0,0,0,     255,255,225,180,0,0, 0,255,255,255,225,0,
    0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         255,192,192,135,0,0, 255,255,255,225,192,180,
    0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,180,135,0,0,0,     255,255,225,192,192,135,
    0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,180,180,192,135,0,
    0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,0,0,0,0,         0,0,180,135,0,0,
};
// clang-format on

constexpr FlakeStrip makeSprite()
{
    FlakeStrip strip{};
    for (size_t i = 0; i < strip.size(); ++i)
        strip[i] = greyPixel(kSpriteGreys[i]);
    return strip;
}

constexpr FlakeStrip makeMask(const FlakeStrip& sprite)
{
    FlakeStrip strip{};
    for (size_t i = 0; i < strip.size(); ++i)
        strip[i] = sprite[i] != kBlackPixel ? kBlackPixel : kWhitePixel;
    return strip;
}

constexpr FlakeStrip kSprite = makeSprite();
constexpr FlakeStrip kMask = makeMask(kSprite);

}  // namespace

const FlakeStrip& flakeSpriteStrip()
{
    return kSprite;
}

const FlakeStrip& flakeMaskStrip()
{
    return kMask;
}

ConstSurface flakeSpriteSurface()
{
    return {kSprite.data(), kFlakeStripWidth, kFlakeStripHeight, kFlakeStripWidth};
}

ConstSurface flakeMaskSurface()
{
    return {kMask.data(), kFlakeStripWidth, kFlakeStripHeight, kFlakeStripWidth};
}

}  // namespace nivora

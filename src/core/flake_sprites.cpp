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

constexpr std::array<FlakeShape, kFlakeKinds> makeShapes(const FlakeStrip& sprite)
{
    std::array<FlakeShape, kFlakeKinds> shapes{};
    for (int32_t kind = 0; kind < kFlakeKinds; ++kind) {
        FlakeShape box{kFlakeCellSize, kFlakeCellSize, 0, 0};
        for (int32_t y = 0; y < kFlakeCellSize; ++y) {
            for (int32_t x = 0; x < kFlakeCellSize; ++x) {
                if (sprite[static_cast<size_t>(y * kFlakeStripWidth + kind * kFlakeCellSize + x)] == kBlackPixel)
                    continue;
                box = {box.left < x ? box.left : x, box.top < y ? box.top : y, box.right > x + 1 ? box.right : x + 1,
                       box.bottom > y + 1 ? box.bottom : y + 1};
            }
        }
        shapes[static_cast<size_t>(kind)] = box;
    }
    return shapes;
}

constexpr FlakeStrip kSprite = makeSprite();
constexpr FlakeStrip kMask = makeMask(kSprite);
constexpr std::array<FlakeShape, kFlakeKinds> kShapes = makeShapes(kSprite);

}  // namespace

const FlakeStrip& flakeSpriteStrip()
{
    return kSprite;
}

const FlakeStrip& flakeMaskStrip()
{
    return kMask;
}

const std::array<FlakeShape, kFlakeKinds>& flakeShapes()
{
    return kShapes;
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

// The flake artwork as data: grey levels of the sprite strip, and the mask computed from them.
#include "core/snow/flake_sprites.h"

#include <algorithm>
#include <cmath>

#include "core/base/rounding.h"

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

double snowScale(double displayScale)
{
    if (!(displayScale >= kLeastDisplayScale))  // also no number at all
        return kLeastDisplayScale;
    return std::min(displayScale, kGreatestDisplayScale);
}

FlakeSprites::FlakeSprites(double scale) : scale_(snowScale(scale)), cell_(0)
{
    cell_ = edge(kFlakeCellSize);
    const auto width = static_cast<size_t>(stripWidth());
    sprite_.assign(width * static_cast<size_t>(cell_), kBlackPixel);
    mask_.assign(sprite_.size(), kWhitePixel);
    for (int32_t kind = 0; kind < kFlakeKinds; ++kind) {
        const FlakeShape& at100 = kShapes[static_cast<size_t>(kind)];
        shapes_[static_cast<size_t>(kind)] = {edge(at100.left), edge(at100.top), edge(at100.right),
                                              edge(at100.bottom)};
        for (int32_t y = 0; y < kFlakeCellSize; ++y) {
            for (int32_t x = 0; x < kFlakeCellSize; ++x) {
                const size_t from = static_cast<size_t>(y * kFlakeStripWidth + kind * kFlakeCellSize + x);
                for (int32_t sy = edge(y); sy < edge(y + 1); ++sy) {
                    for (int32_t sx = edge(x); sx < edge(x + 1); ++sx) {
                        const size_t to = static_cast<size_t>(sy) * width + static_cast<size_t>(kind * cell_ + sx);
                        sprite_[to] = kSprite[from];
                        mask_[to] = kMask[from];
                    }
                }
            }
        }
        const auto offset = static_cast<uint32_t>(kind * cell_);
        if (offset < kCellBits)
            cellBits_[offset / 64] |= uint64_t{1} << (offset % 64);
    }
}

int32_t FlakeSprites::edge(int32_t k) const
{
    return static_cast<int32_t>(roundHalfEven(k * scale_));
}

}  // namespace nivora

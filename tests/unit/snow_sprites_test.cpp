// The flake strips: the sprite's pixels as drawn, the mask derived from them, and what stamping does.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/snow/flake_sprites.h"
#include "core/snow/snow_drawing.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

TEST(SnowSprites, LargerKindsAreLargerGreyFlakesInTheirCellsCorner)
{
    // What the frames rely on: kind k's flake grows with k, is made of greys only (red = green = blue, so XOR over
    // a black hole paints it exactly), and starts in its cell's top-left corner; the strip itself is pinned by a hash
    // so that a changed pixel shows here (the option pictures' golden files do the same for the other artwork).
    const FlakeStrip& sprite = flakeSpriteStrip();
    const int expectedPixels[kFlakeKinds] = {1, 2, 4, 4, 4, 12, 24};
    for (int kind = 0; kind < kFlakeKinds; ++kind) {
        int pixels = 0;
        bool inTopRow = false, inLeftColumn = false;
        for (int y = 0; y < kFlakeCellSize; ++y) {
            for (int x = 0; x < kFlakeCellSize; ++x) {
                const Pixel p = sprite[static_cast<size_t>(y * kFlakeStripWidth + kind * kFlakeCellSize + x)];
                EXPECT_EQ(p, greyPixel(static_cast<uint8_t>(p & 0xFFu))) << "kind " << kind << " at " << x << ", " << y;
                if (p == kBlackPixel)
                    continue;
                ++pixels;
                inTopRow |= y == 0;
                inLeftColumn |= x == 0;
            }
        }
        EXPECT_EQ(pixels, expectedPixels[kind]) << "kind " << kind;
        EXPECT_TRUE(inTopRow && inLeftColumn) << "kind " << kind;
    }
    uint64_t hash = 1469598103934665603ull;  // FNV-1a over the strip's bytes
    for (Pixel p : sprite) {
        for (int b = 0; b < 4; ++b) {
            hash ^= (p >> (8 * b)) & 0xFFu;
            hash *= 1099511628211ull;
        }
    }
    EXPECT_EQ(hash, 0x7d71677a1be67ef0ull);
}

TEST(SnowSprites, MaskIsTheSpritesSilhouetteInBlackOnWhite)
{
    // Black pixels per row of each cell: kind 6 is the disc 2, 4, 6, 6, 4, 2.
    struct Case {
        int kind;
        int blackPerRow[6];
    };
    const Case cases[] = {{0, {1, 0, 0, 0, 0, 0}}, {1, {1, 1, 0, 0, 0, 0}}, {2, {2, 2, 0, 0, 0, 0}},
                          {3, {2, 2, 0, 0, 0, 0}}, {4, {2, 2, 0, 0, 0, 0}}, {5, {2, 4, 4, 2, 0, 0}},
                          {6, {2, 4, 6, 6, 4, 2}}};
    const FlakeStrip& mask = flakeMaskStrip();
    const FlakeStrip& sprite = flakeSpriteStrip();
    for (const Case& c : cases) {
        for (int y = 0; y < kFlakeCellSize; ++y) {
            int black = 0;
            for (int x = 0; x < kFlakeCellSize; ++x) {
                const size_t i = static_cast<size_t>(y * kFlakeStripWidth + c.kind * kFlakeCellSize + x);
                EXPECT_TRUE(mask[i] == kBlackPixel || mask[i] == kWhitePixel);
                EXPECT_EQ(mask[i] == kBlackPixel, sprite[i] != kBlackPixel);
                black += mask[i] == kBlackPixel;
            }
            EXPECT_EQ(black, c.blackPerRow[y]) << "kind " << c.kind << " row " << y;
        }
    }
}

TEST(SnowSprites, StampingShowsTheFlakeOverAnyBackgroundAndTwiceChangesNothing)
{
    for (int kind = 0; kind < kFlakeKinds; ++kind) {
        snowtest::Image picture(6, 6);
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = static_cast<Pixel>(0x00123456u * (i + 3)) & 0x00FFFFFFu;
        const snowtest::Image background = picture;
        for (int times = 0; times < 2; ++times) {
            bitBlt(picture.view(), 0, 0, 6, 6, flakeMaskSurface(), kind * 6, 0, Rop::SrcAnd);
            bitBlt(picture.view(), 0, 0, 6, 6, flakeSpriteSurface(), kind * 6, 0, Rop::SrcInvert);
            for (int y = 0; y < 6; ++y) {
                for (int x = 0; x < 6; ++x) {
                    const Pixel s = flakeSpriteStrip()[static_cast<size_t>(y * kFlakeStripWidth + kind * 6 + x)];
                    EXPECT_EQ(picture.at(x, y), s != kBlackPixel ? s : background.at(x, y))
                        << "kind " << kind << " at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(SnowSprites, ShapesBoundEveryFlakePixel)
{
    const FlakeShape expected[] = {{0, 0, 1, 1}, {0, 0, 1, 2}, {0, 0, 2, 2}, {0, 0, 2, 2},
                                   {0, 0, 2, 2}, {0, 0, 4, 4}, {0, 0, 6, 6}};
    for (int kind = 0; kind < kFlakeKinds; ++kind) {
        const FlakeShape& s = flakeShapes()[static_cast<size_t>(kind)];
        EXPECT_EQ(s.left, expected[kind].left);
        EXPECT_EQ(s.top, expected[kind].top);
        EXPECT_EQ(s.right, expected[kind].right) << kind;
        EXPECT_EQ(s.bottom, expected[kind].bottom) << kind;
    }
}

TEST(SnowSprites, OnlyTheSevenCellOffsetsAreCells)
{
    // The frames draw a flake from the strips' cells only at these offsets; anything else, however far out, is
    // copied as a clipped 6 x 6 square instead.
    const FlakeSprites sprites;  // at 100 %
    const auto isCell = [&](int32_t x) { return sprites.isCell(x); };
    for (int32_t x = -200; x <= 200; ++x)
        EXPECT_EQ(isCell(x), x >= 0 && x <= 36 && x % 6 == 0) << x;
    for (int32_t x : {INT32_MIN, INT32_MIN + 6, 60, 63, 64, 66, 96, 1 << 20, INT32_MAX - 1, INT32_MAX})
        EXPECT_FALSE(isCell(x)) << x;
}

}  // namespace
}  // namespace nivora

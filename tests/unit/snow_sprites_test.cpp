// The flake strips: the sprite's pixels as drawn, the mask derived from them, and what stamping does.
#include <gtest/gtest.h>

#include <vector>

#include "core/flake_sprites.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

TEST(SnowSprites, EachCellHoldsItsFlakeInTheTopLeftCorner)
{
    struct Case {
        int kind;
        std::vector<std::vector<int>> rows;  // grey levels of the flake's block
    };
    const Case cases[] = {
        {0, {{180}}},
        {1, {{255}, {180}}},
        {2, {{255, 192}, {180, 192}}},
        {3, {{225, 180}, {192, 135}}},
        {4, {{255, 225}, {225, 180}}},
        {5, {{0, 255, 255, 0}, {255, 255, 225, 180}, {255, 192, 192, 135}, {0, 180, 135, 0}}},
        {6,
         {{0, 0, 255, 255, 0, 0},
          {0, 255, 255, 255, 225, 0},
          {255, 255, 255, 225, 192, 180},
          {255, 255, 225, 192, 192, 135},
          {0, 180, 180, 192, 135, 0},
          {0, 0, 180, 135, 0, 0}}},
    };
    const FlakeStrip& sprite = flakeSpriteStrip();
    for (const Case& c : cases) {
        for (int y = 0; y < kFlakeCellSize; ++y) {
            for (int x = 0; x < kFlakeCellSize; ++x) {
                const bool inBlock = y < static_cast<int>(c.rows.size()) && x < static_cast<int>(c.rows[0].size());
                const int grey = inBlock ? c.rows[static_cast<size_t>(y)][static_cast<size_t>(x)] : 0;
                EXPECT_EQ(sprite[static_cast<size_t>(y * kFlakeStripWidth + c.kind * kFlakeCellSize + x)],
                          greyPixel(static_cast<uint8_t>(grey)))
                    << "kind " << c.kind << " at (" << x << ", " << y << ")";
            }
        }
    }
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

}  // namespace
}  // namespace nivora

// The snow at a display scale: the strips made larger and crisp, the motion in scaled steps, each monitor at its own
// scale, and the message's DPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_message.h"
#include "core/snow/snow_screens.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using snowtest::Image;

// The box of the pixels of `img` that differ from `background`.
Rect changedBox(const Image& img, Pixel background)
{
    Rect box{img.width, img.height, 0, 0};
    for (int32_t y = 0; y < img.height; ++y)
        for (int32_t x = 0; x < img.width; ++x)
            if (img.at(x, y) != background)
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                       std::max(box.bottom, y + 1)};
    return box;
}

TEST(SnowScale, StripsAreTheDesignsStripsMadeLargerWithCellEdgesRounded)
{
    struct Case {
        double scale;
        int32_t cell;      // round(6 s)
        int32_t dot;       // the one-pixel flake's side: round(s)
        int32_t largest;   // the 6 x 6 flake's side
    };
    const Case cases[] = {
        {1.0, 6, 1, 6},   {1.25, 8, 1, 8}, {1.5, 9, 2, 9},  {2.0, 12, 2, 12},
        {3.0, 18, 3, 18}, {5.0, 30, 5, 30}, {0.5, 6, 1, 6}, {7.5, 30, 5, 30},  // held to 1 ... 5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        const FlakeSprites sprites(c.scale);
        EXPECT_EQ(sprites.cellSize(), c.cell);
        const Rect dot = [&] {
            const FlakeShape& s = sprites.shapes()[0];
            return Rect{s.left, s.top, s.right, s.bottom};
        }();
        EXPECT_EQ(dot, (Rect{0, 0, c.dot, c.dot}));
        const FlakeShape& disc = sprites.shapes()[6];
        EXPECT_EQ(disc.right - disc.left, c.largest);
        EXPECT_EQ(disc.bottom - disc.top, c.largest);
        for (int32_t kind = 0; kind < kFlakeKinds; ++kind)
            EXPECT_TRUE(sprites.isCell(kind * c.cell)) << kind;
        EXPECT_FALSE(sprites.isCell(1));
        EXPECT_FALSE(sprites.isCell(kFlakeKinds * c.cell));
        EXPECT_FALSE(sprites.isCell(-c.cell));
    }
}

TEST(SnowScale, ScaledStripsKeepTheGreysAndTheMaskFollowsTheSprite)
{
    std::set<Pixel> designGreys;
    for (const Pixel p : flakeSpriteStrip())
        designGreys.insert(p);
    for (const double scale : {1.0, 1.25, 1.5, 2.0, 3.0, 4.4}) {
        SCOPED_TRACE(scale);
        const FlakeSprites sprites(scale);
        const ConstSurface sprite = sprites.sprite(), mask = sprites.mask();
        ASSERT_EQ(sprite.width, 7 * sprites.cellSize());
        for (int32_t y = 0; y < sprite.height; ++y) {
            for (int32_t x = 0; x < sprite.width; ++x) {
                EXPECT_TRUE(designGreys.count(sprite.at(x, y)) == 1) << x << ", " << y;
                EXPECT_EQ(mask.at(x, y), sprite.at(x, y) == kBlackPixel ? kWhitePixel : kBlackPixel) << x << ", " << y;
            }
        }
    }
    // At 100 % the strips are the design's, pixel for pixel.
    const FlakeSprites once(1.0);
    for (int32_t i = 0; i < kFlakeStripWidth * kFlakeStripHeight; ++i) {
        EXPECT_EQ(once.sprite().pixels[i], flakeSpriteStrip()[static_cast<size_t>(i)]);
        EXPECT_EQ(once.mask().pixels[i], flakeMaskStrip()[static_cast<size_t>(i)]);
    }
}

// The largest flake's silhouette in the mask, row by row: how many pixels it covers and where it starts.
struct DiscRow {
    int32_t width, first;
    friend bool operator==(const DiscRow&, const DiscRow&) = default;
};

std::vector<DiscRow> discRows(const FlakeSprites& sprites)
{
    const int32_t cell = sprites.cellSize(), left = 6 * cell;
    std::vector<DiscRow> rows;
    for (int32_t y = 0; y < cell; ++y) {
        DiscRow row{0, cell};
        for (int32_t x = 0; x < cell; ++x) {
            if (sprites.mask().at(left + x, y) == kBlackPixel) {
                ++row.width;
                row.first = std::min(row.first, x);
            }
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(SnowScale, CellEdgesAtOneAndAHalfAreRoundedHalvesToEven)
{
    // The 100 % edges 0..6 at 1.5: 0, 1.5, 3, 4.5, 6, 7.5, 9, halves to even. The disc's rows of 2, 4, 6, 6, 4, 2
    // pixels then cover rows 0-1, 2, 3, 4-5, 6-7 and 8 of the 9, and columns from the same edges.
    const FlakeSprites sprites(1.5);
    const int32_t edges[] = {0, 2, 3, 4, 6, 8, 9};
    for (int32_t k = 0; k <= 6; ++k)
        EXPECT_EQ(sprites.edge(k), edges[k]) << k;
    const std::vector<DiscRow> rows{{3, 3}, {3, 3}, {6, 2}, {9, 0}, {9, 0}, {9, 0}, {6, 2}, {6, 2}, {3, 3}};
    EXPECT_EQ(discRows(sprites), rows);
}

TEST(SnowScale, TheDiscStaysADiscAtTwice)
{
    // The largest flake's silhouette at 200 %: its 100 % rows of 2, 4, 6, 6, 4, 2 pixels, each twice, twice as wide.
    const std::vector<DiscRow> rows{{4, 4}, {4, 4}, {8, 2},  {8, 2},  {12, 0}, {12, 0},
                                    {12, 0}, {12, 0}, {8, 2}, {8, 2}, {4, 4}, {4, 4}};
    EXPECT_EQ(discRows(FlakeSprites(2.0)), rows);
}

TEST(SnowScale, DisplayScalesAreHeldToWhatFlakesCanBeDrawnAt)
{
    struct Case {
        double given;
        double used;
    };
    const Case cases[] = {{1.0, 1.0},  {1.75, 1.75}, {5.0, 5.0}, {0.75, 1.0},
                          {12.0, 5.0}, {-2.0, 1.0},  {std::numeric_limits<double>::quiet_NaN(), 1.0}};
    for (const Case& c : cases)
        EXPECT_EQ(snowScale(c.given), c.used) << c.given;
}

// Runs a field's motion alone, frame after frame, with nothing settling.
struct Motion {
    Random random;
    SnowField field;
    std::vector<FlakePosition> positions;

    Motion(int16_t width, int16_t height, double scale, uint64_t seed) : random(seed)
    {
        SnowSettings settings;
        settings.precipitation = 2;
        settings.velocity = 9;
        field.InitData(settings, {width, height, SnowMode::FullScreen, 1.0f, scale}, random);
        positions.resize(field.flakes.size());
    }
    void frame()
    {
        moveFlakes<SnowMode::FullScreen>(field.flakes, field.velocity, field.area().scale, positions);
        advanceFlakes<SnowMode::FullScreen>(field.flakes, positions, {}, field.area(), random);
    }
};

TEST(SnowScale, AFlakesPathAtScaleIsItsPathOnTheSmallerScreenMadeLarger)
{
    // The same seed on a W x H monitor at scale s and on a W/s x H/s one at 100 %: every flake is drawn s times as
    // far from the corner, to within a pixel, through drift, sway, wraps and starts at the top.
    struct Case {
        double scale;
        int16_t width, height;
    };
    const Case cases[] = {{1.25, 800, 500}, {1.5, 960, 600}, {2.0, 1280, 800}, {3.0, 1920, 1200}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        Motion large(c.width, c.height, c.scale, 7);
        Motion small(static_cast<int16_t>(c.width / c.scale), static_cast<int16_t>(c.height / c.scale), 1.0, 7);
        ASSERT_EQ(large.field.flakes.size(), small.field.flakes.size());
        int restarts = 0;
        for (int frame = 0; frame < 1500; ++frame) {
            std::vector<float> heights;  // before this frame's fall
            for (const Flake& f : small.field.flakes)
                heights.push_back(f.y);
            large.frame();
            small.frame();
            for (size_t i = 0; i < small.positions.size(); ++i) {
                const FlakePosition& at = large.positions[i];
                const FlakePosition& was = small.positions[i];
                ASSERT_LE(std::fabs(at.px - c.scale * was.swayed), 1.0) << "flake " << i << " in frame " << frame;
                ASSERT_LE(std::fabs(at.py - c.scale * heights[i]), 1.0) << "flake " << i << " in frame " << frame;
            }
            for (const Flake& f : small.field.flakes)
                restarts += f.y == static_cast<float>(f.size) ? 1 : 0;
        }
        EXPECT_GT(restarts, 100);  // the runs went past the bottom and started again
    }
}

// A monitor's field with one large flake placed in calm air, drawn once over a plain background.
Rect largestFlakeDrawn(const SnowScreen& screen)
{
    Random random(3);
    SnowField field;
    SnowSettings settings;
    field.InitData(settings, screen.area, random);
    field.flakes = {{20.0f, 20.0f, 6, 1.0f, 6 * field.sprites().cellSize()}};
    field.flakeCount = 1;
    const int32_t w = screen.area.drawWidth + 10, h = screen.area.drawHeight + 10;
    Image main(w, h, 0x00102030u), desk(w, h, 0x00102030u);
    field.attachSurfaces({main.view(), desk.view(), {}});
    field.DrawSnow();
    return changedBox(main, 0x00102030u);
}

TEST(SnowScale, MonitorsAtMixedScalesEachDrawAtTheirOwn)
{
    const ListedMonitor monitors[] = {{{0, 0, 320, 200}, true, 1.0}, {{320, 0, 800, 300}, false, 1.5}};
    const std::optional<std::vector<SnowScreen>> screens = snowScreensFor({0, 0, 800, 300}, monitors);
    ASSERT_TRUE(screens.has_value());
    ASSERT_EQ(screens->size(), 2u);
    EXPECT_EQ((*screens)[0].area.scale, 1.0);
    EXPECT_EQ((*screens)[1].area.scale, 1.5);

    const Rect at100 = largestFlakeDrawn((*screens)[0]);
    const Rect at150 = largestFlakeDrawn((*screens)[1]);
    EXPECT_EQ(at100.right - at100.left, 6);
    EXPECT_EQ(at100.bottom - at100.top, 6);
    EXPECT_EQ(at150.right - at150.left, 9);
    EXPECT_EQ(at150.bottom - at150.top, 9);

    EXPECT_EQ(messageFontDpi((*screens)[0].area), 96);
    EXPECT_EQ(messageFontDpi((*screens)[1].area), 144);
}

TEST(SnowScale, MessageFontDpiFollowsTheMonitorAndThePreviewTheSystem)
{
    struct Case {
        SnowMode mode;
        double scale;
        std::optional<int32_t> dpi;
    };
    const Case cases[] = {{SnowMode::FullScreen, 1.0, 96},   {SnowMode::FullScreen, 1.25, 120},
                          {SnowMode::FullScreen, 2.0, 192},  {SnowMode::FullScreen, 0.5, 96},
                          {SnowMode::Preview, 2.0, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(messageFontDpi({100, 100, c.mode, 1.0f, c.scale}), c.dpi) << c.scale;
}

TEST(SnowScale, TheFieldIgnoresTheScaleInThePreview)
{
    Random random(1);
    SnowField field;
    field.InitData(SnowSettings{}, {80, 60, SnowMode::Preview, 0.25f, 2.0}, random);
    EXPECT_EQ(field.area().scale, 1.0);
    EXPECT_EQ(field.sprites().cellSize(), 6);
}

TEST(SnowScale, ALandingThinsTheMaskByAColumnMadeLarger)
{
    // At 200 % the landing's column is 2 pixels wide and 8 high, from 2 rows (one row at 100 %) above the landing
    // row; the landing pixel itself goes on catching.
    Random random(5);
    SnowField field;
    field.InitData(SnowSettings{}, {40, 190, SnowMode::FullScreen, 1.0f, 2.0}, random);
    // At (5, 80) at 100 %, so (10, 160) here. Speed 1, size 0, y 80: the angle is 180 degrees, so the sway is
    // below a millionth of a pixel.
    field.flakes = {{5.0f, 80.0f, 0, 1.0f, 0}};
    field.flakeCount = 1;
    Image main(50, 200), desk(50, 200, 0x00102030u), text(40, 190, kWhitePixel);
    field.attachSurfaces({main.view(), desk.view(), text.view()});
    field.DrawSnow();
    for (int32_t y = 150; y < 175; ++y) {
        for (int32_t x = 5; x < 16; ++x) {
            const bool black = x >= 10 && x < 12 && y >= 158 && y < 166 && !(x == 10 && y == 160);
            EXPECT_EQ(field.textMask().catches(x, y), !black) << x << ", " << y;
        }
    }
    // The settled flake is the 100 % one-pixel flake as a 2 x 2 block.
    EXPECT_EQ(changedBox(desk, 0x00102030u), (Rect{10, 160, 12, 162}));
}

}  // namespace
}  // namespace nivora

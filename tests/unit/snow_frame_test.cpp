// The fast snow frames against the reference ones (whole background copied, then per flake a pixel read and block
// transfers): after every frame of long seeded runs, picMain, PicDesk, the text mask (against the reference's
// PicText) and the flakes agree exactly, and a screen updated only in the changed rectangles shows picMain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/snow/random.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_reference.h"
#include "core/snow/wind.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using snowtest::Image;

enum class Message { None, Block, Lines, Everywhere };

struct Scenario {
    const char* name;
    int16_t width;
    int16_t height;
    SnowMode mode;
    float previewScaleY;
    int16_t precipitation;
    float windLevel;
    bool autoWind;
    Message message;
    bool startInside;  // put the flakes into the picture at once instead of high above it
    int frames;
    uint64_t seed;
    bool deskUsesTopByte = false;  // a background whose unused top byte is not 0 (AlphaBlend leaves 0 as a rule)
    double scale = 1.0;            // the display's
};

// A desktop picture of random colours, with or without the unused top byte in play.
Image makeDesk(int32_t w, int32_t h, uint64_t seed, bool useTopByte)
{
    Image img(w, h);
    Random r(seed);
    for (Pixel& p : img.pixels)
        p = useTopByte ? r.nextBits() : r.nextBits() & 0x00FFFFFFu;
    return img;
}

Image makeText(int32_t w, int32_t h, Message message)
{
    Image img(w, h, kBlackPixel);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            Pixel p = kBlackPixel;
            switch (message) {
            case Message::None:
                break;
            case Message::Block:  // a solid word near the bottom right, with an almost-white rim that never catches
                if (x >= w / 3 && x < w - 4 && y >= h * 3 / 5 && y < h - 3)
                    p = kWhitePixel;
                else if (x == w / 3 - 1 && y >= h * 3 / 5 && y < h - 3)
                    p = 0x00FEFFFFu;
                break;
            case Message::Lines:  // thin strokes, some with the unused byte set as GDI may leave it
                if ((y % 7 == 3 && x % 11 < 8) || (x % 13 == 5 && y > h / 2))
                    p = (x + y) % 3 == 0 ? 0xFFFFFFFFu : kWhitePixel;
                break;
            case Message::Everywhere:
                p = kWhitePixel;
                break;
            }
            img.at(x, y) = p;
        }
    }
    return img;
}

struct SnowRun {
    Random random;
    SnowField field;
    AutoWind wind;
    Image main, desk, text;
    int64_t nextWindTick = kWindFirstInterval.count();  // ms

    explicit SnowRun(const Scenario& s)
        : random(s.seed),
          wind(0),
          main(s.width + 10, s.height + 10),
          desk(makeDesk(s.width + 10, s.height + 10, s.seed ^ 0x5eed, s.deskUsesTopByte)),
          text(makeText(s.width, s.height, s.message))
    {
        SnowSettings settings;
        settings.precipitation = s.precipitation;
        settings.velocity = s.windLevel;
        field.InitData(settings, {s.width, s.height, s.mode, s.previewScaleY, s.scale}, random);
        wind = AutoWind(field.velocity);
        if (s.startInside) {
            for (size_t i = 0; i < field.flakes.size(); ++i)
                field.flakes[i].y = static_cast<float>((i * 7) % static_cast<size_t>(s.height + 20)) - 10.0f;
        }
        // Whatever the window's picture held before the first frame.
        Random garbage(s.seed + 1);
        for (Pixel& p : main.pixels)
            p = garbage.nextBits();
        field.attachSurfaces({main.view(), desk.view(), text.view()});
    }

    // The frame clock of 20 ms drives the wind timer as the window's timers would.
    void advanceWind(bool autoWind, int64_t now)
    {
        if (autoWind && now >= nextWindTick)
            nextWindTick = now + wind.Timer3_Timer(field.velocity, random).count();
    }
};

bool samePixels(const Image& a, const Image& b)
{
    return a.pixels == b.pixels;
}

std::string firstDifference(const Image& a, const Image& b)
{
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x)
            if (a.at(x, y) != b.at(x, y)) {
                std::ostringstream out;
                out << "(" << x << ", " << y << "): " << std::hex << a.at(x, y) << " instead of " << b.at(x, y);
                return out.str();
            }
    return "none";
}

const Scenario kScenarios[] = {
    // name                     w    h   mode                 scaleY  prec wind  auto  message              inside
    // frames seed
    {"calm_block", 96, 64, SnowMode::FullScreen, 1.0f, 2, 6, false, Message::Block, true, 400, 1},
    {"gale_to_the_right", 80, 48, SnowMode::FullScreen, 1.0f, 3, 12, false, Message::Lines, true, 300, 2},
    {"gale_to_the_left", 80, 48, SnowMode::FullScreen, 1.0f, 3, 0, false, Message::Lines, true, 300, 3},
    {"changing_wind", 120, 60, SnowMode::FullScreen, 1.0f, 4, 6, true, Message::Block, true, 700, 4},
    {"settling_everywhere", 40, 30, SnowMode::FullScreen, 1.0f, 1, 6, false, Message::Everywhere, true, 300, 5},
    {"no_message", 64, 40, SnowMode::FullScreen, 1.0f, 0, 9, false, Message::None, true, 200, 6},
    {"from_high_above", 64, 24, SnowMode::FullScreen, 1.0f, 2, 3, true, Message::Block, false, 500, 7},
    {"tiny_picture", 5, 3, SnowMode::FullScreen, 1.0f, 1, 12, false, Message::Everywhere, true, 200, 8},
    {"preview_small_box", 76, 56, SnowMode::Preview, 0.25f, 2, 6, false, Message::Lines, true, 400, 9},
    {"preview_gale", 76, 56, SnowMode::Preview, 112.0f / 768.0f, 3, 12, true, Message::Everywhere, true, 500, 10},
    {"preview_full_mask_fast_fall", 30, 20, SnowMode::Preview, 1.0f, 1, 0, false, Message::Everywhere, true, 300, 11},
    {"odd_precipitation", 50, 50, SnowMode::FullScreen, 1.0f, 9, 6, false, Message::Block, true, 150, 12},
    {"top_bytes_in_use", 96, 64, SnowMode::FullScreen, 1.0f, 3, 4, true, Message::Block, true, 400, 13, true},
    {"top_bytes_in_use_gale", 60, 40, SnowMode::FullScreen, 1.0f, 2, 12, false, Message::Everywhere, true, 300, 14,
     true},
    {"preview_top_bytes_in_use", 76, 56, SnowMode::Preview, 0.5f, 2, 2, false, Message::Lines, true, 300, 15, true},
    // Few flakes a row: drawn in row order, where overlapping flakes must still end up as in flake order.
    {"row_order_gale", 200, 400, SnowMode::FullScreen, 1.0f, 1, 12, false, Message::Block, true, 300, 16},
    {"row_order_changing_wind", 160, 320, SnowMode::FullScreen, 1.0f, 1, 5, true, Message::Lines, true, 400, 17},
    {"row_order_top_bytes_in_use", 200, 300, SnowMode::FullScreen, 1.0f, 1, 7, false, Message::Block, true, 300, 18,
     true},
    {"row_order_preview", 150, 300, SnowMode::Preview, 1.0f, 1, 0, false, Message::Lines, true, 300, 19},
    // Many flakes over several bands of rows, which the fast frame draws one after another: overlaps across a band's
    // edge must come out as in flake order.
    {"dense_over_bands", 120, 280, SnowMode::FullScreen, 1.0f, 4, 9, true, Message::Lines, true, 200, 23},
};

// Checks the changed rectangles' own promises: inside the drawing area, none empty, none overlapping, bounded.
void expectWellFormed(std::span<const Rect> rects, int32_t width, int32_t height, int frame)
{
    ASSERT_LE(rects.size(), std::max<size_t>(kMaxChangedRects, static_cast<size_t>(height / kChangedBandHeight + 1)));
    for (size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        ASSERT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height && !isEmpty(r))
            << "rectangle " << i << " (" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom
            << ") in frame " << frame;
        for (size_t j = 0; j < i; ++j) {
            const Rect& q = rects[j];
            ASSERT_FALSE(q.left < r.right && r.left < q.right && q.top < r.bottom && r.top < q.bottom)
                << "rectangles " << j << " and " << i << " overlap in frame " << frame;
        }
    }
}

// At display scales above 100 %: larger cells, scaled steps and landings, flakes astride bands of rows.
const Scenario kScaledScenarios[] = {
    {"scale_1_25_block", 120, 80, SnowMode::FullScreen, 1.0f, 2, 6, false, Message::Block, true, 400, 31, false, 1.25},
    {"scale_1_5_gale", 120, 72, SnowMode::FullScreen, 1.0f, 3, 12, false, Message::Lines, true, 300, 32, false, 1.5},
    {"scale_1_5_top_bytes_in_use", 96, 64, SnowMode::FullScreen, 1.0f, 3, 4, true, Message::Block, true, 300, 33, true,
     1.5},
    {"scale_2_changing_wind", 160, 120, SnowMode::FullScreen, 1.0f, 4, 6, true, Message::Block, true, 400, 34, false,
     2.0},
    {"scale_2_settling_everywhere", 60, 40, SnowMode::FullScreen, 1.0f, 1, 6, false, Message::Everywhere, true, 300, 35,
     false, 2.0},
    {"scale_2_dense_over_bands", 120, 280, SnowMode::FullScreen, 1.0f, 4, 9, true, Message::Lines, true, 200, 36, false,
     2.0},
    {"scale_3_gale_to_the_left", 150, 120, SnowMode::FullScreen, 1.0f, 3, 0, false, Message::Lines, true, 300, 37,
     true, 3.0},
    {"scale_3_picture_smaller_than_a_flake", 16, 10, SnowMode::FullScreen, 1.0f, 1, 7, false, Message::Everywhere, true,
     200, 38, false, 3.0},
    {"scale_3_from_high_above", 90, 60, SnowMode::FullScreen, 1.0f, 2, 3, true, Message::Block, false, 400, 39, false,
     3.0},
    {"preview_keeps_its_own_scaling", 76, 56, SnowMode::Preview, 0.25f, 2, 6, false, Message::Lines, true, 300, 40,
     false, 2.0},
};

// The reference frames' strips at a display scale, made here from the 100 % strips and the cell edges written out
// (each 100 % edge k at round(k * scale), halves to even), so a fault in the saver's own scaled strips shows as a
// difference instead of reaching both sides of the comparison.
struct ReferenceStrips {
    double scale;
    int32_t edges[kFlakeCellSize + 1];
    Image sprite, mask;

    ReferenceCells cells() const { return {edges[kFlakeCellSize], edges[1], edges[4]}; }
};

ReferenceStrips referenceStrips(double scale)
{
    static const ReferenceStrips kEdges[] = {
        {1.0, {0, 1, 2, 3, 4, 5, 6}, {}, {}},     {1.25, {0, 1, 2, 4, 5, 6, 8}, {}, {}},
        {1.5, {0, 2, 3, 4, 6, 8, 9}, {}, {}},     {2.0, {0, 2, 4, 6, 8, 10, 12}, {}, {}},
        {3.0, {0, 3, 6, 9, 12, 15, 18}, {}, {}},
    };
    const auto known = std::find_if(std::begin(kEdges), std::end(kEdges),
                                    [&](const ReferenceStrips& e) { return e.scale == scale; });
    EXPECT_NE(known, std::end(kEdges)) << "no cell edges written out for scale " << scale;
    ReferenceStrips strips = known != std::end(kEdges) ? *known : kEdges[0];
    const int32_t cell = strips.edges[kFlakeCellSize];
    strips.sprite = Image(cell * kFlakeKinds, cell, kBlackPixel);
    strips.mask = Image(cell * kFlakeKinds, cell, kWhitePixel);
    for (int32_t kind = 0; kind < kFlakeKinds; ++kind)
        for (int32_t y = 0; y < kFlakeCellSize; ++y)
            for (int32_t x = 0; x < kFlakeCellSize; ++x) {
                const size_t at100 = static_cast<size_t>(y * kFlakeStripWidth + kind * kFlakeCellSize + x);
                for (int32_t sy = strips.edges[y]; sy < strips.edges[y + 1]; ++sy)
                    for (int32_t sx = strips.edges[x]; sx < strips.edges[x + 1]; ++sx) {
                        strips.sprite.at(kind * cell + sx, sy) = flakeSpriteStrip()[at100];
                        strips.mask.at(kind * cell + sx, sy) = flakeMaskStrip()[at100];
                    }
            }
    return strips;
}

// Runs the scenario's frames fast and by the reference, and stops at the first difference.
void expectFastFramesMatchReference(const Scenario& s)
{
    {
        SnowRun fast(s);
        SnowRun plain(s);
        // The fast frames never touch PicText once the mask is taken: the window may free it (the sanitizer build
        // would catch a read).
        fast.text = Image();
        const ReferenceStrips strips = referenceStrips(s.mode == SnowMode::Preview ? 1.0 : s.scale);
        RasterDevice device(SnowSurfaces{plain.main.view(), plain.desk.view(), plain.text.view()},
                            strips.sprite.view(), strips.mask.view());
        Image screen(s.width, s.height, 0x00ABCDEFu);  // the window before the first frame is presented
        Image deskPart;
        Rect kept;
        Image firstDesk;  // PicDesk after the first frame: outside the part kept it must never change again
        for (int frame = 0; frame < s.frames; ++frame) {
            const uint32_t now = static_cast<uint32_t>(frame) * 20;
            fast.advanceWind(s.autoWind, now);
            plain.advanceWind(s.autoWind, now);

            fast.field.DrawSnow();
            drawSnowReference(plain.field, device, strips.cells());

            std::ostringstream tagText;
            tagText << s.name << "-frame" << frame;
            const std::string tag = tagText.str();
            if (!samePixels(fast.main, plain.main)) {
                const std::string file = snowtest::writeMismatch(tag, "main", fast.main.view(), plain.main.view());
                FAIL() << "picMain differs at " << firstDifference(fast.main, plain.main) << "; see " << file;
            }
            if (frame == 0) {
                firstDesk = plain.desk;
                // After the first frame the window keeps only the part of PicDesk that frames still read.
                if (!samePixels(fast.desk, plain.desk)) {
                    const std::string file = snowtest::writeMismatch(tag, "desk", fast.desk.view(), plain.desk.view());
                    FAIL() << "PicDesk differs at " << firstDifference(fast.desk, plain.desk) << "; see " << file;
                }
                const std::optional<Rect> part = fast.field.deskStillRead();
                ASSERT_TRUE(part.has_value());
                kept = *part;
                ASSERT_EQ(isEmpty(kept), s.message == Message::None);
                deskPart = Image(kept.right - kept.left, kept.bottom - kept.top);
                for (int32_t y = kept.top; y < kept.bottom; ++y)
                    for (int32_t x = kept.left; x < kept.right; ++x)
                        deskPart.at(x - kept.left, y - kept.top) = fast.desk.at(x, y);
                fast.field.cutDesk(deskPart.view());
                fast.desk = Image();  // freed: the sanitizer build would catch a read
            } else {
                for (int32_t y = 0; y < plain.desk.height; ++y)
                    for (int32_t x = 0; x < plain.desk.width; ++x) {
                        const bool inKept = x >= kept.left && x < kept.right && y >= kept.top && y < kept.bottom;
                        const Pixel was = inKept ? deskPart.at(x - kept.left, y - kept.top) : firstDesk.at(x, y);
                        ASSERT_EQ(was, plain.desk.at(x, y)) << "PicDesk at (" << x << ", " << y << ") in frame "
                                                            << frame << (inKept ? "" : ", outside the part kept");
                    }
            }
            for (int32_t y = 0; y < plain.text.height; ++y)
                for (int32_t x = 0; x < plain.text.width; ++x)
                    ASSERT_EQ(fast.field.textMask().catches(x, y), getPixel(plain.text.view(), x, y) == kWhiteColorRef)
                        << "mask at (" << x << ", " << y << ") in frame " << frame;
            ASSERT_EQ(fast.field.flakes.size(), plain.field.flakes.size());
            for (size_t i = 0; i < fast.field.flakes.size(); ++i) {
                const Flake& a = fast.field.flakes[i];
                const Flake& b = plain.field.flakes[i];
                ASSERT_TRUE(std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0)
                    << "flake " << i << " in frame " << frame << ": (" << a.x << ", " << a.y << ") instead of (" << b.x
                    << ", " << b.y << ")";
            }
            ASSERT_EQ(fast.field.velocity, plain.field.velocity);

            // Presenting only the changed rectangles is presenting the whole frame.
            const auto changed = fast.field.changedRects();
            expectWellFormed(changed, s.width, s.height, frame);
            if (::testing::Test::HasFatalFailure())
                return;
            for (const Rect& r : changed)
                for (int32_t y = r.top; y < r.bottom; ++y)
                    for (int32_t x = r.left; x < r.right; ++x)
                        screen.at(x, y) = fast.main.at(x, y);
            for (int32_t y = 0; y < s.height; ++y)
                for (int32_t x = 0; x < s.width; ++x)
                    ASSERT_EQ(screen.at(x, y), fast.main.at(x, y))
                        << "(" << x << ", " << y << ") changed in frame " << frame << " but is not reported";
        }
    }
}

// Each scenario in turn, up to the first that differs.
void expectFastFramesMatchReference(std::span<const Scenario> scenarios)
{
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        expectFastFramesMatchReference(s);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(SnowFrame, FastFramesMatchTheReferenceFramesPixelForPixel)
{
    expectFastFramesMatchReference(kScenarios);
}

TEST(SnowFrame, FastFramesMatchTheReferenceFramesAtEveryDisplayScale)
{
    expectFastFramesMatchReference(kScaledScenarios);
}

// Sprite offsets off the cells of the strips (as a caller may set them) are copied as GDI would, clipped and all,
// also where such a flake straddles two bands of rows that the fast frame draws apart.
TEST(SnowFrame, SpritesOffTheCellsMatchTheReferenceFrames)
{
    const Scenario s{"off_cells", 90, 70, SnowMode::FullScreen, 1.0f, 2, 9, false, Message::Block, true, 150, 22};
    SnowRun fast(s);
    SnowRun plain(s);
    for (SnowRun* run : {&fast, &plain})
        for (size_t i = 0; i < run->field.flakes.size(); ++i)
            run->field.flakes[i].spriteX = static_cast<int32_t>(i % 47) - 4;  // -4 .. 42: cells and neither
    RasterDevice device(SnowSurfaces{plain.main.view(), plain.desk.view(), plain.text.view()});
    for (int frame = 0; frame < s.frames; ++frame) {
        fast.field.DrawSnow();
        drawSnowReference(plain.field, device);
        ASSERT_TRUE(samePixels(fast.main, plain.main))
            << "picMain differs at " << firstDifference(fast.main, plain.main) << " in frame " << frame;
        ASSERT_TRUE(samePixels(fast.desk, plain.desk))
            << "PicDesk differs at " << firstDifference(fast.desk, plain.desk) << " in frame " << frame;
    }
}

TEST(SnowFrame, SeededRunsSettleFlakesOnTheMessage)
{
    // Guards the strength of the comparisons above: their runs really do settle, wrap and restart flakes.
    std::vector<Scenario> all(std::begin(kScenarios), std::end(kScenarios));
    all.insert(all.end(), std::begin(kScaledScenarios), std::end(kScaledScenarios));
    for (const Scenario& s : all) {
        if (s.message == Message::None || !s.startInside)
            continue;
        SCOPED_TRACE(s.name);
        SnowRun run(s);
        const Image deskBefore = run.desk;
        for (int frame = 0; frame < s.frames; ++frame)
            run.field.DrawSnow();
        EXPECT_FALSE(samePixels(run.desk, deskBefore));
    }
}

TEST(SnowFrame, FirstFrameReportsTheWholeDrawingArea)
{
    const Scenario s{"first", 70, 40, SnowMode::FullScreen, 1.0f, 1, 6, false, Message::None, true, 1, 21};
    SnowRun run(s);
    run.field.DrawSnow();
    const auto changed = run.field.changedRects();
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed.front().top, 0);
    EXPECT_EQ(changed.back().bottom, 40);
    for (const Rect& r : changed) {
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.right, 70);
    }
    for (size_t i = 1; i < changed.size(); ++i)
        EXPECT_EQ(changed[i].top, changed[i - 1].bottom);
}

}  // namespace
}  // namespace nivora

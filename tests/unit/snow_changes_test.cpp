// Change tracking: every changed place is reported, flakes also in the frame that takes them away, the rectangles
// are disjoint and within the area, and however many places change, the count stays bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/snow/random.h"
#include "core/snow/snow_changes.h"

namespace nivora {
namespace {

bool covered(std::span<const Rect> rects, int32_t x, int32_t y)
{
    for (const Rect& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

// Every pixel of every place lies in some rectangle; the rectangles stay inside the area and apart.
void expectCovers(std::span<const Rect> rects, const std::vector<Rect>& places, const Rect& area)
{
    for (const Rect& p : places)
        for (int32_t y = p.top; y < p.bottom; ++y)
            for (int32_t x = p.left; x < p.right; ++x)
                ASSERT_TRUE(covered(rects, x, y)) << "(" << x << ", " << y << ") not reported";
    for (size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        ASSERT_TRUE(r.left >= area.left && r.top >= area.top && r.right <= area.right && r.bottom <= area.bottom);
        for (size_t j = 0; j < i; ++j) {
            const Rect& q = rects[j];
            ASSERT_FALSE(q.left < r.right && r.left < q.right && q.top < r.bottom && r.top < q.bottom);
        }
    }
}

std::vector<Rect> scatter(Random& random, const Rect& area, int count)
{
    std::vector<Rect> places;
    for (int i = 0; i < count; ++i) {
        const auto x = static_cast<int32_t>(random.next() * static_cast<float>(area.right - 6));
        const auto y = static_cast<int32_t>(random.next() * static_cast<float>(area.bottom - 6));
        const auto size = 1 + static_cast<int32_t>(random.next() * 6);
        places.push_back({x, y, x + size, y + size});
    }
    return places;
}

TEST(SnowChanges, TheFirstFrameAfterAResetIsTheWholeArea)
{
    ChangeTracker changes;
    const Rect area{0, 0, 300, 200};
    changes.reset(area);
    changes.add({10, 10, 12, 12});
    changes.finish();
    ASSERT_EQ(changes.rects().size(), 1u);
    EXPECT_EQ(changes.rects()[0], area);
    changes.finish();
    EXPECT_TRUE(changes.rects().empty());  // nothing changed since
}

TEST(SnowChanges, FlakesAreReportedWhereDrawnAndOnceMoreWhereTakenAway)
{
    ChangeTracker changes;
    const Rect area{0, 0, 640, 480};
    changes.reset(area);
    changes.finish();  // the whole first frame

    const Rect flake{100, 50, 104, 54}, settled{300, 300, 306, 306};
    changes.addFlake(flake);
    changes.add(settled);
    changes.finish();
    expectCovers(changes.rects(), {flake, settled}, area);

    const Rect moved{101, 53, 105, 57};
    changes.addFlake(moved);
    changes.finish();
    expectCovers(changes.rects(), {flake, moved}, area);
    EXPECT_FALSE(covered(changes.rects(), 302, 302));  // a settled place is reported in its own frame only

    changes.finish();
    expectCovers(changes.rects(), {moved}, area);
    EXPECT_FALSE(covered(changes.rects(), 100, 50));
}

TEST(SnowChanges, ManyPlacesStayWithinTheBoundAndAreAllCovered)
{
    struct Case {
        int32_t width, height;
        int places;
        size_t most;  // rectangles at most
    };
    // From a few flakes, merged only where close, to more than the bound allows, merged band by band. The tall area
    // has 1000 bands of 16 rows, fewer than the 4096 rectangles allowed.
    const Case cases[] = {{1920, 1080, 20, 4096},
                          {1920, 1080, 3000, 4096},
                          {3840, 2160, 6000, 4096},
                          {800, 16000, 3000, 4096}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", " << c.places << " places");
        ChangeTracker changes;
        const Rect area{0, 0, c.width, c.height};
        changes.reset(area);
        changes.finish();
        Random random(static_cast<uint64_t>(c.places));
        const std::vector<Rect> places = scatter(random, area, c.places);
        for (const Rect& p : places)
            changes.add(p);
        changes.finish();
        EXPECT_LE(changes.rects().size(), c.most);
        expectCovers(changes.rects(), places, area);
        if (c.places == 20) {
            // Far apart: what is sent follows the places, not the screen.
            double sent = 0;
            for (const Rect& r : changes.rects())
                sent += static_cast<double>(r.right - r.left) * (r.bottom - r.top);
            EXPECT_LT(sent, 0.01 * c.width * c.height);
            EXPECT_GE(changes.rects().size(), 10u);
        }
    }
}

TEST(SnowChanges, CellsUpTo32ColumnsApartAreSentAsOne)
{
    // Two one-pixel places in one band: a gap of 32 columns is merged, 33 is not.
    struct Case {
        int32_t gap;
        std::vector<Rect> rects;
    };
    const Case cases[] = {
        {1, {{0, 3, 5, 4}}},
        {31, {{0, 3, 35, 4}}},
        {32, {{0, 3, 36, 4}}},
        {33, {{0, 3, 2, 4}, {35, 3, 37, 4}}},
        {100, {{0, 3, 2, 4}, {102, 3, 104, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gap);
        ChangeTracker changes;
        changes.reset({0, 0, 200, 32});
        changes.finish();
        changes.add({0, 3, 2, 4});
        changes.add({2 + c.gap, 3, 4 + c.gap, 4});
        changes.finish();
        EXPECT_EQ(std::vector<Rect>(changes.rects().begin(), changes.rects().end()), c.rects);
    }
}

TEST(SnowChanges, TiedGapsBeyondTheBoundAreMergedTogether)
{
    // One-pixel places in every band, 64 columns apart (gaps of 63): evenly spread, every gap ties with the others.
    struct Case {
        const char* name;
        int32_t bands;
        int32_t placesPerBand;
        int32_t lastGap;  // the gap before each band's last place
        size_t rects;
    };
    const Case cases[] = {
        {"exactly the bound: nothing merged", 128, 32, 63, 4096},
        {"one band more, every gap tied: one rectangle per band", 129, 32, 63, 129},
        {"far beyond the bound, every gap tied", 150, 30, 63, 150},
        {"tied gaps merged, the one wider gap per band kept apart", 150, 30, 263, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Rect> places;
        int32_t right = 0;
        for (int32_t band = 0; band < c.bands; ++band) {
            int32_t x = 0;
            for (int32_t i = 0; i < c.placesPerBand; ++i) {
                const int32_t y = band * kChangedBandHeight + 5;
                places.push_back({x, y, x + 1, y + 1});
                x += i + 2 == c.placesPerBand ? c.lastGap + 1 : 64;
            }
            right = std::max(right, places.back().right);
        }
        ChangeTracker changes;
        const Rect area{0, 0, right, c.bands * kChangedBandHeight};
        changes.reset(area);
        changes.finish();
        for (const Rect& p : places)
            changes.add(p);
        changes.finish();
        EXPECT_EQ(changes.rects().size(), c.rects);
        expectCovers(changes.rects(), places, area);
    }
}

TEST(SnowChanges, BandsHoldEveryChangeInOneBoxPerBand)
{
    struct Case {
        const char* name;
        int32_t bandHeight;
        std::vector<Rect> rects;
        std::vector<Rect> bands;
    };
    const std::vector<Case> cases = {
        {"no change, no rectangle", 64, {}, {}},
        {"empty rectangles are no change", 64, {{5, 5, 5, 9}, {7, 3, 9, 3}}, {}},
        {"one rectangle stays as it is", 64, {{10, 20, 14, 24}}, {{10, 20, 14, 24}}},
        {"two in a band become their bounding box", 64, {{10, 20, 14, 24}, {300, 2, 305, 7}}, {{10, 2, 305, 24}}},
        {"order does not matter", 64, {{300, 70, 305, 75}, {10, 20, 14, 24}}, {{10, 20, 14, 24}, {300, 70, 305, 75}}},
        {"a rectangle across a band's edge lies in both",
         64,
         {{10, 60, 14, 68}, {100, 66, 110, 70}},
         {{10, 60, 14, 64}, {10, 64, 110, 70}}},
        {"bands that meet with the same columns are one", 16, {{0, 0, 50, 40}}, {{0, 0, 50, 40}}},
        {"a band with nothing in it keeps the bands apart",
         16,
         {{0, 0, 50, 10}, {0, 40, 50, 45}},
         {{0, 0, 50, 10}, {0, 40, 50, 45}}},
        {"above row 0 too",
         64,
         {{-8, -70, -2, -60}, {3, -5, 9, 5}},
         {{-8, -70, -2, -64}, {-8, -64, 9, 0}, {3, 0, 9, 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mergeIntoBands(c.rects, c.bandHeight), c.bands);
    }
}

TEST(SnowChanges, BandsOfAFrameFullOfFlakesCoverThemWithFewRectangles)
{
    Random random(7);
    const Rect area{0, 0, 3840, 2160};
    const std::vector<Rect> places = scatter(random, area, 3000);
    const std::vector<Rect> bands = mergeIntoBands(places, kDamageBandHeight);
    EXPECT_LE(bands.size(), 34u);  // 2160 rows in bands of 64
    expectCovers(bands, places, area);
}

TEST(SnowChanges, ABandsBoxIsSplitWhereAWideGapRunsThroughIt)
{
    struct Case {
        const char* name;
        std::vector<Rect> rects;
        std::vector<Rect> boxes;
    };
    // Bands of 64 rows, split at gaps of 100 columns or more.
    const std::vector<Case> cases = {
        {"a gap of 190 splits", {{0, 0, 10, 10}, {200, 5, 210, 20}}, {{0, 0, 10, 10}, {200, 5, 210, 20}}},
        {"a gap of 40 does not", {{0, 0, 10, 10}, {50, 5, 60, 20}}, {{0, 0, 60, 20}}},
        {"a gap of exactly 100 splits", {{0, 0, 10, 10}, {110, 0, 120, 10}}, {{0, 0, 10, 10}, {110, 0, 120, 10}}},
        {"a gap of 99 does not", {{0, 0, 10, 10}, {109, 0, 119, 10}}, {{0, 0, 119, 10}}},
        {"a wide place closes the gap", {{300, 0, 310, 10}, {0, 0, 10, 10}, {5, 20, 305, 30}}, {{0, 0, 310, 30}}},
        {"overlapping places are one box",
         {{0, 0, 50, 10}, {20, 30, 40, 40}, {300, 0, 310, 5}},
         {{0, 0, 50, 40}, {300, 0, 310, 5}}},
        {"each band apart",
         {{200, 0, 210, 10}, {0, 64, 10, 70}, {0, 0, 10, 10}},
         {{0, 0, 10, 10}, {200, 0, 210, 10}, {0, 64, 10, 70}}},
        {"a split across a band's edge",
         {{0, 60, 10, 68}, {200, 60, 210, 68}},
         {{0, 60, 10, 64}, {200, 60, 210, 64}, {0, 64, 10, 68}, {200, 64, 210, 68}}},
        {"bands that meet with the same columns are still one", {{0, 10, 10, 100}}, {{0, 10, 10, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mergeIntoBands(c.rects, 64, 100), c.boxes);
    }
}

TEST(SnowChanges, SplitBoxesOfSparseSnowCoverItWithAFractionOfThePixels)
{
    Random random(7);
    const Rect area{0, 0, 3840, 2160};
    const std::vector<Rect> places = scatter(random, area, 300);
    const std::vector<Rect> whole = mergeIntoBands(places, kDamageBandHeight);
    const std::vector<Rect> split = mergeIntoBands(places, kDamageBandHeight, kDamageSplitGap);
    expectCovers(split, places, area);
    for (size_t i = 0; i < split.size(); ++i)
        for (size_t j = i + 1; j < split.size(); ++j)
            EXPECT_TRUE(isEmpty(clipRect(split[i], split[j]))) << i << " and " << j << " overlap";
    auto pixels = [](const std::vector<Rect>& boxes) {
        int64_t sum = 0;
        for (const Rect& r : boxes)
            sum += int64_t(r.right - r.left) * (r.bottom - r.top);
        return sum;
    };
    EXPECT_LT(pixels(split) * 2, pixels(whole)) << "split boxes damage less than half of the bands' boxes";
    EXPECT_LE(split.size(), 34u * 10u) << "at most ten boxes a band of 3840 columns split at 384";
}

}  // namespace
}  // namespace nivora

namespace nivora {
namespace {

// Rows above row 0 lie in bands counted down from it: rows -1 to -16 in band -1, -17 to -32 in band -2. A row put
// into a band it is not in would be clipped away, and its change never shown.
TEST(SnowChanges, RowsAboveRowZeroFallInTheirOwnBands)
{
    struct Case {
        const char* name;
        std::vector<Rect> rects;
        std::vector<Rect> bands;
    };
    const std::vector<Case> cases = {
        {"the row just above row 0", {{3, -1, 5, 0}}, {{3, -1, 5, 0}}},
        {"the top row of the band above row 0", {{3, -16, 5, -15}}, {{3, -16, 5, -15}}},
        {"the bottom row of the second band", {{3, -17, 5, -16}}, {{3, -17, 5, -16}}},
        {"the top row of the second band", {{3, -32, 5, -31}}, {{3, -32, 5, -31}}},
        {"a rectangle ending on a band's edge", {{3, -48, 5, -32}}, {{3, -48, 5, -32}}},
        {"across two edges above row 0",
         {{0, -20, 4, -12}, {8, -14, 12, -10}, {20, -33, 22, -31}},
         {{20, -33, 22, -32}, {0, -32, 22, -16}, {0, -16, 12, -10}}},
        {"across row 0", {{0, -17, 4, 17}}, {{0, -17, 4, 17}}},
        {"on both sides of row 0", {{0, -3, 4, -1}, {10, 0, 14, 2}}, {{0, -3, 4, -1}, {10, 0, 14, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mergeIntoBands(c.rects, kChangedBandHeight), c.bands);
    }
}

}  // namespace
}  // namespace nivora

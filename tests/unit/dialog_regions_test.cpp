// The settings window's shapes: exact outlines, and what they cover when filled the way the window fills them.
#include "core/dialog_layout.h"
#include "core/dialog_regions.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using nivora::RegionOutline;
using nivora::RegionPoint;
using nivora::WindowPixels;

// Nonzero winding number of a closed polygon around the point (px, py): the WINDING fill rule.
int windingNumber(const RegionOutline& outline, double px, double py)
{
    int winding = 0;
    for (size_t i = 0; i < outline.size(); ++i) {
        const RegionPoint a = outline[i];
        const RegionPoint b = outline[(i + 1) % outline.size()];
        const bool aBelow = a.y <= py;
        const bool bBelow = b.y <= py;
        if (aBelow == bBelow)
            continue;  // the edge does not cross the horizontal line through the point
        const double cross = double(b.x - a.x) * (py - a.y) - (px - a.x) * double(b.y - a.y);
        if (aBelow && cross > 0)
            ++winding;  // an upward crossing with the point to its left
        else if (!aBelow && cross < 0)
            --winding;  // a downward crossing with the point to its left
    }
    return winding;
}

// A pixel belongs to a filled polygon when its centre lies inside, as GDI fills a region.
bool covers(const RegionOutline& outline, int x, int y)
{
    return windingNumber(outline, x + 0.5, y + 0.5) != 0;
}

TEST(DialogRegions, WindowSizeInPixelsRoundsHalvesToEven)
{
    struct Case {
        double widthTwips, heightTwips, twipsPerPixelX, twipsPerPixelY;
        WindowPixels expected;
    };
    const Case cases[] = {
        {5550, 3885, 15, 15, {370, 365, 259}},    // 96 dpi
        {5550, 3885, 12, 12, {462, 458, 324}},    // 462.5 -> 462, but 457.5 -> 458: W5 is not W - 5 here
        {5562, 3894, 12, 12, {464, 458, 324}},    // 463.5 -> 464, 458.5 -> 458, 324.5 -> 324
        {5550, 3885, 7.5, 7.5, {740, 735, 518}},  // 192 dpi
        {5550, 3885, 15, 12, {370, 365, 324}},    // each axis has its own factor
    };
    for (const Case& c : cases) {
        const WindowPixels w = nivora::windowPixels(c.widthTwips, c.heightTwips, c.twipsPerPixelX, c.twipsPerPixelY);
        EXPECT_EQ(w.W, c.expected.W) << c.widthTwips << " / " << c.twipsPerPixelX;
        EXPECT_EQ(w.W5, c.expected.W5) << c.widthTwips << " / " << c.twipsPerPixelX;
        EXPECT_EQ(w.H, c.expected.H) << c.heightTwips << " / " << c.twipsPerPixelY;
    }
}

TEST(DialogRegions, OutlinesHoldTheFourteenVerticesOfEachItem)
{
    struct Case {
        WindowPixels window;
        int c;
        int k;
        RegionOutline expected;
    };
    // A 370 x 259 window with a 19-px caption, and the same client area under a 23-px caption.
    const WindowPixels w19{370, 365, 259};
    const WindowPixels w23{370, 365, 263};
    const Case cases[] = {
        {w19, 19, 1, {{{0, 0}, {370, 0}, {370, 259}, {0, 259}, {0, 224}, {365, 224}, {365, 64},
                       {5, 64}, {5, 24}, {365, 24}, {365, 24}, {5, 24}, {5, 259}, {0, 259}}}},
        {w19, 19, 2, {{{0, 0}, {370, 0}, {370, 259}, {0, 259}, {0, 224}, {365, 224}, {365, 104},
                       {5, 104}, {5, 64}, {365, 64}, {365, 24}, {5, 24}, {5, 259}, {0, 259}}}},
        {w19, 19, 3, {{{0, 0}, {370, 0}, {370, 259}, {0, 259}, {0, 224}, {365, 224}, {365, 144},
                       {5, 144}, {5, 104}, {365, 104}, {365, 24}, {5, 24}, {5, 259}, {0, 259}}}},
        {w19, 19, 4, {{{0, 0}, {370, 0}, {370, 259}, {0, 259}, {0, 224}, {365, 224}, {365, 184},
                       {5, 184}, {5, 144}, {365, 144}, {365, 24}, {5, 24}, {5, 259}, {0, 259}}}},
        {w19, 19, 5, {{{0, 0}, {370, 0}, {370, 259}, {0, 259}, {0, 224}, {365, 224}, {365, 224},
                       {5, 224}, {5, 184}, {365, 184}, {365, 24}, {5, 24}, {5, 259}, {0, 259}}}},
        {w23, 23, 1, {{{0, 0}, {370, 0}, {370, 263}, {0, 263}, {0, 228}, {365, 228}, {365, 68},
                       {5, 68}, {5, 28}, {365, 28}, {365, 28}, {5, 28}, {5, 263}, {0, 263}}}},
        {w23, 23, 2, {{{0, 0}, {370, 0}, {370, 263}, {0, 263}, {0, 228}, {365, 228}, {365, 108},
                       {5, 108}, {5, 68}, {365, 68}, {365, 28}, {5, 28}, {5, 263}, {0, 263}}}},
        {w23, 23, 3, {{{0, 0}, {370, 0}, {370, 263}, {0, 263}, {0, 228}, {365, 228}, {365, 148},
                       {5, 148}, {5, 108}, {365, 108}, {365, 28}, {5, 28}, {5, 263}, {0, 263}}}},
        {w23, 23, 4, {{{0, 0}, {370, 0}, {370, 263}, {0, 263}, {0, 228}, {365, 228}, {365, 188},
                       {5, 188}, {5, 148}, {365, 148}, {365, 28}, {5, 28}, {5, 263}, {0, 263}}}},
        {w23, 23, 5, {{{0, 0}, {370, 0}, {370, 263}, {0, 263}, {0, 228}, {365, 228}, {365, 228},
                       {5, 228}, {5, 188}, {365, 188}, {365, 28}, {5, 28}, {5, 263}, {0, 263}}}},
        // 125 %: W5 comes from rounding after the subtraction, not from W.
        {{462, 458, 324}, 23, 3, {{{0, 0}, {462, 0}, {462, 324}, {0, 324}, {0, 228}, {458, 228}, {458, 148},
                                   {5, 148}, {5, 108}, {458, 108}, {458, 28}, {5, 28}, {5, 324}, {0, 324}}}},
    };
    for (const Case& c : cases) {
        const RegionOutline actual = nivora::regionOutline(c.k, c.window, c.c);
        for (int v = 0; v < nivora::kOutlineVertexCount; ++v) {
            EXPECT_EQ(actual[v].x, c.expected[v].x) << "caption " << c.c << ", item " << c.k << ", vertex " << v;
            EXPECT_EQ(actual[v].y, c.expected[v].y) << "caption " << c.c << ", item " << c.k << ", vertex " << v;
        }
        EXPECT_EQ(nivora::regionOutlines(c.window, c.c)[c.k - 1], actual);
    }
}

TEST(DialogRegions, OnlyTheFirstAndLastItemsHaveCoincidentVertices)
{
    struct Case {
        int k;
        std::vector<int> coincidentAfter;  // v such that vertex v equals vertex v + 1
    };
    const Case cases[] = {{1, {9}}, {2, {}}, {3, {}}, {4, {}}, {5, {5}}};
    for (const Case& c : cases) {
        const RegionOutline outline = nivora::regionOutline(c.k, {370, 365, 259}, 19);
        std::vector<int> coincident;
        for (int v = 0; v + 1 < nivora::kOutlineVertexCount; ++v)
            if (outline[v] == outline[v + 1])
                coincident.push_back(v);
        EXPECT_EQ(coincident, c.coincidentAfter) << "item " << c.k;
    }
}

TEST(DialogRegions, EachOutlineCoversTheWindowExceptTheFourOtherRows)
{
    struct Case {
        WindowPixels window;
        int c;
    };
    const Case cases[] = {{{370, 365, 259}, 19}, {{370, 365, 263}, 23}, {{462, 458, 324}, 23}, {{740, 735, 518}, 38}};
    for (const Case& c : cases) {
        for (int k = 1; k <= 5; ++k) {
            const RegionOutline outline = nivora::regionOutline(k, c.window, c.c);
            int wrong = 0;
            for (int y = 0; y < c.window.H; ++y) {
                for (int x = 0; x < c.window.W; ++x) {
                    bool inHole = false;
                    for (int row = 1; row <= 5; ++row) {
                        const int t = c.c + 5 + 40 * (row - 1);
                        const int b = t + 40;
                        if (row != k && x >= 5 && x < c.window.W5 && y >= t && y < b)
                            inHole = true;
                    }
                    if (covers(outline, x, y) == inHole)
                        ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0) << c.window.W << " x " << c.window.H << ", caption " << c.c << ", item " << k;
            // Nothing outside the window rectangle is covered.
            EXPECT_FALSE(covers(outline, -1, c.window.H / 2));
            EXPECT_FALSE(covers(outline, c.window.W, c.window.H / 2));
            EXPECT_FALSE(covers(outline, c.window.W / 2, -1));
            EXPECT_FALSE(covers(outline, c.window.W / 2, c.window.H));
        }
    }
}

TEST(DialogRegions, SelectedRowIsSolidAndTheOthersAreHolesAtTheirCentres)
{
    const WindowPixels window{370, 365, 259};
    const int c = 19;
    struct Sample {
        const char* where;
        int x, y;
        bool coveredWhenItem3;
    };
    const Sample samples[] = {
        {"row 1 centre", 185, 44, false},
        {"row 2 centre", 185, 84, false},
        {"row 3 centre", 185, 124, true},
        {"row 4 centre", 185, 164, false},
        {"row 5 centre", 185, 204, false},
        {"caption", 185, 10, true},
        {"left frame beside row 2", 2, 84, true},
        {"right frame beside row 4", 367, 164, true},
        {"buttons below the rows", 185, 240, true},
        {"first hole pixel of row 1", 5, 24, false},
        {"last hole pixel of row 5", 364, 223, false},
        {"just above the band", 185, 23, true},
        {"just below the band", 185, 224, true},
        {"just left of the band", 4, 44, true},
        {"just right of the band", 365, 44, true},
    };
    const RegionOutline outline = nivora::regionOutline(3, window, c);
    for (const Sample& s : samples)
        EXPECT_EQ(covers(outline, s.x, s.y), s.coveredWhenItem3) << s.where;
}

TEST(DialogRegions, OverlayLiesOnTheBandOfRowsWhereverTheWindowIs)
{
    struct Case {
        float left, top, twipsPerPixelX, twipsPerPixelY;
        int c;
        float expectedLeft, expectedTop;
    };
    const Case cases[] = {
        {3000, 1500, 15, 15, 19, 3075, 1860},       // 5 px and 24 px at 15 twips per pixel
        {0, 0, 12, 12, 23, 60, 336},                // 125 %: 5 px and 28 px at 12
        {-4500, 7200, 7.5f, 7.5f, 38, -4462.5f, 7522.5f},  // 200 %, on a monitor left of the main one
    };
    for (const Case& c : cases) {
        const nivora::TwipPosition p = nivora::overlayPosition(c.left, c.top, c.twipsPerPixelX, c.twipsPerPixelY, c.c);
        EXPECT_EQ(p.left, c.expectedLeft);
        EXPECT_EQ(p.top, c.expectedTop);
        // In pixels, the overlay's corner is the top-left corner of the band the region cuts holes in.
        const RegionOutline outline = nivora::regionOutline(1, {370, 365, 259}, c.c);
        EXPECT_EQ((p.left - c.left) / c.twipsPerPixelX, outline[11].x);
        EXPECT_EQ((p.top - c.top) / c.twipsPerPixelY, outline[11].y);
    }
}

TEST(DialogLayout, RowsFillThePictureBoxAndTheOverlayAlike)
{
    static_assert(nivora::kPicture1Inside == nivora::PixelRect{2, 2, 360, 200});
    static_assert(nivora::kDisplayClient == nivora::PixelRect{0, 0, 360, 200});
    const int tops[] = {0, 40, 80, 120, 160};
    for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(nivora::rowRect(row), (nivora::PixelRect{0, tops[row - 1], 360, 40})) << "row " << row;
    }
    // The last row ends exactly at the bottom of the picture box's inside.
    EXPECT_EQ(nivora::rowRect(5).top + nivora::rowRect(5).height, nivora::kPicture1Inside.height);
}

TEST(DialogLayout, ButtonsAndLabelsSitWhereTheWindowWasDrawn)
{
    struct Case {
        nivora::PixelRect actual, expected;
    };
    const Case cases[] = {
        {nivora::kSettingClient, {0, 0, 364, 234}},
        {nivora::kPicture1, {0, 0, 364, 204}},
        {nivora::kText1, {90, 168, 265, 24}},
        {nivora::kFrame1, {0, 198, 364, 37}},
        {nivora::kCommandButtons[0], {6, 218, 71, 15}},
        {nivora::kCommandButtons[1], {76, 218, 71, 15}},
        {nivora::kCommandButtons[2], {146, 218, 71, 15}},
        {nivora::kCommandButtons[3], {216, 218, 71, 15}},
        {nivora::kCommandButtons[4], {286, 218, 71, 15}},
        {nivora::kButtonLabels[0].inClient(), {176, 206, 13, 15}},  // "+"
        {nivora::kButtonLabels[1].inClient(), {244, 204, 19, 13}},  // "OK"
        {nivora::kButtonLabels[2].inClient(), {302, 204, 39, 13}},  // "CANCEL"
        {nivora::kButtonLabels[3].inClient(), {38, 206, 15, 11}},   // "-"
        {nivora::kButtonLabels[4].inClient(), {92, 204, 43, 13}},   // "SELECT"
        {nivora::kDisplayLabel1, {93, 171, 265, 18}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const nivora::PixelRect& a = cases[i].actual;
        const nivora::PixelRect& e = cases[i].expected;
        EXPECT_TRUE(a == e) << "case " << i << ": " << a.left << ", " << a.top << ", " << a.width << " x " << a.height;
    }
}

}  // namespace

// The settings window at every display scale: the layout table, and the window shapes it gives when filled the way
// the window fills them.
#include "core/dialog/dialog_layout.h"
#include "core/dialog/dialog_regions.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

using nivora::DialogLayout;
using nivora::heightOf;
using nivora::Rect;
using nivora::RegionOutline;
using nivora::RegionPoint;
using nivora::RowBand;
using nivora::widthOf;

// 100 % to 300 %, as Windows offers them.
const int kDpis[] = {96, 120, 144, 168, 192, 240, 288};

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

bool inside(const Rect& inner, const Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.left < inner.right && inner.top < inner.bottom;
}

bool overlap(const Rect& a, const Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// A window around the client area the way a fixed dialog frame puts it: `frame` px on each side and a caption.
struct Frame {
    int border;
    int caption;
};
Frame frameAt(int dpi)
{
    return {nivora::scaled(3, dpi), nivora::scaled(19, dpi)};
}

TEST(DialogLayout, At96DpiEveryFigureIsWhereTheWindowWasLaidOut)
{
    const DialogLayout& l = nivora::kLayoutAt96;
    struct Case {
        const char* what;
        Rect actual, expected;  // left, top, right, bottom
    };
    const Case cases[] = {
        {"client area", l.settingClient, {0, 0, 364, 234}},
        {"Picture1", l.picture1, {0, 0, 364, 204}},
        {"rows inside Picture1", l.rowBand, {2, 2, 362, 202}},
        {"Text1", l.text1, {90, 168, 355, 192}},
        {"Frame1", l.frame1, {0, 198, 364, 235}},
        {"Command1", l.commandButtons[0], {6, 218, 77, 233}},
        {"Command5", l.commandButtons[4], {286, 218, 357, 233}},
        {"\"+\"", l.labelInClient(0), {176, 206, 189, 221}},
        {"\"CANCEL\"", l.labelInClient(2), {302, 204, 341, 217}},
        {"\"SELECT\"", l.labelInClient(4), {92, 204, 135, 217}},
        {"overlay", l.displayClient, {0, 0, 360, 200}},
        {"overlay's message", l.displayLabel1(3), {93, 171, 358, 189}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.actual == c.expected) << c.what << ": " << c.actual.left << ", " << c.actual.top << ", "
                                            << c.actual.right << ", " << c.actual.bottom;
    EXPECT_EQ(l.messageFontPixels, 16);   // 12 pt
    EXPECT_EQ(l.labelFontPixels[0], 12);  // 9 pt
    EXPECT_EQ(l.labelFontPixels[1], 11);  // 8.25 pt
}

TEST(DialogLayout, At125And150PercentHalfPixelsRoundToEven)
{
    // Figures of the 96-dpi layout times 1.25 and 1.5, worked out by hand: x.5 goes to the even neighbour.
    const DialogLayout at120 = nivora::dialogLayout(120), at144 = nivora::dialogLayout(144);
    struct Case {
        const char* what;
        Rect actual, expected;  // left, top, right, bottom
    };
    const Case cases[] = {
        {"120: client area, 292.5 high", at120.settingClient, {0, 0, 454, 292}},
        {"120: Picture1, a 2-px border round 450 x 250", at120.picture1, {0, 0, 454, 254}},
        {"120: rows", at120.rowBand, {2, 2, 452, 252}},
        {"120: Text1 from 112.5, 210 to 443.75, 240", at120.text1, {112, 210, 444, 240}},
        {"120: Command1 from 7.5, 272.5", at120.commandButtons[0], {8, 272, 96, 291}},
        {"120: Command2", at120.commandButtons[1], {95, 272, 184, 291}},
        {"120: Command3 from 182.5", at120.commandButtons[2], {182, 272, 271, 291}},
        {"120: Command4", at120.commandButtons[3], {270, 272, 359, 291}},
        {"120: Command5 from 357.5", at120.commandButtons[4], {358, 272, 446, 291}},
        {"120: Frame1 from 247.5", at120.frame1, {0, 248, 454, 294}},
        {"120: \"+\" from 257.5", at120.labelInClient(0), {220, 258, 236, 276}},
        {"120: \"OK\"", at120.labelInClient(1), {305, 255, 329, 271}},
        {"120: \"CANCEL\" from 377.5", at120.labelInClient(2), {378, 255, 426, 271}},
        {"120: \"-\"", at120.labelInClient(3), {48, 258, 66, 271}},
        {"120: \"SELECT\"", at120.labelInClient(4), {115, 255, 169, 271}},
        {"120: the overlay's message, 3.75 px in", at120.displayLabel1(nivora::scaled(3, 120)), {116, 214, 448, 236}},
        {"144: client area", at144.settingClient, {0, 0, 546, 351}},
        {"144: Picture1, a 3-px border round 540 x 300", at144.picture1, {0, 0, 546, 306}},
        {"144: rows", at144.rowBand, {3, 3, 543, 303}},
        {"144: Text1 to 532.5", at144.text1, {135, 252, 532, 288}},
        {"144: Command1 to 115.5, 349.5", at144.commandButtons[0], {9, 327, 116, 350}},
        {"144: Command2 to 220.5", at144.commandButtons[1], {114, 327, 220, 350}},
        {"144: Command3 to 325.5", at144.commandButtons[2], {219, 327, 326, 350}},
        {"144: Command4 to 430.5", at144.commandButtons[3], {324, 327, 430, 350}},
        {"144: Command5 to 535.5", at144.commandButtons[4], {429, 327, 536, 350}},
        {"144: Frame1 to 352.5", at144.frame1, {0, 297, 546, 352}},
        {"144: \"+\" to 283.5, 331.5", at144.labelInClient(0), {264, 309, 284, 332}},
        {"144: \"OK\"", at144.labelInClient(1), {366, 306, 394, 326}},
        {"144: \"CANCEL\" to 511.5", at144.labelInClient(2), {453, 306, 512, 326}},
        {"144: \"-\" to 79.5, 325.5", at144.labelInClient(3), {57, 309, 80, 326}},
        {"144: \"SELECT\" to 202.5", at144.labelInClient(4), {138, 306, 202, 326}},
        {"144: the overlay's message, 4.5 px in", at144.displayLabel1(nivora::scaled(3, 144)), {139, 256, 536, 284}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.actual == c.expected) << c.what << ": " << c.actual.left << ", " << c.actual.top << ", "
                                            << c.actual.right << ", " << c.actual.bottom;
    struct Font {
        const char* what;
        int32_t actual, expected;
    };
    const Font fonts[] = {
        {"120: 12 pt message", at120.messageFontPixels, 20},
        {"120: 9 pt label", at120.labelFontPixels[0], 15},
        {"120: 8.25 pt label, 13.75 px", at120.labelFontPixels[1], 14},
        {"144: 12 pt message", at144.messageFontPixels, 24},
        {"144: 9 pt label", at144.labelFontPixels[0], 18},
        {"144: 8.25 pt label, 16.5 px", at144.labelFontPixels[1], 16},
        {"96: 8.25 pt label, 11 px", nivora::pointsToPixels(8.25, 96), 11},
        {"168: 8.25 pt label, 19.25 px", nivora::pointsToPixels(8.25, 168), 19},
        {"240: 8.25 pt label, 27.5 px", nivora::pointsToPixels(8.25, 240), 28},
    };
    for (const Font& f : fonts)
        EXPECT_EQ(f.actual, f.expected) << f.what;
    EXPECT_EQ(nivora::scaled(3, 144), 4) << "4.5";
    EXPECT_EQ(nivora::scaled(5, 144), 8) << "7.5";
    EXPECT_EQ(nivora::scaled(-3, 144), -4) << "-4.5";
    EXPECT_EQ(nivora::scaled(-5, 144), -8) << "-7.5";
}

TEST(DialogLayout, EveryScaleGrowsTheWholeWindowAndItsFontsTogether)
{
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        const DialogLayout l = nivora::dialogLayout(dpi);
        const double s = dpi / 96.0;
        // Within a pixel of the 96-dpi layout times the scale, so nothing is cut and nothing drifts.
        EXPECT_NEAR(l.rowWidth, 360 * s, 0.5);
        EXPECT_NEAR(l.rowHeight, 40 * s, 0.5);
        EXPECT_NEAR(widthOf(l.settingClient), 364 * s, 1.0);
        EXPECT_NEAR(heightOf(l.settingClient), 234 * s, 0.5);
        EXPECT_NEAR(l.messageFontPixels, 16 * s, 0.5);
        EXPECT_NEAR(l.labelFontPixels[1], 11 * s, 0.5);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(widthOf(l.commandButtons[i]), 71 * s, 1.0) << "button " << i;
            EXPECT_NEAR(widthOf(l.labelInClient(i)), widthOf(nivora::at96dpi::kButtonLabels[i].inFrame) * s, 1.0);
        }
        // The message fits its box as it does at 96 dpi: the box is 1.5 times the font's em.
        EXPECT_GE(heightOf(l.text1) - 2 * nivora::scaled(3, dpi), l.messageFontPixels);
    }
}

TEST(DialogLayout, RowsAbutAndFillThePictureBoxAndTheOverlayExactly)
{
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        const DialogLayout l = nivora::dialogLayout(dpi);
        for (int k = 1; k < nivora::kRowCount; ++k)
            EXPECT_EQ(l.row(k).bottom, l.row(k + 1).top) << "no gap or overlap below row " << k;
        EXPECT_EQ(l.row(1).top, 0);
        EXPECT_EQ(l.row(5).bottom, heightOf(l.rowBand));
        EXPECT_EQ(widthOf(l.row(1)), widthOf(l.rowBand));
        // Picture1's border on every side, the rows filling its inside.
        EXPECT_EQ(l.rowBand.left, l.picture1Border);
        EXPECT_EQ(l.rowBand.top, l.picture1Border);
        EXPECT_EQ(widthOf(l.picture1), widthOf(l.rowBand) + 2 * l.picture1Border);
        EXPECT_EQ(heightOf(l.picture1), heightOf(l.rowBand) + 2 * l.picture1Border);
        // The overlay is the band, row for row.
        EXPECT_EQ(widthOf(l.displayClient), widthOf(l.rowBand));
        EXPECT_EQ(heightOf(l.displayClient), heightOf(l.rowBand));
    }
}

TEST(DialogLayout, NothingFallsOutsideTheWindowOrOverlapsWhatItShouldNot)
{
    const size_t kButtonOf[] = {2, 3, 4, 0, 1};  // the labels, front to back: "+", "OK", "CANCEL", "-", "SELECT"
    for (int dpi : kDpis) {
        SCOPED_TRACE(dpi);
        const DialogLayout l = nivora::dialogLayout(dpi);
        EXPECT_TRUE(inside(l.picture1, l.settingClient));
        EXPECT_TRUE(inside(l.text1, l.row(5))) << "Text1 lies in the message row";
        for (size_t i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(inside(l.commandButtons[i], l.settingClient));
            EXPECT_FALSE(overlap(l.commandButtons[i], l.picture1)) << "buttons lie below the rows";
            if (i + 1 < 5) {  // each laid one 96-dpi pixel over the next
                EXPECT_LE(l.commandButtons[i].right - l.commandButtons[i + 1].left, (dpi + 95) / 96);
            }
            const Rect label = l.labelInClient(i);
            EXPECT_TRUE(inside(label, l.settingClient));
            EXPECT_GE(label.top, l.picture1.bottom) << "labels are not under the rows";
            EXPECT_LT(label.top, l.commandButtons[0].top) << "labels stand above the buttons";
            EXPECT_LE(label.left, l.commandButtons[kButtonOf[i]].left + widthOf(l.commandButtons[kButtonOf[i]]) / 2);
            EXPECT_GE(label.right, l.commandButtons[kButtonOf[i]].left + widthOf(l.commandButtons[kButtonOf[i]]) / 2)
                << "over the middle of its button";
        }
        // Frame1 spans the client area below the rows; as laid out it reaches 1 px beyond it at 96 dpi.
        EXPECT_EQ(l.frame1.left, 0);
        EXPECT_EQ(widthOf(l.frame1), widthOf(l.settingClient));
        EXPECT_LT(l.frame1.top, l.picture1.bottom);
        EXPECT_GE(l.frame1.bottom, l.settingClient.bottom);
        EXPECT_TRUE(inside(l.displayLabel1(nivora::scaled(3, dpi)), l.displayClient));
    }
}

TEST(DialogLayout, AnyReportedDpiGivesAUsableLayoutWithoutOverflow)
{
    struct Case {
        int dpi;
        int usedDpi;
    };
    const Case cases[] = {{0, nivora::kMinDpi}, {-96, nivora::kMinDpi},     {1, nivora::kMinDpi},      {1441, 1441},
                          {2880, 2880},         {INT_MAX, nivora::kMaxDpi}, {INT_MIN, nivora::kMinDpi}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const DialogLayout l = nivora::dialogLayout(c.dpi);
        EXPECT_EQ(l.dpi, c.usedDpi);
        EXPECT_GT(l.rowHeight, 0);
        EXPECT_GT(l.messageFontPixels, 0);
        EXPECT_EQ(l.row(5).bottom, heightOf(l.rowBand));
        EXPECT_GT(widthOf(l.settingClient), 0);
    }
}

TEST(DialogRegions, TheHolesAreExactlyTheRowsThatAreNotSelectedAtEveryScale)
{
    for (int dpi : kDpis) {
        const DialogLayout l = nivora::dialogLayout(dpi);
        const Frame f = frameAt(dpi);
        const int width = widthOf(l.settingClient) + 2 * f.border;
        const int height = heightOf(l.settingClient) + 2 * f.border + f.caption;
        // The band where the client area puts it: inside the frame, below the caption, inside Picture1's border.
        const RowBand band{f.border + l.rowBand.left, f.border + f.caption + l.rowBand.top, l.rowWidth, l.rowHeight};
        for (int k = 1; k <= 5; ++k) {
            SCOPED_TRACE(testing::Message() << dpi << " dpi, item " << k);
            const RegionOutline outline = nivora::regionOutline(k, width, height, band);
            EXPECT_EQ(nivora::regionOutlines(width, height, band)[size_t(k - 1)], outline);
            int wrong = 0;
            for (int y = -1; y <= height; ++y) {
                for (int x = -1; x <= width; ++x) {
                    bool shown = x >= 0 && y >= 0 && x < width && y < height;
                    for (int row = 1; row <= 5; ++row) {
                        const Rect r = l.row(row);
                        if (row != k && x >= band.left + r.left && x < band.left + r.right && y >= band.top + r.top &&
                            y < band.top + r.bottom)
                            shown = false;
                    }
                    wrong += covers(outline, x, y) != shown ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0) << "pixels the shape gets wrong";
        }
    }
}

TEST(DialogRegions, TheSelectedRowIsSolidToItsLastPixelAndItsNeighboursAreHoles)
{
    const RowBand band{5, 24, 360, 40};  // 96 dpi, a 19-px caption
    const RegionOutline outline = nivora::regionOutline(3, 370, 259, band);
    struct Sample {
        const char* where;
        int x, y;
        bool covered;
    };
    const Sample samples[] = {
        {"row 3, first pixel", 5, 104, true},
        {"row 3, last pixel", 364, 143, true},
        {"row 2, last pixel", 364, 103, false},
        {"row 4, first pixel", 5, 144, false},
        {"row 1, first pixel", 5, 24, false},
        {"row 5, last pixel", 364, 223, false},
        {"frame left of row 2", 4, 84, true},
        {"frame right of row 4", 365, 164, true},
        {"caption", 185, 10, true},
        {"just below the band", 185, 224, true},
    };
    for (const Sample& s : samples)
        EXPECT_EQ(covers(outline, s.x, s.y), s.covered) << s.where;
}

}  // namespace

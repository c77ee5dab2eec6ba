// Resizing by area averaging, as the option pictures are shrunk to sizes between their stored scales.
#include "core/base/area_resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using nivora::ConstSurface;
using nivora::Pixel;
using nivora::Surface;

std::vector<Pixel> resample(const std::vector<Pixel>& in, int32_t width, int32_t height, int32_t toWidth,
                            int32_t toHeight)
{
    std::vector<Pixel> out(size_t(toWidth) * size_t(toHeight), 0xDEADBEEFu);
    nivora::resampleByArea(ConstSurface(in.data(), width, height, width),
                           Surface{out.data(), toWidth, toHeight, toWidth});
    return out;
}

TEST(AreaResample, EachTargetPixelIsTheMeanOfTheSourceAreaItCovers)
{
    struct Case {
        const char* what;
        std::vector<Pixel> in;
        int32_t width, height, toWidth, toHeight;
        std::vector<Pixel> out;
    };
    const Case cases[] = {
        {"same size: unchanged",
         {0x01020304, 0xFFFFFFFF, 0x00000000, 0x80808080},
         2,
         2,
         2,
         2,
         {0x01020304, 0xFFFFFFFF, 0x00000000, 0x80808080}},
        {"half: 2 x 2 blocks averaged", {0x00000000, 0x000000FF, 0x0000FF00, 0x00FF0000}, 2, 2, 1, 1, {0x00404040}},
        {"every byte apart, the top one too", {0xFF000000, 0x00000000}, 2, 1, 1, 1, {0x80000000}},
        // 5 to 4: a target pixel covers 1.25 source pixels, half of the bright one for each of the middle two:
        // 255 * 0.5 / 1.25 = 102.
        {"five to four", {0, 0, 255, 0, 0}, 5, 1, 4, 1, {0, 102, 102, 0}},
        // 4 to 3: a third and two thirds of the line: 255 / 4 = 63.75 and 127.5 (to the even 128).
        {"a thin line kept as grey", {0, 255, 0, 0}, 4, 1, 3, 1, {64, 128, 0}},
        {"down a column as across a row", {0, 0, 255, 0, 0}, 1, 5, 1, 4, {0, 102, 102, 0}},
        // 127.5 rounds to the even 128, 0.5 to the even 0.
        {"halves to even", {255, 0}, 2, 1, 1, 1, {128}},
        {"halves to even, low", {1, 0}, 2, 1, 1, 1, {0}},
        {"enlarging repeats pixels, seams blended", {0, 255}, 2, 1, 3, 1, {0, 128, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(resample(c.in, c.width, c.height, c.toWidth, c.toHeight), c.out);
    }
}

TEST(AreaResample, AFlatPictureStaysFlatAtEverySize)
{
    const Pixel accent = 0xFF805AFFu;  // the option pictures' background, alpha opaque
    const std::vector<Pixel> in(size_t(450) * 50, accent);
    for (const auto& [w, h] : {std::pair{396, 44}, std::pair{360, 40}, std::pair{449, 49}, std::pair{1, 1}}) {
        const std::vector<Pixel> out = resample(in, 450, 50, w, h);
        EXPECT_EQ(std::count(out.begin(), out.end(), accent), w * h) << w << " x " << h;
    }
}

TEST(AreaResample, ShrinkingKeepsTheAmountOfInk)
{
    // A white vertical stroke two pixels wide on black, shrunk by odd factors: its ink neither vanishes nor grows.
    const int32_t width = 90, height = 10;
    std::vector<Pixel> in(size_t(width) * height, 0);
    for (int32_t y = 0; y < height; ++y)
        in[size_t(y) * width + 41] = in[size_t(y) * width + 42] = 0xFF;
    for (int32_t toWidth : {79, 72, 60, 45, 31}) {
        const std::vector<Pixel> out = resample(in, width, height, toWidth, height);
        long ink = 0;
        for (Pixel p : out)
            ink += long(p & 0xFF);
        const long expected = 2L * 255 * height * toWidth / width;
        EXPECT_NEAR(ink, expected, height * 2) << toWidth;
    }
}

TEST(AreaResample, EmptySurfacesChangeNothing)
{
    std::vector<Pixel> out(4, 7);
    const std::vector<Pixel> in(4, 9);
    nivora::resampleByArea(ConstSurface(in.data(), 0, 2, 0), Surface{out.data(), 2, 2, 2});
    nivora::resampleByArea(ConstSurface(in.data(), 2, 2, 2), Surface{out.data(), 0, 2, 0});
    EXPECT_EQ(out, std::vector<Pixel>(4, 7));
}

}  // namespace

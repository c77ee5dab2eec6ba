// Fitting a button label's font to its box, as when "Arial Narrow" is missing and a wider face stands in.
#include "core/dialog/text_fit.h"

#include <gtest/gtest.h>

namespace {

TEST(TextFit, AFaceTooWideForTheBoxIsMadeSmallerUntilTheCaptionFits)
{
    // "CANCEL" in bold at n pixels: about 3.3 n wide in a condensed face, 4.6 n in a regular one.
    const auto condensed = [](int32_t n) { return n * 33 / 10; };
    const auto regular = [](int32_t n) { return n * 46 / 10; };
    struct Case {
        const char* what;
        int32_t pixels, box;
        std::function<int32_t(int32_t)> widthAt;
        int32_t expected;
    };
    const Case cases[] = {
        {"the condensed face fits at 100 %", 11, 39, condensed, 11},
        {"a regular face is made smaller", 11, 39, regular, 8},
        {"at 150 % the same, scaled", 17, 59, regular, 13},
        {"exactly as wide as the box fits", 10, 46, regular, 10},
        {"never below the smallest readable size", 11, 5, regular, 6},
        {"a size already below it is left alone", 4, 1, regular, 4},
    };
    for (const Case& c : cases) {
        const int32_t size = nivora::fittingFontPixels(c.pixels, c.box, c.widthAt);
        EXPECT_EQ(size, c.expected) << c.what;
        if (size > nivora::kSmallestFontPixels && size < c.pixels) {
            EXPECT_LE(c.widthAt(size), c.box) << c.what << ": fits";
            EXPECT_GT(c.widthAt(size + 1), c.box) << c.what << ": and is the largest that does";
        }
    }
}

TEST(TextFit, WidthsThatDoNotGrowEvenlyStillGiveTheLargestFittingSize)
{
    // Hinting can make a caption wider at 10 px than at 11 px.
    const auto hinted = [](int32_t n) { return n == 10 ? 45 : n * 4; };
    EXPECT_EQ(nivora::fittingFontPixels(12, 44, hinted), 11);
    EXPECT_EQ(nivora::fittingFontPixels(10, 44, hinted), 9);
}

}  // namespace

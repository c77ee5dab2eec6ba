// The wallpaper laid over an output per picture option, pixel for pixel on small pictures.
#include <gtest/gtest.h>

#include <vector>

#include "core/desktop/wallpaper_cover.h"

namespace nivora {
namespace {

constexpr Pixel g(uint8_t level)
{
    return greyPixel(level);
}
constexpr Pixel kRed = 0x00FF0000u;

// 4 x 2: grey levels 0 40 80 120 over 20 60 100 140.
const std::vector<Pixel> kImage{g(0), g(40), g(80), g(120), g(20), g(60), g(100), g(140)};

WallpaperPlacement laid(WallpaperOption option, Pixel background = kBlackPixel, Rect place = {}, Rect layout = {})
{
    return {option, background, place, layout};
}

std::vector<Pixel> covered(const std::vector<Pixel>& image, int32_t imageWidth, const WallpaperPlacement& how,
                           int32_t width, int32_t height)
{
    std::vector<Pixel> out(size_t(width) * size_t(height), 0xDEADBEEFu);
    const ConstSurface source{image.data(), imageWidth, int32_t(image.size()) / imageWidth, imageWidth};
    coverWithWallpaper(source, how, {out.data(), width, height, width});
    return out;
}

TEST(WallpaperCover, EachPictureOptionLaysThePictureAsTheDesktopDoes)
{
    struct Case {
        const char* name;
        WallpaperPlacement how;
        int32_t width, height;
        std::vector<Pixel> expected;
    };
    const Case cases[] = {
        {"stretched halves each way", laid(WallpaperOption::Stretched), 2, 1, {g(30), g(110)}},
        {"stretched doubles each way",
         laid(WallpaperOption::Stretched),
         8,
         1,
         {g(10), g(10), g(50), g(50), g(90), g(90), g(130), g(130)}},
        {"zoom keeps the middle square", laid(WallpaperOption::Zoom), 2, 2, {g(40), g(80), g(60), g(100)}},
        {"zoom of a tall output", laid(WallpaperOption::Zoom), 1, 2, {g(40), g(60)}},
        {"scaled fits, the rest the primary colour",
         laid(WallpaperOption::Scaled, kRed),
         2,
         3,
         {kRed, kRed, g(30), g(110), kRed, kRed}},
        {"scaled of a wide output", laid(WallpaperOption::Scaled, kRed), 6, 1, {kRed, kRed, g(30), g(110), kRed, kRed}},
        {"centered, cut to a narrow output",
         laid(WallpaperOption::Centered, kRed),
         2,
         4,
         {kRed, kRed, g(40), g(80), g(60), g(100), kRed, kRed}},
        {"centered on a larger output, the odd row left below",
         laid(WallpaperOption::Centered),
         6,
         3,
         {0, g(0), g(40), g(80), g(120), 0, 0, g(20), g(60), g(100), g(140), 0, 0, 0, 0, 0, 0, 0}},
        {"wallpaper tiles from the top left",
         laid(WallpaperOption::Wallpaper),
         5,
         3,
         {g(0), g(40), g(80), g(120), g(0), g(20), g(60), g(100), g(140), g(20), g(0), g(40), g(80), g(120), g(0)}},
        {"none is black", laid(WallpaperOption::None, kRed), 2, 1, {0, 0}},
        {"spanned: the left output its half",
         laid(WallpaperOption::Spanned, 0, {0, 0, 2, 2}, {0, 0, 4, 2}),
         2,
         2,
         {g(0), g(40), g(20), g(60)}},
        {"spanned: the right output its half at half the pixels",
         laid(WallpaperOption::Spanned, 0, {2, 0, 4, 2}, {0, 0, 4, 2}),
         1,
         1,
         {g(110)}},
        {"spanned: an output left of the origin",
         laid(WallpaperOption::Spanned, 0, {-2, 0, 0, 2}, {-2, 0, 2, 2}),
         2,
         1,
         {g(10), g(50)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(covered(kImage, 4, c.how, c.width, c.height), c.expected) << c.name;
}

TEST(WallpaperCover, ColoursAverageApartAndTheTopByteIsCleared)
{
    const std::vector<Pixel> image{0xFFFF0000u, 0x800000FFu};
    EXPECT_EQ(covered(image, 2, laid(WallpaperOption::Stretched), 1, 1), std::vector<Pixel>{0x00800080u});
    EXPECT_EQ(covered(image, 2, laid(WallpaperOption::Wallpaper), 3, 1),
              (std::vector<Pixel>{0x00FF0000u, 0x000000FFu, 0x00FF0000u}));
    EXPECT_EQ(covered(image, 2, laid(WallpaperOption::Centered), 2, 1), (std::vector<Pixel>{0x00FF0000u, 0x000000FFu}));
}

TEST(WallpaperCover, AnEmptyPictureOrLayoutLeavesBlack)
{
    EXPECT_EQ(covered({}, 1, laid(WallpaperOption::Zoom), 2, 1), (std::vector<Pixel>{0, 0}));
    EXPECT_EQ(covered(kImage, 4, laid(WallpaperOption::Spanned, 0, {0, 0, 2, 2}, {0, 0, 0, 0}), 2, 1),
              (std::vector<Pixel>{0, 0}));
}

TEST(WallpaperCover, ResamplingRowByRowAveragesEveryCoveredPart)
{
    // 3 x 1 into 2 x 1: each target pixel covers one source pixel and half of the middle one.
    const std::vector<Pixel> image{g(0), g(90), g(200)};
    std::vector<Pixel> out(2);
    resampleRows({image.data(), 3, 1, 3}, {out.data(), 2, 1, 2});
    EXPECT_EQ(out, (std::vector<Pixel>{g(30), g(163)}));
}

}  // namespace
}  // namespace nivora

// Block transfers and pixel reads on raster views: GDI's results, clipping at every edge, reads outside.
#include <gtest/gtest.h>

#include "core/base/raster.h"
#include "core/settings/settings.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using snowtest::Image;

// Destination 6 x 5 and source 4 x 3 with distinct values in every byte, the unused top byte included.
Image destination()
{
    Image img(6, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            img.at(x, y) = 0xA0000000u + static_cast<uint32_t>(y * 0x10203 + x * 0x30201) + 0x00405060u;
    return img;
}

Image source()
{
    Image img(4, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            img.at(x, y) = 0x0F00FF00u ^ static_cast<uint32_t>((y * 4 + x) * 0x01110111);
    return img;
}

Pixel apply(Rop rop, Pixel d, Pixel s)
{
    switch (rop) {
    case Rop::SrcCopy:
        return s;
    case Rop::SrcAnd:
        return d & s;
    case Rop::SrcInvert:
        return d ^ s;
    case Rop::Blackness:
        return 0x00000000u;
    case Rop::Whiteness:
        return 0xFFFFFFFFu;
    }
    return d;
}

TEST(Raster, TransfersChangeExactlyThePixelsInsideBothPictures)
{
    struct Case {
        const char* name;
        int32_t x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {"wholly inside", 1, 1, 3, 2, 0, 0},
        {"past the left edge", -2, 1, 4, 2, 0, 0},
        {"past the top edge", 2, -1, 3, 3, 1, 0},
        {"past the right edge", 4, 0, 4, 3, 0, 0},
        {"past the bottom edge", 0, 3, 4, 3, 0, 0},
        {"over every edge", -3, -3, 12, 11, 0, 0},
        {"source rectangle beyond the source's right edge", 0, 0, 4, 3, 2, 0},
        {"source rectangle above the source", 0, 0, 4, 3, 0, -2},
        {"wholly outside", 7, 1, 2, 2, 0, 0},
        {"empty width", 1, 1, 0, 2, 0, 0},
        {"negative height", 1, 1, 2, -2, 0, 0},
    };
    const Rop rops[] = {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcInvert, Rop::Blackness, Rop::Whiteness};
    for (const Case& c : cases) {
        for (Rop rop : rops) {
            SCOPED_TRACE(::testing::Message() << c.name << ", rop " << std::hex << static_cast<uint32_t>(rop));
            Image dst = destination();
            const Image src = source();
            const Image before = dst;
            bitBlt(dst.view(), c.x, c.y, c.w, c.h, src.view(), c.sx, c.sy, rop);
            const bool usesSource = rop != Rop::Blackness && rop != Rop::Whiteness;
            for (int32_t y = 0; y < dst.height; ++y) {
                for (int32_t x = 0; x < dst.width; ++x) {
                    const int32_t u = x - c.x + c.sx, v = y - c.y + c.sy;
                    const bool inRect = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                    const bool inSource = u >= 0 && v >= 0 && u < src.width && v < src.height;
                    Pixel expected = before.at(x, y);
                    if (inRect && (inSource || !usesSource))
                        expected = apply(rop, expected, usesSource ? src.at(u, v) : 0);
                    ASSERT_EQ(dst.at(x, y), expected) << "at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(Raster, SourcesMoreThanThirtyTwoBitsAwayFromTheDestinationChangeNothing)
{
    // x - sx beyond the 32-bit range once wrapped into the picture and copied with a negative length.
    struct Case {
        const char* name;
        int32_t x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {"source far left", 0, 0, 6, 5, INT32_MIN, 0},
        {"source far above", 0, 0, 6, 5, 0, INT32_MIN},
        {"destination right, source far left", 5, 4, 6, 5, -2147483643, 0},
        {"both far off", 18, 0, 6, 5, -2147483630, INT32_MIN},
        {"huge rectangle, source far left", 0, 0, INT32_MAX, INT32_MAX, INT32_MIN + 1, 0},
    };
    const Rop rops[] = {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcInvert};
    for (const Case& c : cases) {
        for (Rop rop : rops) {
            SCOPED_TRACE(::testing::Message() << c.name << ", rop " << std::hex << static_cast<uint32_t>(rop));
            Image dst = destination();
            const Image before = dst;
            bitBlt(dst.view(), c.x, c.y, c.w, c.h, source().view(), c.sx, c.sy, rop);
            EXPECT_EQ(dst.pixels, before.pixels);
        }
    }
}

TEST(Raster, TransfersWithinOnePictureReadEverySourcePixelBeforeOverwritingIt)
{
    // GDI scrolls a picture onto itself correctly in every direction; so must the views.
    struct Case {
        const char* name;
        int32_t x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {"one row down", 0, 1, 6, 4, 0, 0},    {"one row up", 0, 0, 6, 4, 0, 1},
        {"one pixel right", 1, 0, 5, 5, 0, 0}, {"one pixel left", 0, 0, 5, 5, 1, 0},
        {"down and right", 4, 4, 4, 4, 4, 3},  {"up and left", 0, 0, 4, 4, 1, 1},
        {"onto itself", 0, 0, 6, 5, 0, 0},
    };
    const Rop rops[] = {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcInvert};
    for (const Case& c : cases) {
        for (Rop rop : rops) {
            SCOPED_TRACE(::testing::Message() << c.name << ", rop " << std::hex << static_cast<uint32_t>(rop));
            Image img = destination();
            const Image before = img;
            bitBlt(img.view(), c.x, c.y, c.w, c.h, img.view(), c.sx, c.sy, rop);
            for (int32_t y = 0; y < img.height; ++y) {
                for (int32_t x = 0; x < img.width; ++x) {
                    const int32_t u = x - c.x + c.sx, v = y - c.y + c.sy;
                    const bool inRect = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                    const bool inSource = u >= 0 && v >= 0 && u < img.width && v < img.height;
                    const Pixel expected = inRect && inSource ? apply(rop, before.at(x, y), before.at(u, v))
                                                              : before.at(x, y);
                    ASSERT_EQ(img.at(x, y), expected) << "at (" << x << ", " << y << ")";
                }
            }
        }
    }
}

TEST(Raster, OperationsWorkOnAllThirtyTwoBitsOfAPixel)
{
    struct Case {
        Rop rop;
        Pixel expected;
    };
    // Destination 0xAA123456, source 0x5512FF00.
    const Case cases[] = {
        {Rop::SrcCopy, 0x5512FF00u},   {Rop::SrcAnd, 0x00123400u},    {Rop::SrcInvert, 0xFF00CB56u},
        {Rop::Blackness, 0x00000000u}, {Rop::Whiteness, 0xFFFFFFFFu},  // as GDI leaves a 32-bit DIB pixel, the unused
                                                                       // byte set too
    };
    for (const Case& c : cases) {
        Image dst(1, 1, 0xAA123456u);
        const Image src(1, 1, 0x5512FF00u);
        bitBlt(dst.view(), 0, 0, 1, 1, src.view(), 0, 0, c.rop);
        EXPECT_EQ(dst.at(0, 0), c.expected) << std::hex << static_cast<uint32_t>(c.rop);
    }
}

TEST(Raster, PixelReadsGiveAColorRefInsideAndClrInvalidOutside)
{
    Image img(3, 2, 0x00000000u);
    img.at(0, 0) = 0x00123456u;  // R 0x12, G 0x34, B 0x56
    img.at(1, 0) = 0xFFFFFFFFu;  // white with the top byte set: still reads as white
    img.at(2, 1) = 0x00FFFFFEu;  // almost white
    struct Case {
        int32_t x, y;
        ColorRef expected;
    };
    const Case cases[] = {
        {0, 0, 0x00563412u},  {1, 0, kWhiteColorRef}, {2, 1, 0x00FEFFFFu}, {-1, 0, kClrInvalid},
        {0, -1, kClrInvalid}, {3, 0, kClrInvalid},    {0, 2, kClrInvalid}, {-100000, 100000, kClrInvalid},
    };
    for (const Case& c : cases)
        EXPECT_EQ(getPixel(img.view(), c.x, c.y), c.expected) << "(" << c.x << ", " << c.y << ")";
    EXPECT_NE(kClrInvalid, kWhiteColorRef);  // the settling test compares all 32 bits
}

TEST(Raster, ClearingTheUnusedBytesKeepsTheColoursAndStaysInsideTheView)
{
    Image img = destination();  // every pixel has a top byte of 0xA0
    const Image before = img;
    // A 3 x 2 view from (2, 1), its rows the whole picture's width apart: the stride must be followed.
    const Surface inner{img.pixels.data() + 1 * img.width + 2, 3, 2, img.width};
    clearUnusedBytes(inner);
    for (int32_t y = 0; y < img.height; ++y) {
        for (int32_t x = 0; x < img.width; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(img.at(x, y), inside ? before.at(x, y) & 0x00FFFFFFu : before.at(x, y)) << x << ", " << y;
        }
    }
}

TEST(Raster, BlendOverBlackMatchesTheDibEngineRounding)
{
    // Worked by hand from (s * a + 127) / 255 in integers, byte by byte.
    struct Case {
        uint8_t alpha;
        Pixel src, expected;
    };
    const Case cases[] = {
        {255, 0x00FF8001u, 0x00FF8001u},  // full brightness leaves the desktop as it is
        {127, 0x00FF8001u, 0x007F4000u},  // 32512 / 255 = 127, 16383 / 255 = 64, 254 / 255 = 0
        {127, 0x00020302u, 0x00010101u},  // 381 / 255 = 1, 508 / 255 = 1
        {127, 0x00010101u, 0x00000000u}, {63, 0x00FFFFFFu, 0x003F3F3Fu},  // 16192 / 255 = 63
        {191, 0x00FF0A00u, 0x00BF0700u},  // 48832 / 255 = 191, 2037 / 255 = 7, 127 / 255 = 0
        {191, 0x00808080u, 0x00606060u},  // 24575 / 255 = 96
        {63, 0xFF000000u, 0x3F000000u},   // the top byte is blended like the others
    };
    for (const Case& c : cases)
        EXPECT_EQ(blendOverBlack(c.src, c.alpha), c.expected)
            << std::hex << c.src << " at alpha " << std::dec << int{c.alpha};
}

TEST(Raster, PictureBlendCoversTheSizeBothShare)
{
    const Pixel source[] = {0x00FF8001u, 0x00020302u, 0x00FFFFFFu, 0x00808080u};
    Pixel target[] = {1, 1, 1, 1, 1, 1};  // 3 x 2: one column wider than the source, which is 2 x 2
    blendOverBlack(Surface{target, 3, 2, 3}, ConstSurface{source, 2, 2, 2}, 127);
    const Pixel expected[] = {0x007F4000u, 0x00010101u, 1, 0x007F7F7Fu, 0x00404040u, 1};
    for (size_t i = 0; i < std::size(target); ++i)
        EXPECT_EQ(target[i], expected[i]) << i;
}

TEST(Raster, BrightnessSettingsGiveTheirConstantAlpha)
{
    struct Case {
        int16_t blightness;
        int expected;  // -1: no blend, the background stays black
    };
    const Case cases[] = {{0, -1}, {1, 63}, {2, 127}, {3, 191}, {4, 255}, {-3, -1}, {5, 255}, {32767, 255}};
    for (const Case& c : cases) {
        const auto alpha = brightnessAlpha(c.blightness);
        EXPECT_EQ(alpha ? int{*alpha} : -1, c.expected) << c.blightness;
    }
}

}  // namespace
}  // namespace nivora

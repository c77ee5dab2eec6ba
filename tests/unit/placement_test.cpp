// Placing the settings window near the pointer, one axis at a time.
#include "core/placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace nivora {
namespace {

TEST(Placement, WindowOpensUpLeftOfThePointerAndStaysOnTheScreen)
{
    struct Case {
        const char* what;
        int32_t pointer;
        double twipsPerPixel;
        int32_t screen;
        int32_t window;
        int32_t expected;
    };
    // A 1024 × 768 screen at 15 twips per pixel is 15360 × 11520 twips; the window is 6000 × 4000 twips.
    const Case cases[] = {
        {"pointer at 100: left of the screen, so 0", 100, 15, 15360, 6000, 0},
        {"pointer at 180: exactly the edge", 180, 15, 15360, 6000, 0},
        {"pointer x 500", 500, 15, 15360, 6000, 4800},
        {"pointer y 400", 400, 15, 11520, 4000, 3300},
        {"pointer in the right corner: aligned to the right edge", 1023, 15, 15360, 6000, 9360},
        {"pointer in the bottom corner: aligned to the bottom edge", 767, 15, 11520, 4000, 7520},
        {"just fits", 180 + 624, 15, 15360, 6000, 9360},
        {"one pixel further would cross the edge", 180 + 625, 15, 15360, 6000, 9360},
        {"window wider than the screen: negative, the far edge wins", 100, 15, 15360, 20000, -4640},
        {"window wider than the screen, pointer far right", 1000, 15, 15360, 20000, -4640},
        {"unknown pointer at 1500", kUnknownPointerPixel, 15, 15360, 6000, 9360},
        {"unknown pointer on a big screen", kUnknownPointerPixel, 15, 38400, 6000, 19800},
        {"120 dpi", 500, 12, 15360, 6000, 3840},
        {"fraction rounds half to even, down", 181, 2.5, 100000, 100, 2},
        {"fraction rounds half to even, up", 183, 2.5, 100000, 100, 8},
        {"pointer on a monitor left of the primary", -500, 15, 15360, 6000, 0},
        {"pointer far beyond 32 bits of twips", 2000000000, 15, 15360, 6000, 9360},
        {"pointer at the most negative", std::numeric_limits<int32_t>::min(), 15, 15360, 6000, 0},
        {"extents at the 32-bit limits", 0, 15, std::numeric_limits<int32_t>::min(),
         std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()},
        {"twips per pixel not a number", 500, std::numeric_limits<double>::quiet_NaN(), 15360, 6000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeNearPointer(c.pointer, c.twipsPerPixel, c.screen, c.window), c.expected) << c.what;
}

}  // namespace
}  // namespace nivora

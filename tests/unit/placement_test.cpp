// Placing the settings window near the pointer, on the monitor under it.
#include "core/dialog/placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace nivora {
namespace {

TEST(Placement, WindowOpensUpLeftOfThePointerAndStaysInTheMonitorsWorkArea)
{
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const Rect primary{0, 0, 1024, 728};   // a 1024 x 768 screen less a 40-px taskbar at the bottom
    const Rect left{-800, 0, 0, 600};      // a second monitor left of the primary one
    const Rect above{200, -900, 1640, 0};  // and one above it
    struct Case {
        const char* what;
        PixelPoint pointer;
        Rect area;
        int32_t width, height;
        PixelPoint expected;
    };
    const Case cases[] = {
        {"180 px left of and above the pointer", {500, 400}, primary, 370, 259, {320, 220}},
        {"near the top left: kept on the monitor", {100, 100}, primary, 370, 259, {0, 0}},
        {"exactly 180 px in", {180, 180}, primary, 370, 259, {0, 0}},
        {"bottom right: against the work area's far edges", {1023, 767}, primary, 370, 259, {654, 469}},
        {"just fits", {180 + 654, 180 + 469}, primary, 370, 259, {654, 469}},
        {"one more pixel would cross", {181 + 654, 181 + 469}, primary, 370, 259, {654, 469}},
        {"on the monitor to the left", {-300, 300}, left, 370, 259, {-480, 120}},
        {"at that monitor's left edge", {-790, 10}, left, 370, 259, {-800, 0}},
        {"against its right edge, not spilling onto the primary", {-1, 599}, left, 370, 259, {-370, 341}},
        {"on a monitor above", {1500, -10}, above, 370, 259, {1270, -259}},
        {"a window larger than the area: the far edges win", {500, 400}, primary, 1200, 900, {-176, -172}},
        {"pointer at the far end of 32 bits", {kMax, kMax}, primary, 370, 259, {654, 469}},
        {"pointer at the near end of 32 bits", {kMin, kMin}, primary, 370, 259, {0, 0}},
        {"areas at the 32-bit limits", {0, 0}, {kMin, kMin, kMin, kMin}, kMax, kMax, {kMin, kMin}},
    };
    for (const auto& c : cases) {
        const PixelPoint p = placeNearPointer(c.pointer, c.width, c.height, c.area);
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
}

}  // namespace
}  // namespace nivora

// The sway's sine: within one unit in the last place of the true sine over every angle the sway can take, and
// pinned to the bit so that Linux and Windows builds draw the same flakes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/snow/sway_sine.h"

namespace nivora {
namespace {

// Distance in units in the last place between two doubles of the same sign.
uint64_t ulpDistance(double a, double b)
{
    if (a == b)
        return 0;
    if ((a < 0) != (b < 0))
        return std::fabs(a - b) < 1e-300 ? 0 : UINT64_MAX;
    const auto ia = std::bit_cast<uint64_t>(std::fabs(a)), ib = std::bit_cast<uint64_t>(std::fabs(b));
    return ia > ib ? ia - ib : ib - ia;
}

TEST(SnowSway, SineIsWithinOneUlpOfTheLibraryOverEverySwayAngle)
{
    // Angles ((speed + size) * 100 + y) * factor for every kind 1..10 and heights from fifteen 4K screens above
    // the top edge to below the bottom, in steps of a third of a pixel as the fall goes, plus odd fractions.
    uint64_t worst = 0, differing = 0, total = 0;
    for (int kind = 1; kind <= 10; ++kind) {
        for (int step = -3 * 15 * 2160; step <= 3 * 2200; step += 7) {
            for (double fraction : {0.0, 0.123456789, 0.5}) {
                const double y = static_cast<float>(step / 3.0 + fraction);
                const double theta = (kind * 100.0 + y) * kSwayRadiansPerDegree;
                const uint64_t d = ulpDistance(swaySine(theta), std::sin(theta));
                worst = std::max(worst, d);
                differing += d != 0;
                ++total;
            }
        }
    }
    EXPECT_LE(worst, 1u);
    EXPECT_LT(differing * 20, total);  // nearly always the correctly rounded value
}

TEST(SnowSway, SineKeepsZeroTinyAnglesAndEveryQuadrant)
{
    EXPECT_EQ(std::bit_cast<uint64_t>(swaySine(0.0)), std::bit_cast<uint64_t>(0.0));
    EXPECT_EQ(std::bit_cast<uint64_t>(swaySine(-0.0)), std::bit_cast<uint64_t>(-0.0));
    EXPECT_EQ(swaySine(1e-300), 1e-300);
    EXPECT_EQ(swaySine(M_PI / 2), 1.0);
    EXPECT_EQ(swaySine(-M_PI / 2), -1.0);
    for (double x : {0.7, 0.8, 2.0, 2.5, 3.9, 4.5, 5.5, 6.2, -0.8, -2.0, -3.9, -5.5, 1000.0, -1000.0})
        EXPECT_LE(ulpDistance(swaySine(x), std::sin(x)), 1u) << x;
}

TEST(SnowSway, SineIsPinnedToTheBit)
{
    // The Windows build gives these same bits; the sway, and so every flake's pixel, depends on them.
    struct Case {
        double x;
        uint64_t bits;
    };
    const Case cases[] = {
        {0.5, 0x3fdeaee8744b05f0ull},
        {1, 0x3feaed548f090ceeull},
        {1.7453288888888889, 0x3fef838bae5afbe1ull},
        {17.453288888888888, 0xbfef838cdf030c64ull},
        {100, 0xbfe03425b78c4db8ull},
        {-523.59866666666665, 0xbfebb6ed1eb2ddcaull},
        {3.1415926535897931, 0x3ca1a62633145c07ull},
        {8600.1229999999996, 0xbfefff4bc27aa26aull},
        {-8600.5, 0x3fed9882883bf7ccull},
        {1.0000000000000001e-09, 0x3e112e0be826d695ull},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::bit_cast<uint64_t>(swaySine(c.x)), c.bits) << c.x;
}

}  // namespace
}  // namespace nivora

// The automatic wind: when targets are drawn, how the wind moves to them and that it lands on them exactly.
#include <gtest/gtest.h>

#include <cmath>

#include "core/snow/wind.h"

namespace nivora {
namespace {

TEST(Wind, FirstTickDrawsAPinnedTargetAndPauseFromTwoDraws)
{
    // Seeded results pinned: the target is one of the thirteen winds, the pause 1 to 11 s, and the wind itself
    // waits; the generator has moved on by exactly two draws.
    struct Case {
        float velocity;
        uint64_t seed;
        int16_t target;
        int64_t pause;  // ms
        int16_t step;  // the whole way from the wind to the target
    };
    const Case cases[] = {
        {0, 1, -10, 5170, -10}, {-30, 2, 20, 6443, 50},   {30, 3, 15, 7707, -15},
        {15, 4, -30, 8543, -45}, {-5, 5, -25, 8068, -20},
    };
    for (const Case& c : cases) {
        AutoWind wind(c.velocity);
        EXPECT_EQ(wind.windTarget, static_cast<int16_t>(c.velocity));
        Random random(c.seed), probe(c.seed);
        float velocity = c.velocity;
        EXPECT_EQ(wind.Timer3_Timer(velocity, random).count(), c.pause) << c.seed;
        EXPECT_EQ(wind.windTarget, c.target) << c.seed;
        EXPECT_EQ(wind.windStep, c.step) << c.seed;
        EXPECT_EQ(velocity, c.velocity);
        probe.next();
        probe.next();
        EXPECT_EQ(random.nextBits(), probe.nextBits());
    }
}

TEST(Wind, MovesInFortyEqualStepsAndLandsExactlyOnTheTarget)
{
    for (uint64_t seed = 1; seed <= 40; ++seed) {
        Random random(seed);
        float velocity = static_cast<float>(static_cast<int>(seed % 13) * 5 - 30);
        AutoWind wind(velocity);
        for (int transition = 0; transition < 5; ++transition) {
            const int64_t pause = wind.Timer3_Timer(velocity, random).count();
            EXPECT_GE(pause, 1000);
            EXPECT_LE(pause, 10999);
            EXPECT_EQ(wind.windTarget % 5, 0);
            EXPECT_GE(wind.windTarget, -30);
            EXPECT_LE(wind.windTarget, 30);
            int steps = 0;
            float increment = 0;
            while (static_cast<float>(wind.windTarget) != velocity) {
                ASSERT_LT(steps, 40);
                const float before = velocity;
                ASSERT_EQ(wind.Timer3_Timer(velocity, random), kWindMovingInterval);
                if (steps++ == 0)
                    increment = velocity - before;
                EXPECT_EQ(velocity - before, increment) << "equal steps";
            }
            EXPECT_EQ(steps, wind.windStep == 0 ? 0 : 40);
        }
    }
}

TEST(Wind, TheWayToATargetIsPinned)
{
    // From the first tick's targets above: the wind after 1, 2, 20, 39 and 40 steps of 100 ms.
    struct Case {
        float velocity;
        uint64_t seed;
        float after[5];
    };
    const Case cases[] = {
        {0, 1, {-0.25f, -0.5f, -5, -9.75f, -10}},
        {-30, 2, {-28.75f, -27.5f, -5, 18.75f, 20}},
        {30, 3, {29.625f, 29.25f, 22.5f, 15.375f, 15}},
        {15, 4, {13.875f, 12.75f, -7.5f, -28.875f, -30}},
    };
    const int kSteps[] = {1, 2, 20, 39, 40};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        AutoWind wind(c.velocity);
        Random random(c.seed);
        float velocity = c.velocity;
        wind.Timer3_Timer(velocity, random);  // draws the target
        int done = 0;
        for (int i = 0; i < 5; ++i) {
            for (; done < kSteps[i]; ++done)
                EXPECT_EQ(wind.Timer3_Timer(velocity, random), kWindMovingInterval);
            EXPECT_EQ(velocity, c.after[i]) << kSteps[i] << " steps";
        }
        EXPECT_NE(wind.Timer3_Timer(velocity, random), kWindMovingInterval) << "the target reached: a pause";
    }
}

TEST(Wind, AWindOffTheWholeNumbersStillReachesItsTargets)
{
    // A hand-edited wind option such as 6.5 gives a wind of 2.5; the increments would never meet the target.
    struct Case {
        float velocity;
    };
    const Case cases[] = {{2.5f}, {-7.3f}, {0.1f}, {29.9f}};
    for (const Case& c : cases) {
        Random random(11);
        float velocity = c.velocity;
        AutoWind wind(velocity);
        int ticks = 0;
        for (int transition = 0; transition < 4; ++transition) {
            wind.Timer3_Timer(velocity, random);  // a target reached: the next one is drawn
            while (static_cast<float>(wind.windTarget) != velocity) {
                wind.Timer3_Timer(velocity, random);
                ASSERT_LT(++ticks, 1000) << c.velocity;
                ASSERT_LE(std::fabs(velocity), 31.0f);
            }
        }
    }
}

TEST(Wind, AStartingWindBeyondTheThirteenWindsAimsAtTheNearerEnd)
{
    // The wind the snow starts with is within -30..+30; a starting wind beyond it (or no number) must not aim the
    // first transition at the far end of 16 bits.
    struct Case {
        float velocity;
        int16_t target;
        float afterFirstTick;
    };
    const Case cases[] = {
        {1e6f, 30, 30},  {-1e6f, -30, -30}, {40000, 30, 30}, {-40000, -30, -30}, {31, 30, 30},
        {-31, -30, -30}, {30, 30, 30},      {-30, -30, -30}, {2.5f, 2, 2},       {NAN, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.velocity);
        AutoWind wind(c.velocity);
        EXPECT_EQ(wind.windTarget, c.target);
        Random random(1);
        float velocity = c.velocity;
        wind.Timer3_Timer(velocity, random);
        EXPECT_EQ(velocity, c.afterFirstTick);
    }
}

}  // namespace
}  // namespace nivora

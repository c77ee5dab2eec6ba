// Pacing of the snow window's timers on a fake clock: the rate holds on a coarse system tick, nothing drifts, and a
// stall is followed by one tick, not a burst.
#include <gtest/gtest.h>

#include <vector>

#include "core/frame_clock.h"

namespace nivora {
namespace {

constexpr int64_t kFrame = 20000;  // 20 ms in microseconds

// Runs a clock for `duration`, waking as a waiting loop would: after the wait asked for, rounded up to the next
// multiple of `granularity` (the system's tick) and `lateness` more. Returns the times of the ticks.
std::vector<int64_t> run(int64_t duration, int64_t granularity, int64_t lateness = 0)
{
    FrameClock clock;
    clock.start(0, kFrame);
    std::vector<int64_t> ticks;
    int64_t now = 0;
    while (now < duration) {
        if (clock.tick(now)) {
            ticks.push_back(now);
            continue;
        }
        int64_t wake = now + clock.waitFrom(now);
        if (granularity > 0)
            wake = (wake + granularity - 1) / granularity * granularity;
        now = std::max(wake, now + 1) + lateness;
    }
    return ticks;
}

TEST(FrameClock, HoldsFiftyTicksASecondWhateverTheSystemTick)
{
    struct Case {
        const char* name;
        int64_t granularity;  // how waits end: exactly, or on a system tick
        int64_t lateness;
    };
    const Case cases[] = {
        {"exact waits", 0, 0},
        {"Windows' default 15.625 ms tick", 15625, 0},
        {"1 ms tick", 1000, 0},
        {"exact waits, each 3 ms late", 0, 3000},
        {"15.625 ms tick, each 2 ms late", 15625, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int64_t> ticks = run(5'000'000, c.granularity, c.lateness);
        EXPECT_GE(ticks.size(), 249u);
        EXPECT_LE(ticks.size(), 250u);
        for (size_t i = 1; i < ticks.size(); ++i)
            EXPECT_GT(ticks[i], ticks[i - 1]) << "one tick per wake-up, never two at once";
    }
}

TEST(FrameClock, DeadlinesStayOnTheirGridWithoutDrift)
{
    FrameClock clock;
    clock.start(1000, kFrame);
    // Wake-ups at uneven times, late by up to one interval: over 10 000 intervals, one tick per interval, never
    // two closer than half an interval, and the grid where it began.
    int ticks = 0;
    int64_t last = -kFrame;
    for (int n = 1; n <= 10000; ++n) {
        for (int64_t now :
             {1000 + int64_t(n) * kFrame + (int64_t(n) * 7919) % kFrame, 1000 + int64_t(n) * kFrame + kFrame - 1}) {
            if (clock.tick(now)) {
                ++ticks;
                ASSERT_GE(now - last, kFrame / 2) << n;
                last = now;
            }
        }
        ASSERT_EQ((clock.deadline() - 1000) % kFrame, 0) << n;
    }
    EXPECT_EQ(ticks, 10000);
}

TEST(FrameClock, AShortDelayIsMadeUpAtHalfIntervals)
{
    FrameClock clock;
    clock.start(0, kFrame);
    // Woken 40 ms late: the ticks due at 20, 40 and 60 ms come at 60, 70 and 80 ms, then the grid again.
    std::vector<int64_t> ticks;
    for (int64_t now = 60000; now <= 140000; now += 1000)
        if (clock.tick(now))
            ticks.push_back(now);
    EXPECT_EQ(ticks, (std::vector<int64_t>{60000, 70000, 80000, 90000, 100000, 120000, 140000}));
}

TEST(FrameClock, AStallIsFollowedByOneTickAndThenTheUsualPace)
{
    FrameClock clock;
    clock.start(0, kFrame);
    EXPECT_TRUE(clock.tick(kFrame));
    // A second of nothing (the machine was busy): one tick, and the next one a whole interval later.
    const int64_t late = kFrame + 1'000'000;
    EXPECT_TRUE(clock.tick(late));
    EXPECT_FALSE(clock.tick(late));
    EXPECT_EQ(clock.waitFrom(late), kFrame);
    EXPECT_FALSE(clock.tick(late + kFrame - 1));
    EXPECT_TRUE(clock.tick(late + kFrame));
}

TEST(FrameClock, WaitsAndTicksFollowStartStopAndIntervalChanges)
{
    FrameClock clock;
    EXPECT_FALSE(clock.running());
    EXPECT_EQ(clock.waitFrom(0), FrameClock::kNever);
    EXPECT_FALSE(clock.tick(1'000'000'000));

    clock.start(500, 5'000'000);  // the wind's first 5 s
    EXPECT_EQ(clock.waitFrom(500), 5'000'000);
    EXPECT_EQ(clock.waitFrom(5'000'499), 1);
    EXPECT_FALSE(clock.tick(5'000'499)) << "never early";
    EXPECT_TRUE(clock.tick(5'000'500));

    // A new interval counts from the change, as a window timer's does.
    clock.start(6'000'000, 100'000);
    EXPECT_EQ(clock.waitFrom(6'000'000), 100'000);
    EXPECT_TRUE(clock.tick(6'100'000));

    clock.stop();
    EXPECT_FALSE(clock.tick(9'000'000));
    EXPECT_EQ(clock.waitFrom(9'000'000), FrameClock::kNever);
}

}  // namespace
}  // namespace nivora

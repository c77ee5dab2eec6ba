// Pacing of the snow window's timers on a fake clock: the rate holds on a coarse system tick, nothing drifts, and a
// stall is followed by one tick, not a burst.
#include <gtest/gtest.h>

#include <vector>

#include "core/snow/frame_clock.h"

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

// The ticks of a clock started at 0 whose first wake-up comes at `firstWake`, then every millisecond until `until`.
std::vector<int64_t> ticksAfterADelay(int64_t firstWake, int64_t until)
{
    FrameClock clock;
    clock.start(0, kFrame);
    std::vector<int64_t> ticks;
    for (int64_t now = firstWake; now <= until; now += 1000)
        if (clock.tick(now))
            ticks.push_back(now);
    return ticks;
}

TEST(FrameClock, ADelayOfExactlyTheStallLimitIsMadeUpAndOneIntervalMoreIsDropped)
{
    // The first tick is due at 20 ms. Woken at 140 ms, five more ticks are owed after the one given at once (40 to
    // 120 ms, and 140 ms itself): all are made up at half intervals until the grid is met at 260 ms.
    EXPECT_EQ(ticksAfterADelay(140000, 300000),
              (std::vector<int64_t>{140000, 150000, 160000, 170000, 180000, 190000, 200000, 210000, 220000, 230000,
                                    240000, 250000, 260000, 280000, 300000}));
    // Woken at 160 ms, one interval later: a stall. One tick, then the grid again from there.
    EXPECT_EQ(ticksAfterADelay(160000, 300000), (std::vector<int64_t>{160000, 180000, 200000, 220000, 240000, 260000,
                                                                      280000, 300000}));
}

TEST(FrameClock, APauseDuringMakeUpTicksBringsBackOnlyTheWaitThatWasLeft)
{
    struct Case {
        const char* name;
        int64_t pauseAt;
        std::vector<int64_t> ticksAfterResume;  // resumed at 1 s
    };
    const Case cases[] = {
        {"between two make-up ticks, 5 ms before the next", 145000, {1005000, 1025000, 1045000, 1065000}},
        {"just as a make-up tick is due: it is owed once", 150000, {1000000, 1020000, 1040000, 1060000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameClock clock;
        clock.start(0, kFrame);
        // Woken 120 ms late: make-up ticks at 140 and every 10 ms after it.
        std::vector<int64_t> before;
        for (int64_t now = 140000; now < c.pauseAt; now += 1000)
            if (clock.tick(now))
                before.push_back(now);
        ASSERT_FALSE(before.empty());
        clock.pause(c.pauseAt);
        EXPECT_FALSE(clock.tick(c.pauseAt));
        EXPECT_FALSE(clock.tick(999000));
        clock.resume(1000000);
        std::vector<int64_t> after;
        for (int64_t now = 1000000; now <= 1065000; now += 1000)
            if (clock.tick(now))
                after.push_back(now);
        EXPECT_EQ(after, c.ticksAfterResume) << "no make-up ticks after the pause";
    }
}

TEST(FrameClock, AnIntervalOfZeroOrLessNeverTicks)
{
    // As a window timer with interval 0 does not tick: a clock that ticked at every wake-up would spin the loop.
    for (const int64_t interval : {int64_t{0}, int64_t{-1}, int64_t{-20000}, INT64_MIN}) {
        SCOPED_TRACE(interval);
        FrameClock clock;
        clock.start(1000, interval);
        EXPECT_FALSE(clock.running());
        EXPECT_EQ(clock.waitFrom(1000), FrameClock::kNever);
        int ticks = 0;
        for (int64_t now = 1000; now <= 2'000'000; now += 997)
            ticks += clock.tick(now);
        EXPECT_EQ(ticks, 0);
        // A running clock set to such an interval stops too, and a later interval starts it again.
        clock.start(0, kFrame);
        clock.start(5000, interval);
        EXPECT_FALSE(clock.tick(5000 + kFrame));
        clock.start(6000, kFrame);
        EXPECT_TRUE(clock.tick(6000 + kFrame));
    }
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

// A clock paused before it is started, or given a new interval while paused (as the wind's is at each of its steps),
// stays paused: no wake-up and no tick until the resume, and then a whole interval.
TEST(FrameClock, StartedWhilePausedItWaitsForTheResumeAndThenAWholeInterval)
{
    struct Case {
        const char* name;
        bool runningBefore;
    };
    for (const Case& c : {Case{"paused before its start", false}, Case{"restarted while paused", true}}) {
        SCOPED_TRACE(c.name);
        FrameClock clock;
        if (c.runningBefore)
            clock.start(0, kFrame);
        clock.pause(1'000);
        clock.start(2'000, 5'000'000);
        EXPECT_TRUE(clock.paused());
        EXPECT_EQ(clock.waitFrom(2'000), FrameClock::kNever);
        EXPECT_FALSE(clock.tick(60'000'000));
        clock.resume(70'000'000);
        EXPECT_EQ(clock.waitFrom(70'000'000), 5'000'000);
        EXPECT_FALSE(clock.tick(74'999'999));
        EXPECT_TRUE(clock.tick(75'000'000));
    }
}

}  // namespace
}  // namespace nivora

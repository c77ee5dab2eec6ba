// Pacing of a periodic timer on a free-running clock: the snow window's frames (and its fade and wind) tick on
// deadlines of their own, so the rate holds whatever granularity the system's waits have.
#pragma once

#include <cstdint>

namespace nivora {

// Times are microseconds of one monotonic clock, chosen by the caller.
class FrameClock {
public:
    // Stopped until started.
    FrameClock() = default;

    // The first tick is due one interval after `now`; so is the next one after a change of the interval. An
    // interval of zero or less stops the clock.
    void start(int64_t now, int64_t interval);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    int64_t interval() const { return interval_; }
    // The next tick's place on the grid of intervals (it may come later, see tick).
    int64_t deadline() const { return deadline_; }

    // Microseconds from `now` until the next tick is due: 0 when it is due already, kNever when stopped.
    int64_t waitFrom(int64_t now) const;

    // Stops the clock at `now` (the display is off, say), keeping what was left of the wait; `resume` gives exactly
    // that back, so the pause neither brings a tick early nor makes up the ticks it missed. Started or restarted
    // while paused, the clock waits a whole interval from the resume.
    void pause(int64_t now);
    void resume(int64_t now);
    bool paused() const { return paused_; }

    // True when a tick is due at `now`, at most one per call. Deadlines lie on a fixed grid, so the rate holds
    // however late each wake-up comes, without drift. Ticks missed by a short delay (a busy machine) are made up,
    // but never closer than half an interval apart; after a stall of more than kCatchUpIntervals the missed ticks
    // are dropped and the grid starts again from `now`. So there is never a burst of ticks.
    bool tick(int64_t now);

    static constexpr int64_t kNever = INT64_MAX;
    static constexpr int64_t kCatchUpIntervals = 5;

private:
    int64_t due() const { return deadline_ > earliest_ ? deadline_ : earliest_; }

    int64_t interval_ = 0;
    int64_t deadline_ = 0;
    int64_t earliest_ = 0;  // half an interval after the last tick
    bool running_ = false;
    bool paused_ = false;
    int64_t left_ = 0;  // while paused: the wait that remains at the resume
};

}  // namespace nivora

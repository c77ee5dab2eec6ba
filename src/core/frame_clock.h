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

    // The first tick is due one interval after `now`; so is the next one after a change of the interval.
    void start(int64_t now, int64_t interval);
    void stop() { running_ = false; }
    bool running() const { return running_; }
    int64_t interval() const { return interval_; }
    int64_t deadline() const { return deadline_; }

    // Microseconds from `now` until the next tick is due: 0 when it is due already, kNever when stopped.
    int64_t waitFrom(int64_t now) const;

    // True when a tick is due at `now`, at most one per call. The next deadline then lies one interval after the
    // one just met, so the rate holds however late each wake-up comes, without drift. After a stall of more than
    // one interval the ticks missed are dropped, and the next one is one interval after `now`: no burst of
    // catch-up ticks.
    bool tick(int64_t now);

    static constexpr int64_t kNever = INT64_MAX;

private:
    int64_t interval_ = 0;
    int64_t deadline_ = 0;
    bool running_ = false;
};

}  // namespace nivora

// Timers on Windows' own clock: a message loop that waits on a high-resolution waitable timer, so that a 20 ms
// frame comes every 20 ms and not on the 15.6 ms tick that WM_TIMER keeps (which makes it 31 ms).
#pragma once

#include <windows.h>

#include <functional>
#include <span>

#include "core/snow/frame_clock.h"

namespace nivora::win32 {

// Microseconds of the performance counter.
int64_t clockNow();

// Interval in milliseconds and an enabled switch, as a window's timer; ticks arrive on the window thread from
// runClockedMessageLoop, the next one an interval after the last or after a change of the interval.
class ClockedTimer {
public:
    ClockedTimer(UINT intervalMs, bool enabled, std::function<void()> onTick);
    ClockedTimer(const ClockedTimer&) = delete;
    ClockedTimer& operator=(const ClockedTimer&) = delete;

    UINT interval() const { return interval_; }
    void setInterval(UINT intervalMs);
    bool enabled() const { return clock_.running(); }
    void setEnabled(bool enabled);
    // A running timer counts its interval from now again.
    void restart() { setInterval(interval_); }

    // Stops the timer's clock (nobody sees the snow): no tick comes until `resume`, which waits only what was left
    // of the interval. Changes of the interval or the switch meanwhile count from the resume.
    void suspend() { clock_.pause(clockNow()); }
    void resume() { clock_.resume(clockNow()); }

    // Runs the tick when it is due at `now`; microseconds until the next one otherwise.
    void tickIfDue(int64_t now);
    int64_t waitFrom(int64_t now) const { return clock_.waitFrom(now); }

private:
    UINT interval_;
    FrameClock clock_;
    std::function<void()> onTick_;
};

// The message loop of a window with clocked timers; returns when WM_QUIT arrives.
int runClockedMessageLoop(std::span<ClockedTimer* const> timers);

}  // namespace nivora::win32

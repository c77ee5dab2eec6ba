// Deadlines of a periodic timer: fixed rate, no drift, short delays made up gently, no bursts after a stall.
#include "core/snow/frame_clock.h"

#include <algorithm>

namespace nivora {

void FrameClock::start(int64_t now, int64_t interval)
{
    if (interval <= 0) {
        // No interval, no ticks, as a window timer with interval 0: a tick at every wake-up would spin the loop.
        interval_ = 0;
        running_ = false;
        return;
    }
    interval_ = interval;
    deadline_ = now + interval_;
    earliest_ = deadline_;
    running_ = true;
    left_ = interval_;
}

void FrameClock::pause(int64_t now)
{
    if (paused_)
        return;
    paused_ = true;
    // A tick that was already due is owed once, right after the resume.
    left_ = std::clamp<int64_t>(due() - now, 0, interval_);
}

void FrameClock::resume(int64_t now)
{
    if (!paused_)
        return;
    paused_ = false;
    deadline_ = now + left_;
    earliest_ = deadline_;
}

int64_t FrameClock::waitFrom(int64_t now) const
{
    if (!running_ || paused_)
        return kNever;
    return std::max<int64_t>(due() - now, 0);
}

bool FrameClock::tick(int64_t now)
{
    if (!running_ || paused_ || now < due())
        return false;
    deadline_ += interval_;
    if (now - deadline_ > kCatchUpIntervals * interval_)
        deadline_ = now + interval_;  // a stall: drop what was missed
    earliest_ = now + interval_ / 2;
    return true;
}

}  // namespace nivora

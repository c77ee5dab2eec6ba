// Deadlines of a periodic timer: fixed rate, no drift, short delays made up gently, no bursts after a stall.
#include "core/frame_clock.h"

#include <algorithm>

namespace nivora {

void FrameClock::start(int64_t now, int64_t interval)
{
    interval_ = std::max<int64_t>(interval, 1);
    deadline_ = now + interval_;
    earliest_ = deadline_;
    running_ = true;
}

int64_t FrameClock::waitFrom(int64_t now) const
{
    if (!running_)
        return kNever;
    return std::max<int64_t>(due() - now, 0);
}

bool FrameClock::tick(int64_t now)
{
    if (!running_ || now < due())
        return false;
    deadline_ += interval_;
    if (now - deadline_ > kCatchUpIntervals * interval_)
        deadline_ = now + interval_;  // a stall: drop what was missed
    earliest_ = now + interval_ / 2;
    return true;
}

}  // namespace nivora

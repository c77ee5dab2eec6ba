// Deadlines of a periodic timer: fixed rate, no drift, no bursts after a stall.
#include "core/frame_clock.h"

#include <algorithm>

namespace nivora {

void FrameClock::start(int64_t now, int64_t interval)
{
    interval_ = std::max<int64_t>(interval, 1);
    deadline_ = now + interval_;
    running_ = true;
}

int64_t FrameClock::waitFrom(int64_t now) const
{
    if (!running_)
        return kNever;
    return std::max<int64_t>(deadline_ - now, 0);
}

bool FrameClock::tick(int64_t now)
{
    if (!running_ || now < deadline_)
        return false;
    deadline_ += interval_;
    if (deadline_ <= now)
        deadline_ = now + interval_;  // more than one interval late: drop what was missed
    return true;
}

}  // namespace nivora

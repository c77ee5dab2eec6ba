// The one wait of the Linux program, for X11 and Wayland alike.
#include "event_loop.h"

#include <poll.h>
#include <time.h>

#include "core/snow/frame_clock.h"

namespace nivora::program {

int64_t clockNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

Woken waitFor(int displayFd, short events, int stopFd, int64_t wait)
{
    pollfd fds[2] = {{displayFd, events, 0}, {stopFd, POLLIN, 0}};
    const timespec timeout{wait / 1'000'000, long(wait % 1'000'000) * 1000};
    if (ppoll(fds, 2, wait == FrameClock::kNever ? nullptr : &timeout, nullptr) <= 0)
        return {};
    return {fds[0].revents, (fds[1].revents & POLLIN) != 0};
}

}  // namespace nivora::program

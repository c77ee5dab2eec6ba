// The Linux program's waits: one monotonic clock for the snow's times, and one wait that watches the display's
// connection, the stop pipe and the session's next deadline together.
#pragma once

#include <cstdint>

namespace nivora::program {

// Microseconds of the monotonic clock: the times every session of the program counts in.
int64_t clockNow();

// What ended a wait.
struct Woken {
    short display = 0;  // the display connection's poll events (POLLIN, POLLOUT, POLLERR, POLLHUP)
    bool stop = false;  // the program was told to end
};

// Waits until `displayFd` has one of `events`, the stop pipe is readable or `wait` microseconds have passed
// (FrameClock::kNever: no limit). A signal that interrupts the wait wakes it too.
Woken waitFor(int displayFd, short events, int stopFd, int64_t wait);

}  // namespace nivora::program

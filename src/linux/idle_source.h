// Where `nivora --idle` learns that the user has been idle: the compositor, GNOME's session bus or the X server,
// each behind this one small interface, so the watcher's loop is written once.
#pragma once

#include <cstdint>

namespace nivora::program {

// What a source has to say after a wait.
enum class IdleNews {
    Nothing,  // nothing that starts the snow
    Idle,     // the user has become idle for the watched time, and still is
    Lost,     // the connection is gone: the watcher cannot go on
};

// What the watcher waits for before it asks the source again: `fd` having `events` (fd -1: none), or `timeout`
// microseconds (FrameClock::kNever: no limit).
struct IdleWait {
    int fd = -1;
    short events = 0;
    int64_t timeout = 0;
};

class IdleSource {
public:
    virtual ~IdleSource() = default;

    // Sends what is still to be sent, and says what to wait for.
    virtual IdleWait wait() = 0;
    // Reads what came, given the fd's poll events after the wait (0 when it timed out). Idle only for a new time of
    // idleness: once told, a source says Idle again only after the user has been active in between, so a snow that
    // ended without input (killed, or failed) is not started over and over.
    virtual IdleNews read(short events) = 0;
    // What the watcher passes to the snow besides the user's options, to cover the whole screen there.
    virtual const char* snowTarget() const { return nullptr; }
};

}  // namespace nivora::program

// Every wait on the compositor: each also watches the stop pipe, so that SIGTERM ends a start-up roundtrip, a
// screencopy or the last farewell as surely as it ends the frames, however the compositor behaves.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>

namespace nivora::wayland {

// How a wait ended.
enum class Waited {
    Ready,    // what was waited for came, or the time ran out
    Stopped,  // the program was told to end
    Lost,     // the connection failed
};

// Dispatches what has come; unless `done` then holds, waits up to `wait` microseconds (FrameClock::kNever: no limit)
// for the compositor or the stop, and dispatches what came. A full socket is waited on until the compositor reads.
Waited dispatchOnce(wl_display* display, int stopFd, int64_t wait, const std::function<bool()>& done = {});

// Dispatches until `done` holds or `limit` microseconds have passed (FrameClock::kNever: no limit).
Waited dispatchUntil(wl_display* display, int stopFd, const std::function<bool()>& done, int64_t limit);

// A roundtrip: every request sent so far is handled and its events dispatched. Ready with `*answered` false when
// `limit` passed first.
Waited roundtrip(wl_display* display, int stopFd, int64_t limit, bool* answered = nullptr);

}  // namespace nivora::wayland

// The waits on the compositor, over the Linux program's one wait.
#include "dispatch.h"

#include <poll.h>

#include <cerrno>

#include "core/snow/frame_clock.h"
#include "event_loop.h"

namespace nivora::wayland {

Waited dispatchOnce(wl_display* display, int stopFd, int64_t wait, const std::function<bool()>& done)
{
    while (wl_display_prepare_read(display) != 0)
        if (wl_display_dispatch_pending(display) < 0)
            return Waited::Lost;
    if (done && done()) {
        wl_display_cancel_read(display);
        return Waited::Ready;
    }
    bool unsent = false;
    if (wl_display_flush(display) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(display);
            return Waited::Lost;
        }
        unsent = true;
    }
    const program::Woken woken = program::waitFor(wl_display_get_fd(display), short(POLLIN | (unsent ? POLLOUT : 0)),
                                                  stopFd, wait);
    if (woken.display & POLLIN) {
        if (wl_display_read_events(display) != 0)
            return Waited::Lost;
    } else {
        wl_display_cancel_read(display);
        if (woken.display & (POLLERR | POLLHUP))
            return Waited::Lost;
    }
    if (wl_display_dispatch_pending(display) < 0)
        return Waited::Lost;
    return woken.stop ? Waited::Stopped : Waited::Ready;
}

Waited dispatchUntil(wl_display* display, int stopFd, const std::function<bool()>& done, int64_t limit)
{
    const int64_t until = limit == FrameClock::kNever ? FrameClock::kNever : program::clockNow() + limit;
    while (!done()) {
        int64_t wait = FrameClock::kNever;
        if (until != FrameClock::kNever) {
            wait = until - program::clockNow();
            if (wait <= 0)
                break;
        }
        const Waited waited = dispatchOnce(display, stopFd, wait, done);
        if (waited != Waited::Ready)
            return waited;
    }
    return Waited::Ready;
}

namespace {

void onSyncDone(void* data, wl_callback* callback, uint32_t)
{
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}

const wl_callback_listener kSyncListener = {&onSyncDone};

}  // namespace

Waited roundtrip(wl_display* display, int stopFd, int64_t limit, bool* answered)
{
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const Waited waited = dispatchUntil(
        display, stopFd, [&done] { return done; }, limit);
    if (!done)
        wl_callback_destroy(callback);  // an answer that comes later is dropped, not written to a flag gone
    if (answered)
        *answered = done;
    return waited;
}

}  // namespace nivora::wayland

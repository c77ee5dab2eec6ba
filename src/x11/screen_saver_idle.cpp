// MIT-SCREEN-SAVER tells how long the server has had no input; it sends no event at a time of the client's choosing
// without taking over the server's own screen saver, so the source asks when the time could have come: once per
// idle time while the user is active, and not at all in between.
#include "screen_saver_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdlib>
#include <optional>

#include "core/settings/linux_command_line.h"
#include "event_loop.h"

namespace nivora::x11 {

namespace {

// How often the source looks whether a user who stays idle after the snow (which then ended without input) has come
// back: then the next idle time starts the snow again.
constexpr int64_t kWhileStillIdleUs = 1'000'000;

class ScreenSaverIdle final : public program::IdleSource {
public:
    ScreenSaverIdle(Display* display, std::chrono::milliseconds idle)
        : display_(display), info_(XScreenSaverAllocInfo()), idleUs_(int64_t(idle.count()) * 1000)
    {}
    ~ScreenSaverIdle() override
    {
        XFree(info_);
        XCloseDisplay(display_);
    }
    ScreenSaverIdle(const ScreenSaverIdle&) = delete;
    ScreenSaverIdle& operator=(const ScreenSaverIdle&) = delete;

    program::IdleWait wait() override
    {
        const int64_t idle = idleNow();
        if (idle < 0)
            return {-1, 0, 0};  // read() says the display is gone
        const int64_t timeout = idle < idleUs_ ? idleUs_ - idle : sameIdle(idle) ? kWhileStillIdleUs : 0;
        return {-1, 0, timeout};
    }

    program::IdleNews read(short) override
    {
        const int64_t idle = idleNow();
        if (idle < 0)
            return program::IdleNews::Lost;
        if (idle < idleUs_ || sameIdle(idle))
            return program::IdleNews::Nothing;
        toldSince_ = program::clockNow() - idle;
        return program::IdleNews::Idle;
    }

    const char* snowTarget() const override { return "-fullscreen"; }

private:
    // Microseconds without input, or -1 when the server cannot be asked.
    int64_t idleNow()
    {
        if (!XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_))
            return -1;
        return int64_t(info_->idle) * 1000;
    }
    // Whether the idleness began when the one last told of did: any input since would have begun it later, by at
    // least the idle time, so half of it is room enough for the clocks' jitter.
    bool sameIdle(int64_t idle) const
    {
        return toldSince_ && std::llabs(program::clockNow() - idle - *toldSince_) < idleUs_ / 2;
    }

    Display* display_;
    XScreenSaverInfo* info_;
    int64_t idleUs_;
    std::optional<int64_t> toldSince_;  // when the idleness last told of began, on the program's clock
};

}  // namespace

std::unique_ptr<program::IdleSource> openScreenSaverIdle(std::chrono::milliseconds idle, std::string& problem)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        const char* name = std::getenv("DISPLAY");
        problem = "cannot open the display " + quotedForTerminal(name ? name : "");
        return nullptr;
    }
    int event = 0, error = 0;
    if (!XScreenSaverQueryExtension(display, &event, &error)) {
        XCloseDisplay(display);
        problem = "the X server has no MIT-SCREEN-SAVER extension, which tells the idle time";
        return nullptr;
    }
    return std::make_unique<ScreenSaverIdle>(display, idle);
}

}  // namespace nivora::x11

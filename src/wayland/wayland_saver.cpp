// The saver on Wayland: the registry, the outputs and their surfaces, the seat's input, and the loop that makes
// frames when the compositor calls for them and waits on nothing while it does not.
#include "wayland_saver.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

#include "test_hooks.h"

namespace nivora::wayland {

namespace {

int64_t clockNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

template <class Proxy>
Proxy* bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<Proxy*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

// The events nivora has no use for.
void onSeatName(void*, wl_seat*, const char*) {}
void onKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void onKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void onModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
void onAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void onPointerFrame(void*, wl_pointer*) {}
void onAxisSource(void*, wl_pointer*, uint32_t) {}
void onAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void onAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}

}  // namespace

const wl_registry_listener WaylandSaver::kRegistryListener = {&WaylandSaver::onGlobal, &WaylandSaver::onGlobalRemove};
const wl_seat_listener WaylandSaver::kSeatListener = {&WaylandSaver::onCapabilities, &onSeatName};
const wl_keyboard_listener WaylandSaver::kKeyboardListener = {
    &WaylandSaver::onKeymap, &onKeyboardEnter, &onKeyboardLeave, &WaylandSaver::onKey, &onModifiers, &onRepeatInfo};
const wl_pointer_listener WaylandSaver::kPointerListener = {
    &WaylandSaver::onPointerEnter,
    &WaylandSaver::onPointerLeave,
    &WaylandSaver::onMotion,
    &WaylandSaver::onButton,
    &onAxis,
    &onPointerFrame,
    &onAxisSource,
    &onAxisStop,
    &onAxisDiscrete,
    nullptr};  // the seat is bound at version 3 at most: later events never come

int runSnow(const LinuxOptions& options, int stopFd)
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "nivora: cannot connect to the Wayland compositor \"%s\"\n", name ? name : "wayland-0");
        return 1;
    }
    int status = 1;
    try {
        WaylandSaver saver(display, options, stopFd);
        if (saver.InitData())
            status = saver.run();
    } catch (const std::bad_alloc&) {
        // Pictures too large for the memory the program may have (huge outputs, a ulimit): one line, not an abort.
        std::fprintf(stderr, "nivora: not enough memory for the snow\n");
        status = 1;
    }
    wl_display_disconnect(display);
    return status;
}

WaylandSaver::WaylandSaver(wl_display* display, LinuxOptions options, int stopFd)
    : display_(display), options_(std::move(options)), stopFd_(stopFd)
{}

WaylandSaver::~WaylandSaver()
{
    screens_.clear();  // the surfaces before the outputs they lie on, both before the globals
    if (keyboard_)
        wl_keyboard_release(keyboard_);
    if (pointer_)
        wl_pointer_release(pointer_);
    if (globals_.seat) {
        if (wl_seat_get_version(globals_.seat) >= WL_SEAT_RELEASE_SINCE_VERSION)
            wl_seat_release(globals_.seat);
        else
            wl_seat_destroy(globals_.seat);
    }
    if (globals_.fractionalScale)
        wp_fractional_scale_manager_v1_destroy(globals_.fractionalScale);
    if (globals_.viewporter)
        wp_viewporter_destroy(globals_.viewporter);
    if (globals_.xdgOutputs)
        zxdg_output_manager_v1_destroy(globals_.xdgOutputs);
    if (globals_.screencopy)
        zwlr_screencopy_manager_v1_destroy(globals_.screencopy);
    if (globals_.layerShell) {
        if (zwlr_layer_shell_v1_get_version(globals_.layerShell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
            zwlr_layer_shell_v1_destroy(globals_.layerShell);
        else
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(globals_.layerShell));
    }
    if (globals_.shm)
        wl_shm_destroy(globals_.shm);
    if (globals_.compositor)
        wl_compositor_destroy(globals_.compositor);
    if (registry_)
        wl_registry_destroy(registry_);
    wl_display_roundtrip(display_);  // the compositor lets go of the buffers before the program ends
}

void WaylandSaver::onGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    auto* self = static_cast<WaylandSaver*>(data);
    Globals& g = self->globals_;
    const std::string_view is(interface);
    if (is == wl_compositor_interface.name && version >= 4 && !g.compositor) {
        g.compositor = bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
    } else if (is == wl_shm_interface.name && !g.shm) {
        g.shm = bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
    } else if (is == wl_seat_interface.name && !g.seat && version >= 3) {
        g.seat = bind<wl_seat>(registry, name, wl_seat_interface, version, 3);
        wl_seat_add_listener(g.seat, &kSeatListener, self);
    } else if (is == zwlr_layer_shell_v1_interface.name && !g.layerShell) {
        g.layerShell = bind<zwlr_layer_shell_v1>(registry, name, zwlr_layer_shell_v1_interface, version, 4);
    } else if (is == zwlr_screencopy_manager_v1_interface.name && !g.screencopy && !ignoreScreencopy()) {
        g.screencopy = bind<zwlr_screencopy_manager_v1>(registry, name, zwlr_screencopy_manager_v1_interface, version,
                                                        3);
    } else if (is == zxdg_output_manager_v1_interface.name && !g.xdgOutputs) {
        g.xdgOutputs = bind<zxdg_output_manager_v1>(registry, name, zxdg_output_manager_v1_interface, version, 2);
    } else if (is == wp_viewporter_interface.name && !g.viewporter) {
        g.viewporter = bind<wp_viewporter>(registry, name, wp_viewporter_interface, version, 1);
    } else if (is == wp_fractional_scale_manager_v1_interface.name && !g.fractionalScale) {
        g.fractionalScale = bind<wp_fractional_scale_manager_v1>(registry, name,
                                                                 wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is == wl_output_interface.name && version >= 2) {
        if (self->started_) {  // an output came: it would stay uncovered and live
            self->ended_ = true;
            return;
        }
        auto* output = bind<wl_output>(registry, name, wl_output_interface, version, 3);
        self->screens_.push_back({std::make_unique<Output>(output, name, g), std::nullopt, nullptr});
    }
}

void WaylandSaver::onGlobalRemove(void* data, wl_registry*, uint32_t name)
{
    auto* self = static_cast<WaylandSaver*>(data);
    for (const Screen& s : self->screens_)
        if (s.output->name() == name)
            self->ended_ = true;  // an output went: the screens are not those the snow was made for
}

void WaylandSaver::onCapabilities(void* data, wl_seat* seat, uint32_t capabilities)
{
    auto* self = static_cast<WaylandSaver*>(data);
    const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (keyboard && !self->keyboard_) {
        self->keyboard_ = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(self->keyboard_, &kKeyboardListener, self);
    } else if (!keyboard && self->keyboard_) {
        wl_keyboard_release(self->keyboard_);
        self->keyboard_ = nullptr;
    }
    if (pointer && !self->pointer_) {
        self->pointer_ = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(self->pointer_, &kPointerListener, self);
    } else if (!pointer && self->pointer_) {
        wl_pointer_release(self->pointer_);
        self->pointer_ = nullptr;
        self->pointerOn_ = nullptr;
    }
}

void WaylandSaver::onKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t)
{
    close(fd);  // any key counts: the keymap is not needed
}

void WaylandSaver::onKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    auto* self = static_cast<WaylandSaver*>(data);
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED && self->started_)
        self->carryOut(self->session_->onKey(clockNow()));
}

void WaylandSaver::onPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                                  wl_fixed_t y)
{
    auto* self = static_cast<WaylandSaver*>(data);
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the snow
    self->pointerOn_ = nullptr;
    for (const Screen& s : self->screens_)
        if (s.snow && s.snow->surface() == surface)
            self->pointerOn_ = &s;
    self->pointerAt(x, y);
}

void WaylandSaver::onPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*)
{
    static_cast<WaylandSaver*>(data)->pointerOn_ = nullptr;
}

void WaylandSaver::onMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y)
{
    static_cast<WaylandSaver*>(data)->pointerAt(x, y);
}

void WaylandSaver::onButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state)
{
    auto* self = static_cast<WaylandSaver*>(data);
    if (state == WL_POINTER_BUTTON_STATE_PRESSED && self->started_)
        self->carryOut(self->session_->onClick(clockNow()));
}

// Positions in the layout's coordinates, so that a move from one output to another counts as a move.
void WaylandSaver::pointerAt(wl_fixed_t x, wl_fixed_t y)
{
    if (!pointerOn_ || !started_)
        return;
    const OutputInfo& info = pointerOn_->output->info();
    carryOut(session_->onPointerMove(static_cast<float>(info.x + wl_fixed_to_double(x)),
                                     static_cast<float>(info.y + wl_fixed_to_double(y)), clockNow()));
}

bool WaylandSaver::roundtrip()
{
    if (wl_display_roundtrip(display_) >= 0)
        return true;
    lost();
    return false;
}

bool WaylandSaver::InitData()
{
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals; then what the outputs say of themselves; then what xdg-output adds.
    for (int i = 0; i < 3; ++i)
        if (!roundtrip())
            return false;
    if (!globals_.layerShell) {
        std::fprintf(stderr, "nivora: the compositor offers no layer shell (zwlr_layer_shell_v1), which the snow "
                             "needs; on GNOME use its X11 session\n");
        return false;
    }
    if (!globals_.compositor || !globals_.shm) {
        std::fprintf(stderr, "nivora: the compositor offers no wl_compositor 4 or no wl_shm\n");
        return false;
    }
    screens_.erase(
        std::remove_if(screens_.begin(), screens_.end(), [](const Screen& s) { return !s.output->described(); }),
        screens_.end());
    if (screens_.empty()) {
        std::fprintf(stderr, "nivora: the compositor shows no output\n");
        return false;
    }
    if (faces_.empty() && !options_.settings.messageText.empty())
        std::fprintf(stderr, "nivora: no font for the message found; the snow falls without it\n");
    takeDesktops();
    if (ended_ || !showSurfaces())
        return false;
    holdAfter_ = holdAfterFrames();
    session_->runAhead(framesAhead());
    for (Screen& s : screens_)
        s.output->settle();
    started_ = true;
    return true;
}

void WaylandSaver::takeDesktops()
{
    if (!brightnessAlpha(options_.settings.blightness))
        return;  // nothing of the desktop is shown: it is not taken either
    if (!globals_.screencopy) {
        std::fprintf(stderr, "nivora: the compositor offers no screencopy (zwlr_screencopy_manager_v1); the snow "
                             "falls over a dark background\n");
        return;
    }
    bool missing = false;
    for (Screen& s : screens_) {
        s.desktop = captureOutput(display_, globals_.screencopy, globals_.shm, s.output->get(), stopFd_);
        missing |= !s.desktop;
        pollfd stop{stopFd_, POLLIN, 0};
        if (poll(&stop, 1, 0) > 0) {
            ended_ = true;
            return;
        }
    }
    if (missing)
        std::fprintf(stderr, "nivora: the compositor gave no picture of an output; the snow falls over a dark "
                             "background there\n");
}

// The message is written on the output at the layout's origin, else on the first.
size_t WaylandSaver::messageScreen() const
{
    std::vector<ListedMonitor> layout;
    Rect all{};
    for (const Screen& s : screens_) {
        const Rect b = s.output->info().logicalBounds();
        layout.push_back({b, false, 1.0});
        all = layout.size() == 1 ? b
                                 : Rect{std::min(all.left, b.left), std::min(all.top, b.top),
                                        std::max(all.right, b.right), std::max(all.bottom, b.bottom)};
    }
    if (const auto chosen = snowScreensFor(all, layout))
        for (const SnowScreen& screen : *chosen)
            if (screen.primary)
                for (size_t i = 0; i < screens_.size(); ++i)
                    if (layout[i].bounds == screen.bounds)
                        return i;
    return 0;
}

bool WaylandSaver::showSurfaces()
{
    for (Screen& s : screens_)
        s.snow = std::make_unique<SnowSurface>(globals_, s.output->get());
    if (!roundtrip())
        return false;
    for (const Screen& s : screens_) {
        if (s.snow->closed() || !s.snow->configured()) {
            std::fprintf(stderr, "nivora: the compositor gave no place to the snow on an output\n");
            return false;
        }
    }
    return build();
}

// The screens at the surfaces' scales, and their pictures: made once, and again when a surface learns its
// fractional scale after it was shown. Each output is a layout of its own: its surface's buffer.
bool WaylandSaver::build()
{
    const size_t primary = messageScreen();
    std::vector<SnowScreen> shown;
    for (size_t i = 0; i < screens_.size(); ++i) {
        const std::optional<ListedMonitor> monitor = screens_[i].snow->monitor(screens_[i].output->info().scale);
        if (!monitor)
            return false;
        const std::optional<std::vector<SnowScreen>> own = snowScreensFor(monitor->bounds, {&*monitor, 1});
        if (!own || own->size() != 1)
            return false;
        shown.push_back(own->front());
        shown.back().primary = i == primary;  // alone, each would be the primary of its own layout
    }
    if (session_) {
        session_->reshape(std::move(shown));  // the same generator, the wind as it blows, the clocks
    } else {
        const uint64_t seed = options_.seed ? *options_.seed : uint64_t(clockNow()) ^ (uint64_t(getpid()) << 40);
        session_.emplace(options_.settings, std::move(shown), seed);
    }
    for (size_t i = 0; i < screens_.size(); ++i) {
        Screen& s = screens_[i];
        if (!s.snow->attach(*session_, i, s.desktop ? &*s.desktop : nullptr, options_.settings, faces_))
            return false;
    }
    return true;
}

bool WaylandSaver::anyReady() const
{
    return std::any_of(screens_.begin(), screens_.end(), [](const Screen& s) { return !s.snow->waitingForFrame(); });
}

// Every output takes the frame's changes; those whose last frame has been called back show them now.
void WaylandSaver::frame()
{
    for (size_t i = 0; i < screens_.size(); ++i) {
        SnowSurface& snow = *screens_[i].snow;
        snow.changed(session_->presentation(i));
        if (session_->deskReleased(i))
            snow.releaseDesk();
        snow.present(opacity_);
    }
    if (holdAfter_ && session_->frameCount() == *holdAfter_) {
        held_ = true;
        session_->pause(PauseReason::HeldForTest, clockNow());
    }
}

// Changes that waited for a frame callback go out as soon as it comes, not a frame later.
void WaylandSaver::presentWaiting()
{
    for (Screen& s : screens_)
        if (s.snow->unshown() && !s.snow->waitingForFrame())
            s.snow->present(opacity_);
}

// The frame first, then the fade, as the session asks.
void WaylandSaver::carryOut(const SessionStep& step)
{
    if (step.drawn)
        frame();
    switch (step.fade.kind) {
    case FadeAction::Kind::Nothing:
        break;
    case FadeAction::Kind::BeginFadeOut:
    case FadeAction::Kind::SetOpacity:
        opacity_ = step.fade.opacity;  // the next frame shown blends at it
        break;
    case FadeAction::Kind::Unload:
        ended_ = true;
        break;
    }
}

// Nobody is shown the snow while no output calls back for a frame (outputs off, the compositor not drawing): once
// a frame is due then, the session stands still, keeping what was left of its waits, and goes on where it stopped
// when a frame is called back again. Between frames the callbacks are simply awaited: the compositor draws at its
// own rate, and the session's frames come at theirs.
void WaylandSaver::followFrameCallbacks(int64_t now)
{
    const bool ready = anyReady();
    if (!ready && !hidden_ && session_->waitFrom(now) == 0) {
        hidden_ = true;
        session_->pause(PauseReason::Hidden, now);
    } else if (ready && hidden_) {
        hidden_ = false;
        session_->resume(PauseReason::Hidden, now);
    }
}

void WaylandSaver::noteEnds()
{
    bool rescaled = false;
    for (const Screen& s : screens_) {
        if (s.output->changed() || s.snow->closed() || s.snow->resized())
            ended_ = true;
        rescaled |= s.snow->rescaled();
    }
    if (rescaled && !ended_ && !build()) {
        ended_ = true;
        status_ = 1;
    }
}

void WaylandSaver::lost()
{
    const int error = wl_display_get_error(display_);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        std::fprintf(stderr, "nivora: the Wayland compositor ended the connection: error %u on %s\n", code,
                     interface ? interface->name : "an object");
    } else {
        std::fprintf(stderr, "nivora: the connection to the Wayland compositor was lost\n");
    }
    ended_ = true;
    status_ = 1;
}

// Waits up to `wait` microseconds (FrameClock::kNever: with no timeout) for the compositor or the stop, and
// handles what came. False when the connection is lost.
bool WaylandSaver::dispatch(int64_t wait)
{
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
    // A full socket takes the rest once the compositor has read: wait for that too.
    bool unsent = false;
    if (wl_display_flush(display_) < 0) {
        if (errno != EAGAIN) {
            wl_display_cancel_read(display_);
            return false;
        }
        unsent = true;
    }
    const short events = short(POLLIN | (unsent ? POLLOUT : 0));
    pollfd fds[2] = {{wl_display_get_fd(display_), events, 0}, {stopFd_, POLLIN, 0}};
    const timespec timeout{wait / 1'000'000, long(wait % 1'000'000) * 1000};
    const int ready = ppoll(fds, 2, wait == FrameClock::kNever ? nullptr : &timeout, nullptr);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        if (wl_display_read_events(display_) != 0)
            return false;
    } else {
        wl_display_cancel_read(display_);
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP)))
            return false;
    }
    if (fds[1].revents & POLLIN)
        ended_ = true;
    return wl_display_dispatch_pending(display_) >= 0;
}

int WaylandSaver::run()
{
    carryOut(session_->start(clockNow()));  // the first frame at once, as the surfaces are shown
    while (!ended_) {
        noteEnds();
        if (ended_)
            break;
        presentWaiting();
        followFrameCallbacks(clockNow());
        const int64_t now = clockNow();
        if (session_->waitFrom(now) == 0)
            carryOut(session_->run(now));
        if (held_ && !heldAnnounced_ && std::none_of(screens_.begin(), screens_.end(), [](const Screen& s) {
                return s.snow->waitingForFrame() || s.snow->unshown();
            })) {
            announceHeld(session_->frameCount());  // the held frame has been called back: it is on the screen
            heldAnnounced_ = true;
        }
        if (ended_)
            break;
        if (!dispatch(session_->waitFrom(clockNow()))) {
            lost();
            break;
        }
    }
    return status_;
}

}  // namespace nivora::wayland

// The saver on Wayland: the registry, the outputs and their surfaces, the seat's input, and the loop that makes
// frames when the compositor calls for them and waits on nothing while it does not.
#include "wayland_saver.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>

#include "core/settings/linux_command_line.h"
#include "dispatch.h"
#include "event_loop.h"
#include "snow_pictures.h"
#include "test_seams.h"
#include "wallpaper.h"

namespace nivora::wayland {

namespace {

using program::clockNow;

// How long the end waits for the compositor to let go of the buffers: a stalled one is not waited for.
constexpr int64_t kFarewellLimit = 100'000;

// The connection, closed however the run ends.
struct DisplayCloser {
    void operator()(wl_display* display) const { wl_display_disconnect(display); }
};

template <class Proxy>
Proxy* bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered, uint32_t wanted)
{
    return static_cast<Proxy*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

// The events nivora has no use for.
void onSeatName(void*, wl_seat*, const char*) {}
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
const wl_keyboard_listener WaylandSaver::kKeyboardListener = {&WaylandSaver::onKeymap,
                                                              &WaylandSaver::onKeyboardEnter,
                                                              &WaylandSaver::onKeyboardLeave,
                                                              &WaylandSaver::onKey,
                                                              &onModifiers,
                                                              &onRepeatInfo};
const xdg_wm_base_listener WaylandSaver::kWindowsListener = {&WaylandSaver::onPing};
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
    // libwayland takes WAYLAND_SOCKET before WAYLAND_DISPLAY, and unsets it as it reads it.
    const char* socket = std::getenv("WAYLAND_SOCKET");
    const std::string socketText = socket ? socket : "";
    const std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(nullptr));
    if (!display) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        if (socket)
            std::fprintf(stderr, "nivora: cannot connect to the Wayland compositor through WAYLAND_SOCKET %s\n",
                         quotedForTerminal(socketText).c_str());
        else
            std::fprintf(stderr, "nivora: cannot connect to the Wayland compositor %s\n",
                         quotedForTerminal(name && *name ? name : "wayland-0").c_str());
        return 1;
    }
    WaylandSaver saver(display.get(), options, stopFd);
    return saver.InitData() ? saver.run() : saver.status();
}

WaylandSaver::WaylandSaver(wl_display* display, LinuxOptions options, int stopFd)
    : display_(display), options_(std::move(options)), stopFd_(stopFd)
{
    // The token that whoever started it (a launcher, the idle watcher) got for it: taken from the environment so
    // that no program started later uses it again.
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN")) {
        activationToken_ = token;
        unsetenv("XDG_ACTIVATION_TOKEN");
    }
}

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
    if (globals_.activation)
        xdg_activation_v1_destroy(globals_.activation);
    if (globals_.windows)
        xdg_wm_base_destroy(globals_.windows);
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
    // The compositor lets go of the buffers before the program ends; but a stalled compositor is not waited for,
    // and after a signal nothing is.
    wayland::roundtrip(display_, stopFd_, kFarewellLimit);
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
    } else if (is == xdg_wm_base_interface.name && !g.windows) {
        g.windows = bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, 3);
        xdg_wm_base_add_listener(g.windows, &kWindowsListener, self);
    } else if (is == xdg_activation_v1_interface.name && !g.activation) {
        g.activation = bind<xdg_activation_v1>(registry, name, xdg_activation_v1_interface, version, 1);
    } else if (is == zwlr_screencopy_manager_v1_interface.name && !g.screencopy && !program::ignoreScreencopy()) {
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
        if (self->listed_) {
            // An output came once the outputs were listed: during the start as after it, it would stay uncovered
            // and live, so the saver ends. Nothing is added to the screens, which the start may be walking.
            self->ended_ = true;
            return;
        }
        auto* output = bind<wl_output>(registry, name, wl_output_interface, version, 3);
        self->screens_.push_back({std::make_unique<Output>(output, name, g), std::nullopt, nullptr});
    }
}

// A compositor that hears no pong takes the windows for hung (GNOME offers to close them).
void WaylandSaver::onPing(void*, xdg_wm_base* windows, uint32_t serial)
{
    xdg_wm_base_pong(windows, serial);
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
        self->keyboardLeft_ = false;  // the last keyboard went (unplugged), not to another program
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

bool WaylandSaver::ours(const wl_surface* surface) const
{
    return surface && std::any_of(screens_.begin(), screens_.end(),
                                  [&](const Screen& s) { return s.snow && s.snow->surface() == surface; });
}

void WaylandSaver::onKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*)
{
    auto* self = static_cast<WaylandSaver*>(data);
    if (!self->ours(surface))
        return;
    // From one of its surfaces to another: still its own. Back to the very surface it just left: another program
    // had it for a moment (sway 1.7 hands a locker's surface the keyboard, then gives it back to the exclusive
    // overlay surface that came first, where the locker would never hear the password).
    if (self->keyboardLeft_ && surface == self->keyboardLeftFrom_)
        self->keyboardTaken_ = true;
    self->keyboardLeft_ = false;
}

// Another program took the keyboard (a locker, any surface given the keyboard exclusively): it is in front of the
// snow, which ends at once, as on Windows when another window comes to the front. Moves between its own surfaces
// come as a leave and an enter together, and the enter takes the leave back before the loop looks.
void WaylandSaver::onKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface)
{
    auto* self = static_cast<WaylandSaver*>(data);
    if (self->ours(surface)) {
        self->keyboardLeft_ = true;
        self->keyboardLeftFrom_ = surface;
    }
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

bool WaylandSaver::goOn(Waited waited)
{
    if (waited == Waited::Lost)
        lost();
    else if (waited == Waited::Stopped)
        ended_ = true;  // told to end: status 0, nothing said
    return !ended_;
}

bool WaylandSaver::roundtrip()
{
    return goOn(wayland::roundtrip(display_, stopFd_, FrameClock::kNever));
}

bool WaylandSaver::fail()
{
    ended_ = true;
    status_ = 1;
    return false;
}

bool WaylandSaver::InitData()
{
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    // The globals; then what the outputs say of themselves; then what xdg-output adds.
    if (!roundtrip())
        return false;
    listed_ = true;  // from here on the screens never grow
    for (int i = 0; i < 2; ++i)
        if (!roundtrip())
            return false;
    if (!globals_.layerShell && !globals_.windows) {
        std::fprintf(stderr, "nivora: the compositor offers neither the layer shell (zwlr_layer_shell_v1) nor windows "
                             "(xdg_wm_base), one of which the snow needs\n");
        return fail();
    }
    if (!globals_.compositor || !globals_.shm) {
        std::fprintf(stderr, "nivora: the compositor offers no wl_compositor 4 or no wl_shm\n");
        return fail();
    }
    if (screens_.empty()) {
        std::fprintf(stderr, "nivora: the compositor shows no output\n");
        return fail();
    }
    // An output listed but not yet described is one that came as the start began (a dock, a monitor waking): left
    // out it would stay uncovered and live, so the start ends as for any output that comes then, status 0.
    if (std::any_of(screens_.begin(), screens_.end(), [](const Screen& s) { return !s.output->described(); })) {
        ended_ = true;
        return false;
    }
    // Refused before its picture is taken: the buffers' limit is known at once, the memory's only once it is spent.
    for (const Screen& s : screens_)
        if (!SnowSurface::buffersFit(s.output->info().modeWidth, s.output->info().modeHeight))
            return fail();
    program::warnWithoutFont(faces_, options_.settings);
    if (!takeDesktops() || !showSurfaces())
        return false;
    program::applyTestSeams(*session_);
    for (Screen& s : screens_)
        s.output->settle();
    started_ = true;
    return true;
}

bool WaylandSaver::takeDesktops()
{
    if (!SnowSession::wantsDesktop(options_.settings))
        return true;  // nothing of the desktop is shown: it is not taken either
    if (!globals_.screencopy) {
        // GNOME, Plasma: the desktop's own wallpaper, where it names one.
        std::vector<program::WallpaperOutput> outputs;
        for (const Screen& s : screens_) {
            const OutputInfo& o = s.output->info();
            const bool turned = o.transform % 2 == 1;
            outputs.push_back(
                {turned ? o.modeHeight : o.modeWidth, turned ? o.modeWidth : o.modeHeight, o.logicalBounds()});
        }
        std::vector<std::optional<program::DesktopPicture>> wallpapers = program::wallpapersFor(outputs);
        for (size_t i = 0; i < screens_.size(); ++i)
            if (wallpapers[i])
                screens_[i].desktop = OutputPicture{std::move(wallpapers[i]->pixels), wallpapers[i]->width,
                                                    wallpapers[i]->height};
        return true;
    }
    bool missing = false;
    for (size_t i = 0; i < screens_.size(); ++i) {
        Screen& s = screens_[i];
        if (!goOn(captureOutput(display_, globals_.screencopy, globals_.shm, s.output->get(),
                                OutputTransform(s.output->info().transform), stopFd_, s.desktop)))
            return false;  // told to end, the connection lost, or an output came or went: nothing more to say
        missing |= !s.desktop;
    }
    if (missing)
        std::fprintf(stderr, "nivora: the compositor gave no picture of an output; the snow falls over a dark "
                             "background there\n");
    return true;
}

bool WaylandSaver::showSurfaces()
{
    for (Screen& s : screens_) {
        const Rect bounds = s.output->info().logicalBounds();
        const RolePlace place{s.output->get(), bounds.right - bounds.left, bounds.bottom - bounds.top,
                              activationToken_.empty() ? nullptr : activationToken_.c_str()};
        s.snow = std::make_unique<SnowSurface>(globals_, place);
        activationToken_.clear();  // one window comes to the front; the others follow it as the compositor likes
    }
    if (!roundtrip())
        return false;
    for (const Screen& s : screens_) {
        if (s.snow->closed() || !s.snow->configured()) {
            std::fprintf(stderr, "nivora: the compositor gave no place to the snow on an output\n");
            return fail();
        }
    }
    return build() || fail();
}

// The screens at the surfaces' scales, and their pictures: made once, and again when a surface learns its
// fractional scale after it was shown. Each output is a picture of its own, its surface's buffer; the layout
// decides which one carries the message.
bool WaylandSaver::build()
{
    std::vector<OwnOutput> outputs;
    for (const Screen& s : screens_) {
        const std::optional<ListedMonitor> monitor = s.snow->monitor(s.output->info(), globals_.viewporter);
        if (!monitor)
            return false;
        outputs.push_back(
            {s.output->info().logicalBounds(), monitor->bounds.right, monitor->bounds.bottom, monitor->scale});
    }
    std::optional<std::vector<SnowScreen>> shown = snowScreensOfOwnOutputs(outputs);
    if (!shown)
        return false;
    program::buildSession(session_, options_, std::move(*shown), 0);
    for (size_t i = 0; i < screens_.size(); ++i) {
        Screen& s = screens_[i];
        if (!s.snow->attach(*session_, i, s.desktop ? &*s.desktop : nullptr, faces_))
            return false;
    }
    return true;
}

bool WaylandSaver::anyReady() const
{
    return std::any_of(screens_.begin(), screens_.end(), [](const Screen& s) { return !s.snow->waitingForFrame(); });
}

// Every output takes the frame's changes; those whose last frame has been called back show them now.
void WaylandSaver::frame(const SessionStep& step)
{
    for (size_t i = 0; i < screens_.size(); ++i) {
        SnowSurface& snow = *screens_[i].snow;
        snow.changed(session_->presentation(i));
        snow.present(opacity_);
    }
    held_ |= step.held;
}

// Changes that waited for a frame callback go out as soon as it comes, not a frame later.
void WaylandSaver::presentWaiting()
{
    for (Screen& s : screens_)
        if (s.snow->unshown() && !s.snow->waitingForFrame())
            s.snow->present(opacity_);
}

// The desks let go first, then the frame, then the fade, as the session asks.
void WaylandSaver::carryOut(const SessionStep& step)
{
    for (const size_t i : step.releasedDesks)
        screens_[i].snow->releaseDesk();
    if (step.drawn)
        frame(step);
    switch (step.fade.kind) {
    case FadeAction::Kind::Nothing:
        break;
    case FadeAction::Kind::BeginFadeOut:
        fading_ = true;
        session_->resume(PauseReason::Hidden, clockNow());
        [[fallthrough]];
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
// own rate, and the session's frames come at theirs. The fade is the exception: the user is back and waits for it,
// so it takes its time on the wall clock and ends the saver on time however slowly the compositor shows its steps.
void WaylandSaver::followFrameCallbacks(int64_t now)
{
    const bool ready = anyReady() || fading_;
    if (!ready && session_->waitFrom(now) == 0)
        session_->pause(PauseReason::Hidden, now);
    else if (ready)
        session_->resume(PauseReason::Hidden, now);
}

// A full-screen window that was the active one is no longer, and none of the others is: another program's window came
// to the front, as a locker's or one the user switched to. Moves between its own windows are no end.
bool WaylandSaver::windowLeftBehind() const
{
    const auto role = [](const Screen& s) -> const SurfaceRole& { return s.snow->role(); };
    return std::any_of(screens_.begin(), screens_.end(), [&](const Screen& s) { return role(s).deactivated(); }) &&
           std::none_of(screens_.begin(), screens_.end(), [&](const Screen& s) { return role(s).activated(); });
}

void WaylandSaver::noteEnds()
{
    if (keyboardLeft_ || keyboardTaken_ || windowLeftBehind())
        ended_ = true;
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
            program::announceHeld(session_->frameCount());  // the held frame has been called back: it is on the screen
            heldAnnounced_ = true;
        }
        if (ended_)
            break;
        if (!goOn(dispatchOnce(display_, stopFd_, session_->waitFrom(clockNow()))))
            break;
    }
    return status_;
}

}  // namespace nivora::wayland

// The snow on a Wayland compositor: a layer-shell surface (else a full-screen window) on every output over its picture
// taken by screencopy, the snow session driven by the compositor's frame callbacks, the seat's keyboard and pointer,
// the compositor's events.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "core/snow/snow_session.h"
#include "globals.h"
#include "message_faces.h"
#include "output.h"
#include "screencopy.h"
#include "snow_surface.h"
#include "wayland_main.h"

namespace nivora::wayland {

class WaylandSaver {
public:
    WaylandSaver(wl_display* display, LinuxOptions options, int stopFd);
    ~WaylandSaver();
    WaylandSaver(const WaylandSaver&) = delete;
    WaylandSaver& operator=(const WaylandSaver&) = delete;

    // Binds the globals, takes each output's picture and shows a surface on each; prints one line and returns
    // false when it cannot.
    bool InitData();
    // Frames and events until the saver ends; the exit status.
    int run();
    // The exit status when InitData returned false: 0 when told to end or when the outputs changed, else 1.
    int status() const { return status_; }

private:
    struct Screen {
        std::unique_ptr<Output> output;
        std::optional<OutputPicture> desktop;  // kept for a rebuild at another scale
        std::unique_ptr<SnowSurface> snow;
    };

    static const wl_registry_listener kRegistryListener;
    static const wl_seat_listener kSeatListener;
    static const wl_keyboard_listener kKeyboardListener;
    static const wl_pointer_listener kPointerListener;
    static const xdg_wm_base_listener kWindowsListener;
    static void onPing(void*, xdg_wm_base* windows, uint32_t serial);
    static void onGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version);
    static void onGlobalRemove(void* data, wl_registry*, uint32_t name);
    static void onCapabilities(void* data, wl_seat*, uint32_t capabilities);
    static void onKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t);
    static void onKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*);
    static void onKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface* surface);
    static void onKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state);
    static void onPointerEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                               wl_fixed_t y);
    static void onPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*);
    static void onMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y);
    static void onButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state);

    bool ours(const wl_surface* surface) const;
    bool goOn(Waited waited);
    bool roundtrip();
    bool fail();
    bool takeDesktops();
    bool showSurfaces();
    bool build();
    void carryOut(const SessionStep& step);
    void frame(const SessionStep& step);
    void presentWaiting();
    void pointerAt(wl_fixed_t x, wl_fixed_t y);
    bool anyReady() const;
    bool windowLeftBehind() const;
    void followFrameCallbacks(int64_t now);
    void noteEnds();
    void lost();

    wl_display* display_;
    LinuxOptions options_;
    int stopFd_;
    wl_registry* registry_ = nullptr;
    Globals globals_;
    wl_keyboard* keyboard_ = nullptr;
    wl_pointer* pointer_ = nullptr;
    const Screen* pointerOn_ = nullptr;  // the screen whose surface the pointer is over
    std::vector<Screen> screens_;
    bool listed_ = false;  // the outputs are listed: one that comes now ends the saver
    bool started_ = false;
    bool keyboardLeft_ = false;  // the keyboard went from its surfaces to another program's
    const wl_surface* keyboardLeftFrom_ = nullptr;
    bool keyboardTaken_ = false;   // another program had the keyboard, if only for a moment
    std::string activationToken_;  // lets the first full-screen window come to the front; used once

    program::MessageFaces faces_;
    std::optional<SnowSession> session_;  // screen i is screens_[i]'s output
    uint8_t opacity_ = 255;               // below 255 while the fade runs
    bool fading_ = false;                 // the fade has begun: its clock never stands still
    bool held_ = false;
    bool heldAnnounced_ = false;
    bool ended_ = false;
    int status_ = 0;
};

}  // namespace nivora::wayland

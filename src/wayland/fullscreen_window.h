// The role where the compositor offers no layer shell (GNOME, weston, kiosks): an xdg-shell window, full screen on
// its output. It is only a window among others: another that comes to the front takes the keyboard and the active
// state from it, and the saver ends then.
#pragma once

#include "surface_role.h"

namespace nivora::wayland {

class FullscreenWindow : public SurfaceRole {
public:
    FullscreenWindow(const Globals& globals, wl_surface* surface, const RolePlace& place, RoleEvents& events);
    ~FullscreenWindow() override;
    FullscreenWindow(const FullscreenWindow&) = delete;
    FullscreenWindow& operator=(const FullscreenWindow&) = delete;

    bool activated() const override { return activated_; }
    bool deactivated() const override { return wasActivated_ && !activated_; }

private:
    static const xdg_surface_listener kSurfaceListener;
    static const xdg_toplevel_listener kToplevelListener;
    static void onSurfaceConfigure(void* data, xdg_surface*, uint32_t serial);
    static void onToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states);
    static void onClose(void* data, xdg_toplevel*);

    RoleEvents& events_;
    int32_t outputWidth_;
    int32_t outputHeight_;
    xdg_surface* xdgSurface_;
    xdg_toplevel* toplevel_;
    // What the last toplevel configure said, applied with the xdg_surface configure that follows it.
    int32_t pendingWidth_ = 0;
    int32_t pendingHeight_ = 0;
    bool pendingActivated_ = false;
    bool activated_ = false;
    bool wasActivated_ = false;
};

}  // namespace nivora::wayland

// What one output's snow surface is to the compositor: a layer-shell surface on the overlay layer where the layer
// shell is offered (over panels too), else a full-screen window. Either tells the surface's size as the compositor
// gives it, and that the compositor closed it; the pictures, buffers and frames are the surface's own, the same for
// both.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>

#include "globals.h"

namespace nivora::wayland {

// The surface's side of its role: told of each size the compositor gives (logical pixels) and of the close.
class RoleEvents {
public:
    virtual void roleConfigured(int32_t width, int32_t height) = 0;
    virtual void roleClosed() = 0;

protected:
    virtual ~RoleEvents() = default;
};

class SurfaceRole {
public:
    virtual ~SurfaceRole() = default;
    // A window the compositor has made the active one (it has the keyboard's focus); a layer surface never is.
    virtual bool activated() const { return false; }
    // The window was active and is no longer: another window came to the front.
    virtual bool deactivated() const { return false; }
};

// Where the surface goes: its output, the output's logical size (for a compositor that leaves a full-screen
// window's size to it), and a token of xdg-activation that lets a window come to the front, or nothing.
struct RolePlace {
    wl_output* output = nullptr;
    int32_t logicalWidth = 0;
    int32_t logicalHeight = 0;
    const char* activationToken = nullptr;
};

// Gives `surface` its role on the place's output, the layer shell's where offered, else a full-screen window. The
// caller commits the surface, without a buffer, so that the compositor configures it.
std::unique_ptr<SurfaceRole> giveRole(const Globals& globals, wl_surface* surface, const RolePlace& place,
                                      RoleEvents& events);

}  // namespace nivora::wayland

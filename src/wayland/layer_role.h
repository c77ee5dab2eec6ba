// The layer shell's role: a surface on the overlay layer over the whole output, above panels, taking the keyboard.
#pragma once

#include "surface_role.h"

namespace nivora::wayland {

class LayerRole : public SurfaceRole {
public:
    LayerRole(zwlr_layer_shell_v1* layerShell, wl_surface* surface, wl_output* output, RoleEvents& events);
    ~LayerRole() override;
    LayerRole(const LayerRole&) = delete;
    LayerRole& operator=(const LayerRole&) = delete;

private:
    static const zwlr_layer_surface_v1_listener kListener;
    static void onConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height);
    static void onClosed(void* data, zwlr_layer_surface_v1*);

    RoleEvents& events_;
    zwlr_layer_surface_v1* layerSurface_;
};

}  // namespace nivora::wayland

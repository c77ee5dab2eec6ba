// The compositor's globals that nivora binds, found in the registry; what a compositor does not offer stays null.
#pragma once

#include <wayland-client.h>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-activation-v1-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace nivora::wayland {

struct Globals {
    wl_compositor* compositor = nullptr;  // version 4 at least: damage_buffer
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    xdg_wm_base* windows = nullptr;           // full-screen windows, where there is no layer shell
    xdg_activation_v1* activation = nullptr;  // brings a window to the front with a token
    zwlr_screencopy_manager_v1* screencopy = nullptr;
    zxdg_output_manager_v1* xdgOutputs = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale = nullptr;
};

}  // namespace nivora::wayland

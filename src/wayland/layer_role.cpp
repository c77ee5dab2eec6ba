// The overlay layer surface: anchored to every edge, at the output's size, with the keyboard exclusively.
#include "layer_role.h"

namespace nivora::wayland {

const zwlr_layer_surface_v1_listener LayerRole::kListener = {&LayerRole::onConfigure, &LayerRole::onClosed};

LayerRole::LayerRole(zwlr_layer_shell_v1* layerShell, wl_surface* surface, wl_output* output, RoleEvents& events)
    : events_(events),
      layerSurface_(zwlr_layer_shell_v1_get_layer_surface(layerShell, surface, output,
                                                          ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "nivora"))
{
    zwlr_layer_surface_v1_add_listener(layerSurface_, &kListener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface_,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // Over panels too: no other surface's exclusive zone moves it.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    zwlr_layer_surface_v1_set_size(layerSurface_, 0, 0);  // the output's size, as anchored
}

LayerRole::~LayerRole()
{
    zwlr_layer_surface_v1_destroy(layerSurface_);
}

void LayerRole::onConfigure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial, uint32_t width,
                            uint32_t height)
{
    zwlr_layer_surface_v1_ack_configure(layerSurface, serial);
    static_cast<LayerRole*>(data)->events_.roleConfigured(int32_t(width), int32_t(height));
}

void LayerRole::onClosed(void* data, zwlr_layer_surface_v1*)
{
    static_cast<LayerRole*>(data)->events_.roleClosed();
}

}  // namespace nivora::wayland

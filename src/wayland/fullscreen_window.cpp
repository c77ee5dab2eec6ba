// A full-screen xdg-shell window on one output; asks to be brought to the front with an activation token where it
// was given one, since a compositor that prevents focus stealing leaves a new window behind the one in use.
#include "fullscreen_window.h"

#include "layer_role.h"

namespace nivora::wayland {

const xdg_surface_listener FullscreenWindow::kSurfaceListener = {&FullscreenWindow::onSurfaceConfigure};
const xdg_toplevel_listener FullscreenWindow::kToplevelListener = {
    &FullscreenWindow::onToplevelConfigure, &FullscreenWindow::onClose,
    nullptr,   // configure_bounds: xdg_wm_base is bound at version 3 at most, later events never come
    nullptr};  // wm_capabilities

std::unique_ptr<SurfaceRole> giveRole(const Globals& globals, wl_surface* surface, const RolePlace& place,
                                      RoleEvents& events)
{
    if (globals.layerShell)
        return std::make_unique<LayerRole>(globals.layerShell, surface, place.output, events);
    return std::make_unique<FullscreenWindow>(globals, surface, place, events);
}

FullscreenWindow::FullscreenWindow(const Globals& globals, wl_surface* surface, const RolePlace& place,
                                   RoleEvents& events)
    : events_(events),
      outputWidth_(place.logicalWidth),
      outputHeight_(place.logicalHeight),
      xdgSurface_(xdg_wm_base_get_xdg_surface(globals.windows, surface)),
      toplevel_(xdg_surface_get_toplevel(xdgSurface_))
{
    xdg_surface_add_listener(xdgSurface_, &kSurfaceListener, this);
    xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
    xdg_toplevel_set_title(toplevel_, "Nivora");
    xdg_toplevel_set_app_id(toplevel_, "nivora");
    xdg_toplevel_set_fullscreen(toplevel_, place.output);
    if (globals.activation && place.activationToken && *place.activationToken)
        xdg_activation_v1_activate(globals.activation, place.activationToken, surface);
}

FullscreenWindow::~FullscreenWindow()
{
    xdg_toplevel_destroy(toplevel_);
    xdg_surface_destroy(xdgSurface_);
}

void FullscreenWindow::onToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states)
{
    auto* self = static_cast<FullscreenWindow*>(data);
    self->pendingWidth_ = width;
    self->pendingHeight_ = height;
    self->pendingActivated_ = false;
    const auto* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        self->pendingActivated_ |= state[i] == XDG_TOPLEVEL_STATE_ACTIVATED;
}

void FullscreenWindow::onSurfaceConfigure(void* data, xdg_surface* xdgSurface, uint32_t serial)
{
    auto* self = static_cast<FullscreenWindow*>(data);
    xdg_surface_ack_configure(xdgSurface, serial);
    self->activated_ = self->pendingActivated_;
    self->wasActivated_ |= self->activated_;
    // 0 leaves the size to the window: the output's, as a full-screen window has.
    self->events_.roleConfigured(self->pendingWidth_ > 0 ? self->pendingWidth_ : self->outputWidth_,
                                 self->pendingHeight_ > 0 ? self->pendingHeight_ : self->outputHeight_);
}

void FullscreenWindow::onClose(void* data, xdg_toplevel*)
{
    static_cast<FullscreenWindow*>(data)->events_.roleClosed();
}

}  // namespace nivora::wayland

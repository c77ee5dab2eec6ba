// One output's layer surface: its configuration, the snow's pictures at the output's scale, and frames shown in
// reused shared-memory buffers with only what changed damaged.
#include "snow_surface.h"

#include <cmath>
#include <cstdio>

namespace nivora::wayland {

namespace {

// Three buffers: one shown, one the compositor may still read, one to draw into.
constexpr int kBuffers = 3;

Surface surfaceOf(std::vector<Pixel>& pixels, int32_t width, int32_t height)
{
    return {pixels.data(), width, height, width};
}

}  // namespace

const zwlr_layer_surface_v1_listener SnowSurface::kLayerListener = {&SnowSurface::onConfigure,
                                                                    &SnowSurface::onClosed};
const wl_callback_listener SnowSurface::kFrameListener = {&SnowSurface::onFrameDone};
const wp_fractional_scale_v1_listener SnowSurface::kFractionalListener = {&SnowSurface::onPreferredScale};

SnowSurface::SnowSurface(const Globals& globals, wl_output* output)
    : compositor_(globals.compositor), shm_(globals.shm)
{
    surface_ = wl_compositor_create_surface(globals.compositor);
    if (globals.viewporter && globals.fractionalScale) {
        viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(globals.fractionalScale, surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &kFractionalListener, this);
    }
    layerSurface_ = zwlr_layer_shell_v1_get_layer_surface(globals.layerShell, surface_, output,
                                                          ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "nivora");
    zwlr_layer_surface_v1_add_listener(layerSurface_, &kLayerListener, this);
    zwlr_layer_surface_v1_set_anchor(layerSurface_,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    // Over panels too: no other surface's exclusive zone moves it.
    zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    zwlr_layer_surface_v1_set_size(layerSurface_, 0, 0);  // the output's size, as anchored
    wl_surface_commit(surface_);                          // no buffer yet: asks for the first configure
}

SnowSurface::~SnowSurface()
{
    if (frameCallback_)
        wl_callback_destroy(frameCallback_);
    if (fractional_)
        wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_)
        wp_viewport_destroy(viewport_);
    zwlr_layer_surface_v1_destroy(layerSurface_);
    wl_surface_destroy(surface_);
}

void SnowSurface::onConfigure(void* data, zwlr_layer_surface_v1* layerSurface, uint32_t serial, uint32_t width,
                              uint32_t height)
{
    auto* self = static_cast<SnowSurface*>(data);
    zwlr_layer_surface_v1_ack_configure(layerSurface, serial);
    if (self->built_ && (int32_t(width) != self->width_ || int32_t(height) != self->height_))
        self->resized_ = true;
    self->width_ = int32_t(width);
    self->height_ = int32_t(height);
}

void SnowSurface::onClosed(void* data, zwlr_layer_surface_v1*)
{
    static_cast<SnowSurface*>(data)->closed_ = true;
}

void SnowSurface::onFrameDone(void* data, wl_callback* callback, uint32_t)
{
    auto* self = static_cast<SnowSurface*>(data);
    wl_callback_destroy(callback);
    self->frameCallback_ = nullptr;
}

void SnowSurface::onPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale)
{
    auto* self = static_cast<SnowSurface*>(data);
    if (self->built_ && scale != self->preferredScale_)
        self->resized_ = true;  // built for another scale: as good as another size
    self->preferredScale_ = scale;
}

bool SnowSurface::build(const SnowSettings& settings, int32_t integerScale, const OutputPicture* desktop,
                        bool primary, x11::MessageFaces& faces, Random& random)
{
    // The buffer's pixels: the logical size times the scale; a fractional scale goes through the viewport, whose
    // destination is the logical size.
    int64_t width = 0, height = 0;
    if (fractional_) {
        scale_ = preferredScale_ / 120.0;
        width = std::llround(width_ * scale_);
        height = std::llround(height_ * scale_);
    } else {
        scale_ = integerScale;
        width = int64_t(width_) * integerScale;
        height = int64_t(height_) * integerScale;
    }
    if (!fitsDrawingArea(width, height)) {
        std::fprintf(stderr, "nivora: an output of %lld x %lld pixels is too large or too small for the snow\n",
                     static_cast<long long>(width), static_cast<long long>(height));
        return false;
    }
    const Rect bounds{0, 0, int32_t(width), int32_t(height)};
    const Monitor monitor{bounds, primary, scale_};
    const std::optional<std::vector<SnowScreen>> screens = snowScreensFor(bounds, {&monitor, 1});
    if (!screens || screens->size() != 1)
        return false;
    screen_ = screens->front();
    screen_.primary = primary;  // alone it would be the primary of its own layout

    const int32_t w = screen_.area.drawWidth, h = screen_.area.drawHeight;
    const SnowSettings own = screenSettings(settings, screen_);
    field_.InitData(own, screen_.area, random);
    picMain_.assign(size_t(w + 10) * size_t(h + 10), kBlackPixel);
    PicDesk_.assign(picMain_.size(), kBlackPixel);
    const Surface desk = surfaceOf(PicDesk_, w + 10, h + 10);
    if (const std::optional<uint8_t> alpha = brightnessAlpha(settings.blightness); alpha && desktop)
        blendOverBlack(desk, desktop->surface(), *alpha);

    // PicText only where the message is written: the field keeps a mask of it.
    std::vector<Pixel> text;
    if (!own.messageText.empty() && !faces.empty()) {
        text.assign(size_t(w) * size_t(h), kBlackPixel);
        faces.print(surfaceOf(text, w, h), own.messageText, 96.0 * scale_);  // 48 points at the output's scale
    }
    field_.attachSurfaces(
        {surfaceOf(picMain_, w + 10, h + 10), desk, text.empty() ? Surface{} : surfaceOf(text, w, h)});

    if (!buffers_.create(shm_, w, h, kBuffers)) {
        std::fprintf(stderr, "nivora: no memory for the buffers of an output of %d x %d\n", w, h);
        return false;
    }
    if (fractional_) {
        wl_surface_set_buffer_scale(surface_, 1);
        wp_viewport_set_destination(viewport_, width_, height_);
    } else {
        wl_surface_set_buffer_scale(surface_, integerScale);
    }
    // Every pixel is drawn: the compositor need not draw what lies under it, until the fade blends.
    wl_region* opaque = wl_compositor_create_region(compositor_);
    wl_region_add(opaque, 0, 0, width_, height_);
    wl_surface_set_opaque_region(surface_, opaque);
    wl_region_destroy(opaque);
    built_ = true;
    return true;
}

void SnowSurface::DrawSnow()
{
    field_.DrawSnow();
    const int32_t w = screen_.area.drawWidth, h = screen_.area.drawHeight;
    if (!deskCut_ && cutDeskInto(field_, surfaceOf(PicDesk_, w + 10, h + 10), deskPart_)) {
        deskCut_ = true;
        std::vector<Pixel>().swap(PicDesk_);  // a whole output of pixels less: snow settles only on the message
    }
    const std::span<const Rect> rects = field_.changedRects();
    buffers_.changed(rects);
    if (!unshownWhole_)
        unshown_.insert(unshown_.end(), rects.begin(), rects.end());
}

void SnowSurface::present(bool whole, uint8_t opacity)
{
    const int32_t w = screen_.area.drawWidth, h = screen_.area.drawHeight;
    if (opacity < 255 && !blending_) {
        wl_surface_set_opaque_region(surface_, nullptr);
        blending_ = true;
    }
    if (whole || opacity < 255) {
        buffers_.changedWhole();
        unshownWhole_ = true;
        unshown_.clear();
    }
    const ConstSurface picture{picMain_.data(), w, h, w + 10};
    wl_buffer* buffer = buffers_.take(picture, opacity);
    if (!buffer)
        return;
    wl_surface_attach(surface_, buffer, 0, 0);
    if (unshownWhole_) {
        wl_surface_damage_buffer(surface_, 0, 0, w, h);
    } else {
        for (const Rect& r : unshown_)
            wl_surface_damage_buffer(surface_, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    unshown_.clear();
    unshownWhole_ = false;
    if (!frameCallback_) {
        frameCallback_ = wl_surface_frame(surface_);
        wl_callback_add_listener(frameCallback_, &kFrameListener, this);
    }
    wl_surface_commit(surface_);
}

}  // namespace nivora::wayland

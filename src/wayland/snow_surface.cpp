// One output's snow surface: its configuration, the snow's pictures at the output's scale, and frames shown in
// reused shared-memory buffers with only what changed damaged.
#include "snow_surface.h"

#include <cmath>
#include <cstdio>

namespace nivora::wayland {

namespace {

// Three buffers: one shown, one the compositor may still read, one to draw into.
constexpr int kBuffers = 3;
// More waiting rectangles than this are damaged as the whole picture: as cheap for the compositor, and bounded.
constexpr size_t kMostUnshownRects = 8192;

}  // namespace

const wl_callback_listener SnowSurface::kFrameListener = {&SnowSurface::onFrameDone};
const wp_fractional_scale_v1_listener SnowSurface::kFractionalListener = {&SnowSurface::onPreferredScale};

SnowSurface::SnowSurface(const Globals& globals, const RolePlace& place)
    : compositor_(globals.compositor), shm_(globals.shm)
{
    surface_ = wl_compositor_create_surface(globals.compositor);
    if (globals.viewporter && globals.fractionalScale) {
        viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
        fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(globals.fractionalScale, surface_);
        wp_fractional_scale_v1_add_listener(fractional_, &kFractionalListener, this);
    }
    role_ = giveRole(globals, surface_, place, *this);
    wl_surface_commit(surface_);  // no buffer yet: asks for the first configure
}

SnowSurface::~SnowSurface()
{
    if (frameCallback_)
        wl_callback_destroy(frameCallback_);
    if (fractional_)
        wp_fractional_scale_v1_destroy(fractional_);
    if (viewport_)
        wp_viewport_destroy(viewport_);
    role_.reset();  // the role before its surface
    wl_surface_destroy(surface_);
}

void SnowSurface::roleConfigured(int32_t width, int32_t height)
{
    if (built_ && (width != width_ || height != height_))
        resized_ = true;
    width_ = width;
    height_ = height;
}

void SnowSurface::roleClosed()
{
    closed_ = true;
}

void SnowSurface::onFrameDone(void* data, wl_callback* callback, uint32_t)
{
    wl_callback_destroy(callback);
    static_cast<SnowSurface*>(data)->frameCallback_ = nullptr;
}

void SnowSurface::onPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale)
{
    auto* self = static_cast<SnowSurface*>(data);
    self->preferredScale_ = scale;
    // Compositors settle on a surface's scale once it is shown (KWin says 120 before the first commit, then its
    // own): the snow is built again at it. A change the user makes comes as an output's change, which ends it.
    const uint32_t built = self->builtScale_ ? self->builtScale_ : uint32_t(self->integerScale_) * 120;
    if (self->built_ && scale != built)
        self->rescaled_ = true;
}

bool SnowSurface::buffersFit(int64_t width, int64_t height)
{
    if (ShmBuffers::fits(width, height, kBuffers))
        return true;
    std::fprintf(stderr, "nivora: an output of %lld x %lld pixels is too large for the compositor's shared memory\n",
                 static_cast<long long>(width), static_cast<long long>(height));
    return false;
}

std::optional<ListedMonitor> SnowSurface::monitor(const OutputInfo& output, wp_viewporter* viewporter)
{
    integerScale_ = output.scale;
    builtScale_ = fractional_ ? preferredScale_ : 0;
    double scale = builtScale_ ? builtScale_ / 120.0 : double(integerScale_);
    int64_t width = std::llround(width_ * scale);
    int64_t height = std::llround(height_ * scale);
    const int32_t ownWidth = output.pixelWidth(), ownHeight = output.pixelHeight();
    if (!builtScale_ && viewporter && ownWidth > 0 && ownHeight > 0 && (ownWidth != width || ownHeight != height)) {
        // The integer scale is not the output's: its own pixels, one buffer pixel each, shown at the logical size.
        width = ownWidth;
        height = ownHeight;
        scale = double(ownWidth) / double(width_);
    }
    // Anything but the integer scale goes through the viewport, whose destination is the logical size.
    if ((scale != double(integerScale_) || fractional_) && !viewport_ && viewporter)
        viewport_ = wp_viewporter_get_viewport(viewporter, surface_);
    if (!fitsDrawingArea(width, height)) {
        std::fprintf(stderr, "nivora: an output of %lld x %lld pixels is too large or too small for the snow\n",
                     static_cast<long long>(width), static_cast<long long>(height));
        return std::nullopt;
    }
    if (!buffersFit(width, height))
        return std::nullopt;
    return ListedMonitor{{0, 0, int32_t(width), int32_t(height)}, false, scale};
}

bool SnowSurface::attach(SnowSession& session, size_t i, const OutputPicture* desktop, program::MessageFaces& faces)
{
    const SnowArea& area = session.screen(i).area;
    drawWidth_ = area.drawWidth;
    drawHeight_ = area.drawHeight;
    stride_ = session.pictureWidth(i);
    picMain_.assign(size_t(stride_) * size_t(session.pictureHeight(i)), kBlackPixel);
    // The message at 48 points at the output's scale, as on the other platforms at their DPI.
    kept_.attach(session, i, program::surfaceOf(picMain_, stride_, session.pictureHeight(i)),
                 desktop ? desktop->surface() : ConstSurface{}, faces, 96.0 * area.scale);

    buffers_ = std::make_unique<ShmBuffers>();
    unshownWhole_ = true;
    unshown_.clear();
    rescaled_ = false;
    if (!buffers_->create(shm_, drawWidth_, drawHeight_, kBuffers)) {
        std::fprintf(stderr, "nivora: no memory for the buffers of an output of %d x %d\n", drawWidth_, drawHeight_);
        return false;
    }
    if (viewport_) {  // any scale: the buffer's pixels shown over the logical size
        wl_surface_set_buffer_scale(surface_, 1);
        wp_viewport_set_destination(viewport_, width_, height_);
    } else {
        wl_surface_set_buffer_scale(surface_, integerScale_);
    }
    // Every pixel is drawn: the compositor need not draw what lies under it, until the fade blends.
    wl_region* opaque = wl_compositor_create_region(compositor_);
    wl_region_add(opaque, 0, 0, width_, height_);
    wl_surface_set_opaque_region(surface_, opaque);
    wl_region_destroy(opaque);
    built_ = true;
    return true;
}

void SnowSurface::changed(const Presentation& presentation)
{
    if (presentation.whole) {
        buffers_->changedWhole();
        unshownWhole_ = true;
        unshown_.clear();
        return;
    }
    buffers_->changed(presentation.rects);
    if (unshownWhole_)
        return;
    if (unshown_.size() + presentation.rects.size() > kMostUnshownRects) {
        unshownWhole_ = true;
        unshown_.clear();
    } else {
        unshown_.insert(unshown_.end(), presentation.rects.begin(), presentation.rects.end());
    }
}

void SnowSurface::present(uint8_t opacity)
{
    if (frameCallback_)
        return;  // the compositor has not shown the last frame yet: this one waits for it
    if (opacity < 255) {
        if (!blending_) {
            wl_surface_set_opaque_region(surface_, nullptr);
            blending_ = true;
        }
        buffers_->changedWhole();
        unshownWhole_ = true;
        unshown_.clear();
    }
    const ConstSurface picture{picMain_.data(), drawWidth_, drawHeight_, stride_};
    wl_buffer* buffer = buffers_->take(picture, opacity);
    if (!buffer)
        return;
    wl_surface_attach(surface_, buffer, 0, 0);
    if (unshownWhole_) {
        wl_surface_damage_buffer(surface_, 0, 0, drawWidth_, drawHeight_);
    } else {
        // A few boxes that hold every change, split where wide unchanged gaps run through a band: the buffer is
        // current everywhere, so damaging more is only repainted.
        for (const Rect& r : mergeIntoBands(unshown_, kDamageBandHeight, kDamageSplitGap))
            wl_surface_damage_buffer(surface_, r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    unshown_.clear();
    unshownWhole_ = false;
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &kFrameListener, this);
    wl_surface_commit(surface_);
}

}  // namespace nivora::wayland

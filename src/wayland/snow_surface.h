// The snow on one output: a layer-shell surface on the overlay layer over the whole output, taking the keyboard,
// its buffers at the output's scale, and the snow field with its pictures. The frames are paced by the
// compositor's frame callbacks: a surface whose last frame has not been called back takes no new one.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/snow/random.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "globals.h"
#include "message_mask.h"
#include "screencopy.h"
#include "shm_buffers.h"

namespace nivora::wayland {

class SnowSurface {
public:
    SnowSurface(const Globals& globals, wl_output* output);
    ~SnowSurface();
    SnowSurface(const SnowSurface&) = delete;
    SnowSurface& operator=(const SnowSurface&) = delete;

    wl_surface* surface() const { return surface_; }
    // The compositor has told the surface's size (and, where it offers fractional scales, the scale).
    bool configured() const { return width_ > 0 && height_ > 0 && (!fractional_ || preferredScale_ > 0); }
    // The compositor closed the surface, or resized it after the snow was built: the saver ends.
    bool closed() const { return closed_; }
    bool resized() const { return resized_; }

    // The pictures and the field at the output's scale (`integerScale` unless a fractional one is preferred), the
    // desktop dimmed under them, the message written when `primary`. False, with one line said, when it cannot.
    bool build(const SnowSettings& settings, int32_t integerScale, const OutputPicture* desktop, bool primary,
               x11::MessageFaces& faces, Random& random);

    // One frame of the field.
    void DrawSnow();
    // Shows what changed since the last frame shown (or the whole picture), at `opacity`, and asks to be called
    // back for the next frame. Nothing is shown while every buffer is held: what changed waits for the next one.
    void present(bool whole, uint8_t opacity);
    // A frame callback of the last frame shown is due.
    bool waitingForFrame() const { return frameCallback_ != nullptr; }

    SnowField& field() { return field_; }
    const SnowArea& area() const { return screen_.area; }
    // Logical pixels of the surface to the picture's pixels.
    double scale() const { return scale_; }

private:
    static const zwlr_layer_surface_v1_listener kLayerListener;
    static const wl_callback_listener kFrameListener;
    static const wp_fractional_scale_v1_listener kFractionalListener;
    static void onConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height);
    static void onClosed(void* data, zwlr_layer_surface_v1*);
    static void onFrameDone(void* data, wl_callback*, uint32_t);
    static void onPreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale);

    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractional_ = nullptr;
    wl_callback* frameCallback_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    int32_t width_ = 0;  // logical, as configured
    int32_t height_ = 0;
    uint32_t preferredScale_ = 0;  // in 120ths, where fractional scales are offered
    double scale_ = 1;
    bool built_ = false;
    bool closed_ = false;
    bool resized_ = false;
    bool blending_ = false;  // the fade's buffers are shown: no longer opaque

    SnowScreen screen_;
    std::vector<Pixel> picMain_;  // what is seen; the buffers take what changed of it
    std::vector<Pixel> PicDesk_;  // the dimmed desktop with every settled flake; cut after a frame
    std::vector<Pixel> deskPart_;
    bool deskCut_ = false;
    SnowField field_;
    std::vector<Rect> unshown_;  // what changed since the last buffer was committed
    bool unshownWhole_ = true;
    ShmBuffers buffers_;
};

}  // namespace nivora::wayland

// The pixel buffers of one output's surface: a few wl_shm buffers in one shared-memory pool, reused frame after
// frame. A buffer the compositor still holds (no wl_buffer.release yet) is never written; each buffer keeps the
// places it has missed, so that bringing it up to date copies only those.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <span>
#include <vector>

#include "core/base/raster.h"
#include "core/snow/snow_changes.h"

namespace nivora::wayland {

class ShmBuffers {
public:
    ShmBuffers() = default;
    ~ShmBuffers();
    ShmBuffers(const ShmBuffers&) = delete;
    ShmBuffers& operator=(const ShmBuffers&) = delete;

    // Whether `count` buffers of width x height fit in one pool, whose size the protocol gives as an int32_t.
    static bool fits(int64_t width, int64_t height, int count);

    // `count` buffers of width x height; false, with nothing made, when there is no memory for them.
    bool create(wl_shm* shm, int32_t width, int32_t height, int count);

    // Places of the picture that changed: every buffer must take them before it is shown again.
    void changed(std::span<const Rect> rects);
    void changedWhole();

    // A buffer the compositor does not hold, brought up to date from `picture` (the same size or larger), for an
    // opaque surface; at `opacity` below 255 the whole picture is written premultiplied for a blended one. Nothing
    // when every buffer is held. The buffer counts as held from here until the compositor releases it.
    wl_buffer* take(const ConstSurface& picture, uint8_t opacity = 255);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    struct Slot {
        wl_buffer* opaque = nullptr;   // XRGB8888: the top byte of the core's pixels is ignored
        wl_buffer* blended = nullptr;  // ARGB8888 over the same memory, for the fade
        Pixel* pixels = nullptr;
        bool held = false;
        bool wholeStale = true;
        std::vector<Rect> stale;
    };
    static void onRelease(void* data, wl_buffer* buffer);
    static const wl_buffer_listener kReleaseListener;

    std::vector<Slot> slots_;  // never resized once made: the release listener points into it
    void* memory_ = nullptr;
    size_t bytes_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

}  // namespace nivora::wayland

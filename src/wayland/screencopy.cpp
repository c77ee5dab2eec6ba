// One screencopy frame: the compositor names the buffer it wants, we make it in shared memory, it copies the output
// into it and says ready (or failed).
#include "screencopy.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "core/snow/frame_clock.h"

namespace nivora::wayland {

namespace {

struct Capture {
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t stride = 0;
    bool offered = false;    // a wl_shm buffer was described
    bool described = false;  // every buffer was described: copy now
    bool yInvert = false;
    bool ready = false;
    bool failed = false;
};

void onBuffer(void* data, zwlr_screencopy_frame_v1* frame, uint32_t format, uint32_t width, uint32_t height,
              uint32_t stride)
{
    auto* c = static_cast<Capture*>(data);
    c->format = format, c->width = width, c->height = height, c->stride = stride;
    c->offered = true;
    // Before version 3 this is the only description.
    if (zwlr_screencopy_frame_v1_get_version(frame) < 3)
        c->described = true;
}
void onFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags)
{
    static_cast<Capture*>(data)->yInvert = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void onReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t)
{
    static_cast<Capture*>(data)->ready = true;
}
void onFailed(void* data, zwlr_screencopy_frame_v1*)
{
    static_cast<Capture*>(data)->failed = true;
}
void onDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void onDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void onBufferDone(void* data, zwlr_screencopy_frame_v1*)
{
    static_cast<Capture*>(data)->described = true;
}

const zwlr_screencopy_frame_v1_listener kFrameListener = {&onBuffer, &onFlags,  &onReady,     &onFailed,
                                                          &onDamage, &onDmabuf, &onBufferDone};

// The formats of 32-bit pixels with 8-bit channels: where red and blue lie in the little-endian word.
std::optional<bool> redIsHigh(uint32_t format)
{
    switch (format) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888:
        return true;
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888:
        return false;
    default:
        return std::nullopt;
    }
}

}  // namespace

Waited captureOutput(wl_display* display, zwlr_screencopy_manager_v1* manager, wl_shm* shm, wl_output* output,
                     OutputTransform transform, int stopFd, std::optional<OutputPicture>& picture)
{
    Capture c;
    zwlr_screencopy_frame_v1* frame = zwlr_screencopy_manager_v1_capture_output(manager, 0, output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &c);
    picture.reset();
    const Waited described = dispatchUntil(
        display, stopFd, [&] { return c.described || c.failed; }, FrameClock::kNever);
    if (described != Waited::Ready) {
        zwlr_screencopy_frame_v1_destroy(frame);
        return described;
    }
    const std::optional<bool> redHigh = redIsHigh(c.format);
    if (c.failed || !c.offered || !redHigh || c.width == 0 || c.height == 0 || c.width > 32767 || c.height > 32767 ||
        c.stride < c.width * 4 || uint64_t(c.stride) * c.height > INT32_MAX) {
        zwlr_screencopy_frame_v1_destroy(frame);
        return Waited::Ready;
    }
    const size_t bytes = size_t(c.stride) * c.height;
    const int fd = memfd_create("nivora-desktop", MFD_CLOEXEC);
    void* memory = MAP_FAILED;
    if (fd >= 0 && ftruncate(fd, off_t(bytes)) == 0)
        memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        if (fd >= 0)
            close(fd);
        zwlr_screencopy_frame_v1_destroy(frame);
        return Waited::Ready;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(bytes));
    close(fd);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(c.width), int32_t(c.height), int32_t(c.stride),
                                                  c.format);
    wl_shm_pool_destroy(pool);
    zwlr_screencopy_frame_v1_copy(frame, buffer);
    const Waited copied = dispatchUntil(
        display, stopFd, [&] { return c.ready || c.failed; }, FrameClock::kNever);
    if (copied == Waited::Ready && c.ready) {
        picture.emplace();
        picture->width = int32_t(c.width);
        picture->height = int32_t(c.height);
        picture->pixels.resize(size_t(c.width) * c.height);
        for (uint32_t y = 0; y < c.height; ++y) {
            const uint32_t from = c.yInvert ? c.height - 1 - y : y;
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(memory) +
                                                                size_t(from) * c.stride);
            Pixel* to = picture->pixels.data() + size_t(y) * c.width;
            for (uint32_t x = 0; x < c.width; ++x) {
                const uint32_t p = row[x];
                to[x] = *redHigh ? (p & 0x00FFFFFFu) : ((p & 0xFFu) << 16 | (p & 0xFF00u) | ((p >> 16) & 0xFFu));
            }
        }
        // The copy is in the output's own pixel order (its mode's width and height), y-inverted or not; the snow's
        // surface is in the layout's.
        if (transform != OutputTransform::Normal) {
            TurnedPicture turned = turnToLayout(picture->surface(), transform);
            picture->pixels = std::move(turned.pixels);
            picture->width = turned.width;
            picture->height = turned.height;
        }
    }
    wl_buffer_destroy(buffer);
    zwlr_screencopy_frame_v1_destroy(frame);
    munmap(memory, bytes);
    return copied;
}

}  // namespace nivora::wayland

// Shared memory for the compositor: one memfd mapped once, the buffers side by side in it.
#include "shm_buffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/snow/snow_drawing.h"

namespace nivora::wayland {

namespace {

// A buffer that missed this many places is brought up to date whole: cheaper than the bookkeeping.
constexpr size_t kMostStaleRects = 8192;

}  // namespace

const wl_buffer_listener ShmBuffers::kReleaseListener = {&ShmBuffers::onRelease};

void ShmBuffers::onRelease(void* data, wl_buffer*)
{
    static_cast<Slot*>(data)->held = false;
}

ShmBuffers::~ShmBuffers()
{
    for (Slot& s : slots_) {
        if (s.opaque)
            wl_buffer_destroy(s.opaque);
        if (s.blended)
            wl_buffer_destroy(s.blended);
    }
    if (memory_)
        munmap(memory_, bytes_);
}

bool ShmBuffers::fits(int64_t width, int64_t height, int count)
{
    return width > 0 && height > 0 && count > 0 && width <= INT32_MAX / height &&
           width * height <= INT32_MAX / int64_t(sizeof(Pixel)) / count;
}

bool ShmBuffers::create(wl_shm* shm, int32_t width, int32_t height, int count)
{
    if (!fits(width, height, count))
        return false;
    const size_t one = size_t(width) * size_t(height) * sizeof(Pixel);
    const size_t bytes = one * size_t(count);
    const int fd = memfd_create("nivora-frames", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (ftruncate(fd, off_t(bytes)) != 0) {
        close(fd);
        return false;
    }
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    memory_ = memory;
    bytes_ = bytes;
    width_ = width;
    height_ = height;
    // The compositor maps the pool from the descriptor it receives: ours is no longer needed once it is sent, and
    // the buffers keep the pool alive after it is destroyed.
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(bytes));
    close(fd);
    slots_.resize(size_t(count));
    for (size_t i = 0; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        const auto offset = int32_t(one * i);
        s.pixels = reinterpret_cast<Pixel*>(static_cast<char*>(memory_) + offset);
        s.opaque = wl_shm_pool_create_buffer(pool, offset, width, height, width * 4, WL_SHM_FORMAT_XRGB8888);
        s.blended = wl_shm_pool_create_buffer(pool, offset, width, height, width * 4, WL_SHM_FORMAT_ARGB8888);
        wl_buffer_add_listener(s.opaque, &kReleaseListener, &s);
        wl_buffer_add_listener(s.blended, &kReleaseListener, &s);
    }
    wl_shm_pool_destroy(pool);
    return true;
}

void ShmBuffers::changed(std::span<const Rect> rects)
{
    for (Slot& s : slots_) {
        if (s.wholeStale)
            continue;
        if (s.stale.size() + rects.size() > kMostStaleRects) {
            s.wholeStale = true;
            s.stale.clear();
        } else {
            s.stale.insert(s.stale.end(), rects.begin(), rects.end());
        }
    }
}

void ShmBuffers::changedWhole()
{
    for (Slot& s : slots_) {
        s.wholeStale = true;
        s.stale.clear();
    }
}

wl_buffer* ShmBuffers::take(const ConstSurface& picture, uint8_t opacity)
{
    const auto free = std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return !s.held; });
    if (free == slots_.end())
        return nullptr;
    Slot& s = *free;
    const int32_t width = std::min(width_, picture.width), height = std::min(height_, picture.height);
    auto copyRows = [&](const Rect& r) {
        const Rect c = clipRect(r, {0, 0, width, height});
        if (isEmpty(c))
            return;
        for (int32_t y = c.top; y < c.bottom; ++y)
            std::memcpy(s.pixels + std::ptrdiff_t(y) * width_ + c.left, picture.row(y) + c.left,
                        size_t(c.right - c.left) * sizeof(Pixel));
    };
    if (opacity < 255) {
        // Premultiplied: each colour times the opacity, as the compositor blends ARGB8888.
        for (int32_t y = 0; y < height; ++y) {
            const Pixel* from = picture.row(y);
            Pixel* to = s.pixels + std::ptrdiff_t(y) * width_;
            for (int32_t x = 0; x < width; ++x)
                to[x] = (blendOverBlack(from[x], opacity) & 0x00FFFFFFu) | Pixel(opacity) << 24;
        }
        // What it holds now is no frame of the opaque picture.
        s.wholeStale = true;
        s.stale.clear();
    } else if (s.wholeStale) {
        copyRows({0, 0, width, height});
    } else {
        for (const Rect& r : s.stale)
            copyRows(r);
    }
    if (opacity == 255) {
        s.wholeStale = false;
        s.stale.clear();
    }
    s.held = true;
    return opacity < 255 ? s.blended : s.opaque;
}

}  // namespace nivora::wayland

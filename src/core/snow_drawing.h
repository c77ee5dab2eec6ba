// Drawing flakes: the masked stamp of a sprite cell, and the layer of falling flakes in picMain that remembers the
// pixels each flake covered, so that the next frame takes the flakes away without copying the background again.
#pragma once

#include <cstdint>
#include <vector>

#include "core/raster.h"
#include "core/snow_changes.h"

namespace nivora {

// Where a stamp of a flake of kind `spriteX / 6` at (px, py) may change the destination, before clipping: the
// flake's own pixels when every pixel there has its unused top byte clear, or else the whole 6 x 6 cell (the
// cell's white mask clears that byte). Not a cell of the strips at all: the 6 x 6 square, copied as GDI would.
Rect flakeBox(int32_t px, int32_t py, int32_t spriteX, bool topBytesClear);

// A flake stamped with its mask (AND) and then its sprite (XOR) over `box` (from flakeBox, already clipped to the
// destination): per pixel (d & m) ^ s.
void stampFlake(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, const Rect& box);

// How many flakes ahead the rows of a flake are asked for: a flake's rows lie far apart in memory, and each is a
// cache miss unless fetched while the flakes before it are drawn.
inline constexpr size_t kPrefetchAhead = 10;

inline void prefetchRows(const Surface& s, const Rect& box)
{
#if defined(__GNUC__) || defined(__clang__)
    for (int32_t y = box.top; y < box.bottom; ++y)
        __builtin_prefetch(s.row(y) + box.left, 1);
#else
    (void)s;
    (void)box;
#endif
}

inline Rect clipRect(const Rect& r, const Rect& bound)
{
    return {r.left > bound.left ? r.left : bound.left, r.top > bound.top ? r.top : bound.top,
            r.right < bound.right ? r.right : bound.right, r.bottom < bound.bottom ? r.bottom : bound.bottom};
}

// The falling flakes of one frame in picMain, with what lay under them inside the drawing area.
class FlakeLayer {
public:
    // Forgets what it holds, when picMain has been restored some other way.
    void clear()
    {
        saved_.clear();
        used_ = 0;
    }

    // Saves the pixels of `keep` (inside the drawing area) and then draws: a stamped flake over `box`, or, in the
    // preview box, one opaque column of `count` pixels from `column` (within `box`).
    void stamp(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, const Rect& box, const Rect& keep);
    void put(const Surface& dst, int32_t px, int32_t py, const Pixel* column, int32_t count, const Rect& keep);

    // Puts back what every flake covered, the last drawn first, so that overlapping flakes come off in the right
    // order. The layer is empty afterwards.
    void takeAway(const Surface& dst);

private:
    void save(const Surface& dst, const Rect& keep);

    struct Saved {
        Rect box;
        size_t offset;  // of its pixels in pixels_, row by row
    };
    std::vector<Saved> saved_;
    std::vector<Pixel> pixels_;  // grows as needed, never shrinks: used_ of it are in use
    size_t used_ = 0;
};

}  // namespace nivora

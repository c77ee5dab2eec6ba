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
        pixels_.clear();
    }

    // Saves the pixels of `keep` (inside the drawing area) and then draws: a stamped flake over `box`, or, in the
    // preview box, one opaque column of `count` pixels from `column` (within `box`).
    void stamp(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, const Rect& box, const Rect& keep);
    void put(const Surface& dst, int32_t px, int32_t py, const Pixel* column, int32_t count, const Rect& keep);

    // Puts back what every flake covered, the last drawn first, so that overlapping flakes come off in the right
    // order; reports each place to `changes`. The layer is empty afterwards.
    void takeAway(const Surface& dst, ChangeTracker& changes);

private:
    void save(const Surface& dst, const Rect& keep);

    struct Saved {
        Rect box;
        size_t offset;  // of its pixels in pixels_, row by row
    };
    std::vector<Saved> saved_;
    std::vector<Pixel> pixels_;
};

}  // namespace nivora

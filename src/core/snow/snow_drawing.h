// Drawing flakes: the masked stamp of a sprite cell, and the layer of falling flakes in picMain that remembers the
// pixels each flake covered, so that the next frame takes the flakes away without copying the background again.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/snow/flake_sprites.h"
#include "core/base/raster.h"
#include "core/snow/snow_changes.h"

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

namespace nivora {

// Asks for the cache line of `p` ahead of a write to it. A macro: GCC takes a function that does nothing but
// prefetch for one without effect, and drops its calls.
#if defined(__GNUC__) || defined(__clang__)
#define NIVORA_PREFETCH_FOR_WRITE(p) __builtin_prefetch((p), 1, 3)
#elif defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#define NIVORA_PREFETCH_FOR_WRITE(p) _mm_prefetch(reinterpret_cast<const char*>(p), _MM_HINT_T0)
#else
#define NIVORA_PREFETCH_FOR_WRITE(p) ((void)(p))
#endif

// Where a stamp of a flake of kind `spriteX / cell` at (px, py) may change the destination, before clipping: the
// flake's own pixels when every pixel there has its unused top byte clear, or else the whole cell (the cell's white
// mask clears that byte). Not a cell of the strips at all: the cell-sized square, copied as GDI would.
Rect flakeBox(const FlakeSprites& sprites, int32_t px, int32_t py, int32_t spriteX, bool topBytesClear);

// A flake stamped with its mask (AND) and then its sprite (XOR) over `box` (from flakeBox, already clipped to the
// destination): per pixel (d & m) ^ s.
void stampFlake(const FlakeSprites& sprites, const Surface& dst, int32_t px, int32_t py, int32_t spriteX,
                const Rect& box);

// The falling flakes of one frame in picMain, with what lay under them inside the drawing area, pixel by pixel.
// Pictures up to 2^32 pixels: larger ones are refused when the snow field takes them.
class FlakeLayer {
public:
    // Forgets what it holds, when picMain has been restored some other way.
    void clear()
    {
        used_ = 0;
        banded_ = false;
    }

    // Takes the flakes to draw and the row stride of the picture they will be drawn into.
    void prepare(const FlakeSprites& sprites, int32_t stride);
    // A flake of a cell of the strips whose whole cell lies inside the drawing area, where no pixel uses its
    // unused top byte: there the mask's white part and the sprite's black part change nothing, so only the flake's
    // own pixels are saved and set. Returns the box of those pixels. `dst` has the stride given to prepare().
    Rect stampInside(const Surface& dst, int32_t px, int32_t py, int32_t spriteX);
    // The box of the pixels that stampInside() sets for a flake of this kind, relative to its cell's corner.
    Rect kindBox(int32_t spriteX) const { return kind(spriteX).box; }
    // The preview's flake: saves the pixels of `keep`, then copies `count` opaque pixels down from (px, py).
    void put(const Surface& dst, int32_t px, int32_t py, const Pixel* column, int32_t count, const Rect& keep);

    // Puts back what every flake covered, the last drawn first, so that overlapping flakes come off in the right
    // order. `dst` is the picture they were drawn into. The layer is empty afterwards.
    void takeAway(const Surface& dst);

    // Frames drawn band by band of rows, top to bottom: each band's flakes are taken away just before the band is
    // drawn again, while its rows are at hand. Every pixel still sees its flakes come off in the reverse order they
    // went on, and then the new ones go on in flake order, since a pixel lies in one band only.
    // Starts such a frame over `bands` bands; what the last frame drew will be taken away band by band.
    void beginBands(const Surface& dst, size_t bands);
    // Puts back what the last frame's flakes covered in this band.
    void takeAwayBand(const Surface& dst, size_t band);
    // This band's flakes are drawn: what the layer saved from here on belongs to the bands below.
    void endBand(size_t band) { bandEnd_[band] = used_; }
    // stampInside(), only the pixels in rows top to bottom (exclusive).
    void stampInsideRows(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, int32_t top, int32_t bottom);
    // Any other flake, only in rows top to bottom (exclusive), as if the picture had no other rows: saves the
    // pixels of `keep` (the part of `box` inside the drawing area), then stamps `box` from `sprites`, the ones
    // given to prepare().
    void stampRows(const FlakeSprites& sprites, const Surface& dst, int32_t px, int32_t py, int32_t spriteX,
                   const Rect& box, const Rect& keep, int32_t top, int32_t bottom);

private:
    struct KindPixels;
    const KindPixels& kind(int32_t spriteX) const { return kinds_[static_cast<size_t>(spriteX / cell_)]; }
    void save(const Surface& dst, const Rect& keep);

    struct Saved {
        uint32_t at;  // pixel index from the start of the picture: half the size of a pointer
        Pixel was;
    };
    // Room for one more flake's pixels: a whole cell.
    Saved* room()
    {
        const auto cellPixels = static_cast<size_t>(cell_) * static_cast<size_t>(cell_);
        if (saved_.size() - used_ < cellPixels)
            saved_.resize(saved_.size() * 2 + cellPixels);
        return saved_.data() + used_;
    }
    // Each kind's own pixels as offsets from the cell's corner in the prepared picture, with their colours.
    struct KindPixels {
        std::vector<int32_t> offset;
        std::vector<Pixel> colour;
        uint32_t count = 0;
        Rect box;                       // relative to the cell's corner
        std::vector<uint32_t> rowStart;  // the first pixel of each row of the cell, in row order; one more at the end
    };
    std::array<KindPixels, kFlakeKinds> kinds_{};
    int32_t cell_ = kFlakeCellSize;
    std::vector<Saved> saved_;  // grows as needed and never shrinks; the first used_ are in use
    size_t used_ = 0;
    // Banded frames: where each band's pixels end in saved_, and the last frame's saved pixels and band ends.
    bool banded_ = false;
    std::vector<size_t> bandEnd_;
    std::vector<Saved> old_;
    std::vector<size_t> oldEnd_;
};

// One kind's pixels, the count known to the compiler so that the loop unrolls.
template <uint32_t Count>
inline void stampPixels(Pixel* origin, uint32_t base, const int32_t* offset, const Pixel* colour, auto* to)
{
    for (uint32_t i = 0; i < Count; ++i) {
        const int32_t o = offset[i];
        const Pixel c = colour[i];
        Pixel* at = origin + o;
        to[i] = {base + static_cast<uint32_t>(o), *at};
        *at = c;
    }
}

// Inline: nearly every flake of every frame is drawn here.
inline Rect FlakeLayer::stampInside(const Surface& dst, int32_t px, int32_t py, int32_t spriteX)
{
    const KindPixels& k = kind(spriteX);
    Pixel* const origin = dst.row(py) + px;
    const auto base = static_cast<uint32_t>(origin - dst.pixels);
    Saved* to = room();
    // Locals, since the pixel stores could otherwise alias the table and force it to be read again.
    const uint32_t count = k.count;
    const int32_t* offset = k.offset.data();
    const Pixel* colour = k.colour.data();
    switch (count) {  // at 100 % the kinds have 1, 2, 4, 4, 4, 12 and 24 pixels
    case 1:
        stampPixels<1>(origin, base, offset, colour, to);
        break;
    case 2:
        stampPixels<2>(origin, base, offset, colour, to);
        break;
    case 4:
        stampPixels<4>(origin, base, offset, colour, to);
        break;
    case 12:
        stampPixels<12>(origin, base, offset, colour, to);
        break;
    default:
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t o = offset[i];
            const Pixel c = colour[i];
            Pixel* at = origin + o;
            to[i] = {base + static_cast<uint32_t>(o), *at};
            *at = c;
        }
    }
    used_ += count;
    return {px + k.box.left, py + k.box.top, px + k.box.right, py + k.box.bottom};
}

}  // namespace nivora

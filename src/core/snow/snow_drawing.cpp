// Stamping flakes, and taking the falling ones away again from what they covered.
#include "core/snow/snow_drawing.h"

#include <algorithm>
#include <array>

#include "core/snow/flake_sprites.h"

namespace nivora {

Rect flakeBox(const FlakeSprites& sprites, int32_t px, int32_t py, int32_t spriteX, bool topBytesClear)
{
    const int32_t cell = sprites.cellSize();
    if (topBytesClear && sprites.isCell(spriteX)) {
        // Where the unused byte is 0 the white part of the mask (0x00FFFFFF) and the black part of the sprite
        // change nothing: only the flake's own pixels are touched, often one or two rows instead of six.
        const FlakeShape& shape = sprites.shapes()[static_cast<size_t>(spriteX / cell)];
        return {px + shape.left, py + shape.top, px + shape.right, py + shape.bottom};
    }
    return {px, py, px + cell, py + cell};
}

void stampFlake(const FlakeSprites& sprites, const Surface& dst, int32_t px, int32_t py, int32_t spriteX,
                const Rect& box)
{
    if (isEmpty(box))
        return;
    const int32_t cellSize = sprites.cellSize();
    if (!sprites.isCell(spriteX)) {
        // Not one of the seven cells: the block transfers clip the source as GDI does.
        bitBlt(dst, px, py, cellSize, cellSize, sprites.mask(), spriteX, 0, Rop::SrcAnd);
        bitBlt(dst, px, py, cellSize, cellSize, sprites.sprite(), spriteX, 0, Rop::SrcInvert);
        return;
    }
    const int32_t width = box.right - box.left;
    const int32_t cell = spriteX + (box.left - px);  // the box's first column within the strips
    for (int32_t y = box.top; y < box.bottom; ++y) {
        Pixel* d = dst.row(y) + box.left;
        const Pixel* m = sprites.mask().row(y - py) + cell;
        const Pixel* s = sprites.sprite().row(y - py) + cell;
        for (int32_t x = 0; x < width; ++x)
            d[x] = (d[x] & m[x]) ^ s[x];
    }
}

void FlakeLayer::prepare(const FlakeSprites& sprites, int32_t stride)
{
    cell_ = sprites.cellSize();
    const ConstSurface sprite = sprites.sprite();
    const auto cellPixels = static_cast<size_t>(cell_) * static_cast<size_t>(cell_);
    for (int32_t kind = 0; kind < kFlakeKinds; ++kind) {
        KindPixels& k = kinds_[static_cast<size_t>(kind)];
        k.count = 0;
        k.offset.assign(cellPixels, 0);
        k.colour.assign(cellPixels, kBlackPixel);
        k.rowStart.assign(static_cast<size_t>(cell_) + 1, 0);
        k.box = flakeBox(sprites, 0, 0, kind * cell_, true);
        for (int32_t dy = 0; dy < cell_; ++dy) {
            k.rowStart[static_cast<size_t>(dy)] = k.count;
            for (int32_t dx = 0; dx < cell_; ++dx) {
                const Pixel p = sprite.at(kind * cell_ + dx, dy);
                if (p == kBlackPixel)
                    continue;
                k.offset[k.count] = dy * stride + dx;
                k.colour[k.count] = p;
                ++k.count;
            }
        }
        k.rowStart[static_cast<size_t>(cell_)] = k.count;
    }
}

void FlakeLayer::save(const Surface& dst, const Rect& keep)
{
    if (isEmpty(keep))
        return;
    Saved* to = room();  // keep is at most one cell
    for (int32_t y = keep.top; y < keep.bottom; ++y) {
        Pixel* row = dst.row(y);
        const auto base = static_cast<uint32_t>(row - dst.pixels);
        for (int32_t x = keep.left; x < keep.right; ++x)
            *to++ = {base + static_cast<uint32_t>(x), row[x]};
    }
    used_ += static_cast<size_t>(keep.right - keep.left) * static_cast<size_t>(keep.bottom - keep.top);
}

void FlakeLayer::put(const Surface& dst, int32_t px, int32_t py, const Pixel* column, int32_t count, const Rect& keep)
{
    save(dst, keep);
    for (int32_t k = 0; k < count; ++k) {
        if (dst.contains(px, py + k))
            dst.at(px, py + k) = column[k];
    }
}

void FlakeLayer::takeAway(const Surface& dst)
{
    Pixel* const pixels = dst.pixels;
    const Saved* saved = saved_.data();
    // Put back the last drawn first; the pixels some way ahead are asked for, as they may have left the cache.
    constexpr size_t kAhead = 64;
    for (size_t i = used_; i-- > 0;) {
        if (i >= kAhead)
            NIVORA_PREFETCH_FOR_WRITE(pixels + saved[i - kAhead].at);
        pixels[saved[i].at] = saved[i].was;
    }
    clear();
}

void FlakeLayer::beginBands(const Surface& dst, size_t bands)
{
    if (!banded_ || bandEnd_.size() != bands) {
        takeAway(dst);  // drawn some other way: all of it at once
        bandEnd_.assign(bands, 0);
    }
    std::swap(saved_, old_);
    std::swap(bandEnd_, oldEnd_);
    bandEnd_.assign(bands, 0);
    used_ = 0;
    banded_ = true;
}

void FlakeLayer::takeAwayBand(const Surface& dst, size_t band)
{
    Pixel* const pixels = dst.pixels;
    const Saved* saved = old_.data();
    const size_t begin = band == 0 ? 0 : oldEnd_[band - 1];
    for (size_t i = oldEnd_[band]; i-- > begin;)
        pixels[saved[i].at] = saved[i].was;
}

void FlakeLayer::stampInsideRows(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, int32_t top,
                                 int32_t bottom)
{
    const KindPixels& k = kind(spriteX);
    Pixel* const origin = dst.row(py) + px;
    const auto base = static_cast<uint32_t>(origin - dst.pixels);
    const uint32_t first = k.rowStart[static_cast<size_t>(std::clamp(top - py, 0, cell_))];
    const uint32_t end = k.rowStart[static_cast<size_t>(std::clamp(bottom - py, 0, cell_))];
    Saved* to = room();
    for (uint32_t i = first; i < end; ++i) {
        Pixel* at = origin + k.offset[i];
        *to++ = {base + static_cast<uint32_t>(k.offset[i]), *at};
        *at = k.colour[i];
    }
    used_ += end > first ? end - first : 0;
}

void FlakeLayer::stampRows(const FlakeSprites& sprites, const Surface& dst, int32_t px, int32_t py, int32_t spriteX,
                           const Rect& box, const Rect& keep, int32_t top, int32_t bottom)
{
    const auto rows = [top, bottom](const Rect& r) {
        return Rect{r.left, std::max(r.top, top), r.right, std::min(r.bottom, bottom)};
    };
    save(dst, rows(keep));
    // The band as a picture of its own: a flake that is not a cell of the strips is clipped to it as GDI would.
    const Surface band{dst.row(top), dst.width, bottom - top, dst.stride};
    const Rect b = rows(box);
    stampFlake(sprites, band, px, py - top, spriteX, {b.left, b.top - top, b.right, b.bottom - top});
}

}  // namespace nivora

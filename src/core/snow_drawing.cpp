// Stamping flakes, and taking the falling ones away again from what they covered.
#include "core/snow_drawing.h"

#include <algorithm>

#include "core/flake_sprites.h"

namespace nivora {

Rect flakeBox(int32_t px, int32_t py, int32_t spriteX, bool topBytesClear)
{
    if (topBytesClear && spriteX % kFlakeCellSize == 0 && spriteX >= 0 &&
        spriteX <= kFlakeStripWidth - kFlakeCellSize) {
        // Where the unused byte is 0 the white part of the mask (0x00FFFFFF) and the black part of the sprite
        // change nothing: only the flake's own pixels are touched, often one or two rows instead of six.
        const FlakeShape& shape = flakeShapes()[static_cast<size_t>(spriteX / kFlakeCellSize)];
        return {px + shape.left, py + shape.top, px + shape.right, py + shape.bottom};
    }
    return {px, py, px + kFlakeCellSize, py + kFlakeCellSize};
}

void stampFlake(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, const Rect& box)
{
    if (isEmpty(box))
        return;
    if (spriteX % kFlakeCellSize != 0 || spriteX < 0 || spriteX > kFlakeStripWidth - kFlakeCellSize) {
        // Not one of the seven cells: the block transfers clip the source as GDI does.
        bitBlt(dst, px, py, kFlakeCellSize, kFlakeCellSize, flakeMaskSurface(), spriteX, 0, Rop::SrcAnd);
        bitBlt(dst, px, py, kFlakeCellSize, kFlakeCellSize, flakeSpriteSurface(), spriteX, 0, Rop::SrcInvert);
        return;
    }
    const int32_t width = box.right - box.left;
    const int32_t cell = spriteX + (box.left - px);  // the box's first column within the strips
    for (int32_t y = box.top; y < box.bottom; ++y) {
        Pixel* d = dst.row(y) + box.left;
        const Pixel* m = flakeMaskStrip().data() + (y - py) * kFlakeStripWidth + cell;
        const Pixel* s = flakeSpriteStrip().data() + (y - py) * kFlakeStripWidth + cell;
        for (int32_t x = 0; x < width; ++x)
            d[x] = (d[x] & m[x]) ^ s[x];
    }
}

void FlakeLayer::save(const Surface& dst, const Rect& keep)
{
    if (isEmpty(keep))
        return;
    const auto width = static_cast<size_t>(keep.right - keep.left);
    const size_t count = width * static_cast<size_t>(keep.bottom - keep.top);
    if (used_ + count > pixels_.size())
        pixels_.resize(std::max(pixels_.size() * 2, used_ + count));
    saved_.push_back({keep, used_});
    Pixel* to = pixels_.data() + used_;
    used_ += count;
    // A few pixels a row: a plain loop beats a call to memcpy.
    for (int32_t y = keep.top; y < keep.bottom; ++y, to += width) {
        const Pixel* from = dst.row(y) + keep.left;
        for (size_t x = 0; x < width; ++x)
            to[x] = from[x];
    }
}

void FlakeLayer::stamp(const Surface& dst, int32_t px, int32_t py, int32_t spriteX, const Rect& box, const Rect& keep)
{
    save(dst, keep);
    stampFlake(dst, px, py, spriteX, box);
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
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (saved_.rend() - it > static_cast<std::ptrdiff_t>(kPrefetchAhead))
            prefetchRows(dst, (it + static_cast<std::ptrdiff_t>(kPrefetchAhead))->box);
        const Rect& r = it->box;
        const auto width = static_cast<size_t>(r.right - r.left);
        const Pixel* from = pixels_.data() + it->offset;
        for (int32_t y = r.top; y < r.bottom; ++y, from += width) {
            Pixel* to = dst.row(y) + r.left;
            for (size_t x = 0; x < width; ++x)
                to[x] = from[x];
        }
    }
    clear();
}

}  // namespace nivora

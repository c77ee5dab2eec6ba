// Clipped block transfers and pixel reads on 32-bit DIB-ordered views, matching GDI's results.
#include "core/base/raster.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace nivora {
namespace {

struct Clip {
    int32_t left, top, right, bottom;  // in destination coordinates, right and bottom exclusive
    bool empty() const { return left >= right || top >= bottom; }
};

// 64-bit sums, so that no rectangle near the int32 limits can wrap around.
Clip clipToDestination(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const int64_t right = std::min<int64_t>(int64_t{x} + w, dst.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + h, dst.height);
    Clip c{std::max(x, 0), std::max(y, 0), static_cast<int32_t>(std::max<int64_t>(right, INT32_MIN)),
           static_cast<int32_t>(std::max<int64_t>(bottom, INT32_MIN))};
    return c;
}

}  // namespace

void bitBlt(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h, const ConstSurface& src, int32_t sx,
            int32_t sy, Rop rop)
{
    if (rop == Rop::Blackness || rop == Rop::Whiteness) {
        bitBlt(dst, x, y, w, h, rop);
        return;
    }
    if (w <= 0 || h <= 0 || dst.pixels == nullptr || src.pixels == nullptr)
        return;
    Clip c = clipToDestination(dst, x, y, w, h);
    // The source rectangle, moved onto the destination, clips the same way. x - sx can lie beyond 32 bits, so the
    // clip stays in 64 bits until it is known to be inside the destination.
    const int64_t dx = int64_t{x} - sx;
    const int64_t dy = int64_t{y} - sy;
    const int64_t left = std::max<int64_t>(c.left, dx);
    const int64_t top = std::max<int64_t>(c.top, dy);
    const int64_t right = std::min<int64_t>(c.right, dx + src.width);
    const int64_t bottom = std::min<int64_t>(c.bottom, dy + src.height);
    if (left >= right || top >= bottom)
        return;
    c = {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
         static_cast<int32_t>(bottom)};

    const int32_t n = c.right - c.left;
    const int32_t u0 = static_cast<int32_t>(c.left - dx);
    // Within one picture every source pixel must be read before it is overwritten, as GDI does it: when the
    // destination lies after the source in memory, rows and pixels go from the last to the first.
    const bool backwards = reinterpret_cast<uintptr_t>(dst.row(c.top) + c.left) >
                           reinterpret_cast<uintptr_t>(src.row(static_cast<int32_t>(c.top - dy)) + u0);
    for (int32_t k = 0; k < c.bottom - c.top; ++k) {
        const int32_t row = backwards ? c.bottom - 1 - k : c.top + k;
        Pixel* d = dst.row(row) + c.left;
        const Pixel* s = src.row(static_cast<int32_t>(row - dy)) + u0;
        switch (rop) {
        case Rop::SrcCopy:
            std::memmove(d, s, static_cast<size_t>(n) * sizeof(Pixel));
            break;
        case Rop::SrcAnd:
            if (backwards) {
                for (int32_t i = n - 1; i >= 0; --i)
                    d[i] &= s[i];
            } else {
                for (int32_t i = 0; i < n; ++i)
                    d[i] &= s[i];
            }
            break;
        case Rop::SrcInvert:
            if (backwards) {
                for (int32_t i = n - 1; i >= 0; --i)
                    d[i] ^= s[i];
            } else {
                for (int32_t i = 0; i < n; ++i)
                    d[i] ^= s[i];
            }
            break;
        default:
            return;
        }
    }
}

void bitBlt(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop)
{
    if (rop != Rop::Blackness && rop != Rop::Whiteness)
        return;
    if (w <= 0 || h <= 0 || dst.pixels == nullptr)
        return;
    const Clip c = clipToDestination(dst, x, y, w, h);
    if (c.empty())
        return;
    const Pixel value = rop == Rop::Blackness ? kBlacknessPixel : kWhitenessPixel;
    for (int32_t row = c.top; row < c.bottom; ++row)
        std::fill(dst.row(row) + c.left, dst.row(row) + c.right, value);
}

void clearUnusedBytes(const Surface& s)
{
    for (int32_t y = 0; y < s.height; ++y) {
        Pixel* row = s.row(y);
        for (int32_t x = 0; x < s.width; ++x)
            row[x] &= 0x00FFFFFFu;
    }
}

void blendOverBlack(const Surface& dst, const ConstSurface& src, uint8_t alpha)
{
    const int32_t width = dst.width < src.width ? dst.width : src.width;
    const int32_t height = dst.height < src.height ? dst.height : src.height;
    for (int32_t y = 0; y < height; ++y) {
        Pixel* to = dst.row(y);
        const Pixel* from = src.row(y);
        for (int32_t x = 0; x < width; ++x)
            to[x] = blendOverBlack(from[x], alpha);
    }
}

ColorRef getPixel(const ConstSurface& s, int32_t x, int32_t y)
{
    if (s.pixels == nullptr || x < 0 || y < 0 || x >= s.width || y >= s.height)
        return kClrInvalid;
    const Pixel p = s.at(x, y);
    // DIB order is 0xXXRRGGBB, a COLORREF is 0x00BBGGRR.
    return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

}  // namespace nivora

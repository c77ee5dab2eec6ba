// Pixel views over 32-bit top-down images in the byte order of a Windows DIB section, and the few raster
// operations the snow is drawn with, done exactly as GDI's BitBlt and GetPixel do them on such images.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nivora {

// A pixel as it lies in a 32-bit DIB: bytes B, G, R, X in memory, so 0xXXRRGGBB as a little-endian word.
using Pixel = uint32_t;

// What a pixel read yields: a COLORREF, 0x00BBGGRR, or kClrInvalid outside the image.
using ColorRef = uint32_t;
inline constexpr ColorRef kClrInvalid = 0xFFFFFFFFu;
inline constexpr ColorRef kWhiteColorRef = 0x00FFFFFFu;

inline constexpr Pixel kBlackPixel = 0x00000000u;
inline constexpr Pixel kWhitePixel = 0x00FFFFFFu;
// BLACKNESS and WHITENESS set or clear every bit of a 32-bit DIB pixel, the unused top byte included.
inline constexpr Pixel kBlacknessPixel = 0x00000000u;
inline constexpr Pixel kWhitenessPixel = 0xFFFFFFFFu;

constexpr Pixel greyPixel(uint8_t level)
{
    return static_cast<Pixel>(level) * 0x010101u;
}

// A non-owning view: `stride` is the distance between rows in pixels (a DIB row of 32-bit pixels is never padded).
struct Surface {
    Pixel* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    Pixel* row(int32_t y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    Pixel& at(int32_t x, int32_t y) const { return row(y)[x]; }
    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

struct ConstSurface {
    const Pixel* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;

    ConstSurface() = default;
    ConstSurface(const Pixel* p, int32_t w, int32_t h, int32_t s) : pixels(p), width(w), height(h), stride(s) {}
    ConstSurface(const Surface& s) : pixels(s.pixels), width(s.width), height(s.height), stride(s.stride) {}  // NOLINT

    const Pixel* row(int32_t y) const { return pixels + static_cast<std::ptrdiff_t>(y) * stride; }
    Pixel at(int32_t x, int32_t y) const { return row(y)[x]; }
};

// The raster operations of the saver, with their Win32 codes.
enum class Rop : uint32_t {
    SrcCopy = 0x00CC0020,    // D = S
    SrcAnd = 0x008800C6,     // D = D & S
    SrcInvert = 0x00660046,  // D = D ^ S
    Blackness = 0x00000042,  // D = 0
    Whiteness = 0x00FF0062,  // D = 1
};

// BitBlt without stretching. The rectangle is clipped once against the destination and, for the operations that
// read one, against the source; what falls outside either is left alone. All 32 bits of a pixel take part in
// SRCCOPY, SRCAND and SRCINVERT, as on a 32-bit DIB section; BLACKNESS writes 0x00000000 and WHITENESS 0xFFFFFFFF
// (GDI treats the pixel as 32 bits there too; only a pixel read drops the top byte).
void bitBlt(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h, const ConstSurface& src, int32_t sx,
            int32_t sy, Rop rop);
void bitBlt(const Surface& dst, int32_t x, int32_t y, int32_t w, int32_t h, Rop rop);  // BLACKNESS, WHITENESS

// Sets the unused top byte of every pixel to 0, leaving the colour as it is: no window shows that byte.
void clearUnusedBytes(const Surface& s);

// GetPixel: the colour as a COLORREF (the unused top byte of the pixel is not part of it), kClrInvalid outside.
ColorRef getPixel(const ConstSurface& s, int32_t x, int32_t y);

// True where a pixel reads back exactly white: the test by which the text mask catches flakes.
constexpr bool isExactWhite(Pixel p)
{
    return (p & 0x00FFFFFFu) == 0x00FFFFFFu;
}

// AlphaBlend of one pixel with a constant source alpha and no per-pixel alpha, over an opaque black destination:
// each of the four bytes becomes (s * alpha + 127) / 255 in integers, as the DIB engine computes
// (s * a + d * (255 - a) + 127) / 255 with d = 0. The saver itself calls the real AlphaBlend; this lets the core
// predict its result.
constexpr Pixel blendOverBlack(Pixel src, uint8_t alpha)
{
    Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = (src >> shift) & 0xFFu;
        out |= ((s * alpha + 127u) / 255u) << shift;
    }
    return out;
}

// The desktop picture dimmed into the background: every pixel of `src` blended over black into `dst`, over the size
// the two share. Linux has no AlphaBlend to call; this is the same arithmetic.
void blendOverBlack(const Surface& dst, const ConstSurface& src, uint8_t alpha);

}  // namespace nivora

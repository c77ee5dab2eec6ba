// Fuzzes the raster views: block transfers with every raster operation at any position and size between small
// surfaces (also a surface onto itself, and views whose rows are longer than their width), and pixel reads
// anywhere. Each surface lies in a heap block of exactly its size, so AddressSanitizer sees any access outside
// it; after every operation the pixels must equal those of a plain per-pixel model of BitBlt and GetPixel.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <vector>

#include "core/base/raster.h"
#include "fuzz_support.h"

using namespace nivora;

namespace {

struct Block {
    std::unique_ptr<Pixel[]> pixels;  // exactly `size` pixels: the last row ends the block
    size_t size = 0;
    Surface view;
    std::vector<Pixel> model;  // what the pixels must be, padding between rows included
};

Block makeBlock(FuzzedDataProvider& in)
{
    Block b;
    const int32_t w = in.ConsumeIntegralInRange<int32_t>(0, 24);
    const int32_t h = in.ConsumeIntegralInRange<int32_t>(0, 24);
    const int32_t stride = w + in.ConsumeIntegralInRange<int32_t>(0, 3);
    const bool noMemory = in.ConsumeIntegralInRange<int>(0, 15) == 0;  // a view of nothing at all
    b.size = h == 0 ? 0 : static_cast<size_t>(stride) * static_cast<size_t>(h - 1) + static_cast<size_t>(w);
    if (noMemory) {
        b.view = {nullptr, w, h, stride};
        return b;
    }
    b.pixels.reset(new Pixel[b.size]);
    const uint32_t seed = in.ConsumeIntegral<uint32_t>();
    for (size_t i = 0; i < b.size; ++i)
        b.pixels[i] = seed * 2654435761u + static_cast<uint32_t>(i) * 40503u;  // every byte in play
    b.model.assign(b.pixels.get(), b.pixels.get() + b.size);
    b.view = {b.pixels.get(), w, h, stride};
    return b;
}

// Mostly near the surfaces, sometimes anywhere in 32 bits, the extremes included.
int32_t coordinate(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return in.ConsumeIntegral<int32_t>();
    case 1:
        return in.PickValueInArray({INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1, INT32_MAX / 2, -30, 30});
    default:
        return in.ConsumeIntegralInRange<int32_t>(-30, 30);
    }
}

Pixel modelAt(const Block& b, int32_t x, int32_t y)
{
    return b.model[static_cast<size_t>(y) * static_cast<size_t>(b.view.stride) + static_cast<size_t>(x)];
}

void checkSame(const Block& b, const char* what)
{
    if (!b.pixels)
        return;
    for (size_t i = 0; i < b.size; ++i) {
        const int32_t x = b.view.stride == 0 ? 0 : static_cast<int32_t>(i % static_cast<size_t>(b.view.stride));
        const int32_t y = b.view.stride == 0 ? 0 : static_cast<int32_t>(i / static_cast<size_t>(b.view.stride));
        FUZZ_CHECK(b.pixels[i] == b.model[i],
                   "%s: pixel (%d, %d) of a %dx%d surface (stride %d) is %08x, expected %08x", what, x, y, b.view.width,
                   b.view.height, b.view.stride, b.pixels[i], b.model[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    Block blocks[2] = {makeBlock(in), makeBlock(in)};
    const Rop rops[] = {
        Rop::SrcCopy,   Rop::SrcAnd,
        Rop::SrcInvert, Rop::Blackness,
        Rop::Whiteness, static_cast<Rop>(0x00BB0226)};  // the last one (MERGEPAINT) the views do not offer

    for (int op = 0; op < 24 && in.remaining_bytes() > 0; ++op) {
        const int kind = in.ConsumeIntegralInRange<int>(0, 2);
        Block& dst = blocks[in.ConsumeBool()];
        const Block& src = blocks[in.ConsumeBool()];
        const Rop rop = in.PickValueInArray(rops);
        const int32_t x = coordinate(in), y = coordinate(in), w = coordinate(in), h = coordinate(in);
        const int32_t sx = coordinate(in), sy = coordinate(in);

        if (kind == 2) {
            const ColorRef got = getPixel(src.view, x, y);
            ColorRef expected = kClrInvalid;
            if (src.pixels && x >= 0 && y >= 0 && x < src.view.width && y < src.view.height) {
                const Pixel p = modelAt(src, x, y);
                expected = ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
            }
            FUZZ_CHECK(got == expected, "getPixel(%d, %d) of a %dx%d surface is %08x, expected %08x", x, y,
                       src.view.width, src.view.height, got, expected);
            continue;
        }

        // The model: every destination pixel inside the rectangle and, where a source is read, whose source
        // pixel lies inside the source, takes the result; the source as it was before the transfer.
        const bool withSource = kind == 0;
        const bool readsSource = withSource && (rop == Rop::SrcCopy || rop == Rop::SrcAnd || rop == Rop::SrcInvert);
        const bool known = rop == Rop::Blackness || rop == Rop::Whiteness || readsSource;
        const std::vector<Pixel> source = src.model;
        if (dst.pixels && known && w > 0 && h > 0) {
            for (int32_t py = 0; py < dst.view.height; ++py) {
                for (int32_t px = 0; px < dst.view.width; ++px) {
                    if (px < x || py < y || px >= int64_t{x} + w || py >= int64_t{y} + h)
                        continue;
                    Pixel& d = dst.model[static_cast<size_t>(py) * static_cast<size_t>(dst.view.stride) +
                                         static_cast<size_t>(px)];
                    if (!readsSource) {
                        d = rop == Rop::Blackness ? kBlacknessPixel : kWhitenessPixel;
                        continue;
                    }
                    const int64_t u = int64_t{sx} + (px - int64_t{x});
                    const int64_t v = int64_t{sy} + (py - int64_t{y});
                    if (!src.pixels || u < 0 || v < 0 || u >= src.view.width || v >= src.view.height)
                        continue;
                    const Pixel s =
                        source[static_cast<size_t>(v) * static_cast<size_t>(src.view.stride) + static_cast<size_t>(u)];
                    d = rop == Rop::SrcCopy ? s : rop == Rop::SrcAnd ? (d & s) : (d ^ s);
                }
            }
        }
        if (withSource)
            bitBlt(dst.view, x, y, w, h, src.view, sx, sy, rop);
        else
            bitBlt(dst.view, x, y, w, h, rop);

        char what[160];
        std::snprintf(what, sizeof what, "bitBlt(%s %dx%d at %d,%d size %d,%d from %s %dx%d at %d,%d, rop %06x)",
                      &dst == &blocks[0] ? "A" : "B", dst.view.width, dst.view.height, x, y, w, h,
                      withSource ? (&src == &blocks[0] ? "A" : "B") : "-", src.view.width, src.view.height, sx, sy,
                      static_cast<unsigned>(rop));
        checkSame(blocks[0], what);
        checkSame(blocks[1], what);
    }
    return 0;
}

// Fuzzes the wallpaper's decoding entry with whole files of any content: PNG, JPEG, WebP or none of them. A picture
// must come back within the limits with every pixel's top byte clear, or a reason without one; the picture is then
// laid over a small output with the option the input's length picks.
#include <cstdint>
#include <span>
#include <vector>

#include "core/desktop/wallpaper_cover.h"
#include "fuzz_support.h"
#include "wallpaper_image.h"

using namespace nivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Outputs of 64 x 48: at most 12288 pixels decoded, enough for the seeds and small enough to run fast.
    const program::WallpaperLimits limits = program::wallpaperLimitsFor({{64, 48}, {32, 24}});
    const program::DecodedWallpaper decoded = program::decodeWallpaper({data, size}, limits);
    if (!decoded.image) {
        FUZZ_CHECK(!decoded.problem.empty(), "no picture and no reason");
        return 0;
    }
    const program::WallpaperImage& image = *decoded.image;
    FUZZ_CHECK(image.width > 0 && image.height > 0, "a picture of %d x %d", image.width, image.height);
    FUZZ_CHECK(int64_t{image.width} * image.height <= limits.maxPixels, "%d x %d beyond the limit", image.width,
               image.height);
    FUZZ_CHECK(image.pixels.size() == size_t(image.width) * size_t(image.height), "%zu pixels for %d x %d",
               image.pixels.size(), image.width, image.height);
    for (const Pixel p : image.pixels)
        FUZZ_CHECK((p >> 24) == 0, "a top byte of %08x", p);
    std::vector<Pixel> output(32 * 24);
    const auto option = static_cast<WallpaperOption>(size % 7);
    coverWithWallpaper(image.surface(), {option, 0x00336699u, {32, 0, 64, 24}, {0, 0, 64, 24}},
                       {output.data(), 32, 24, 32});
    for (const Pixel p : output)
        FUZZ_CHECK((p >> 24) == 0, "a covered pixel's top byte of %08x", p);
    return 0;
}

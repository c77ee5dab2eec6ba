// The wallpaper's file decoded with libpng, libjpeg-turbo and libwebp, the format told by its first bytes. A file
// that is damaged, hostile or larger than the outputs need gives a reason, never a crash or a large allocation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/raster.h"

namespace nivora::program {

struct WallpaperImage {
    std::vector<Pixel> pixels;  // top row first, 0x00RRGGBB; any transparency laid over black
    int32_t width = 0;
    int32_t height = 0;

    ConstSurface surface() const { return {pixels.data(), width, height, width}; }
};

struct WallpaperLimits {
    // The size the picture is wanted at (the largest output): JPEG and WebP decode scaled down toward it.
    int32_t wantWidth = 1;
    int32_t wantHeight = 1;
    // The most pixels a decoded picture may have: a picture that cannot be decoded within it is refused.
    int64_t maxPixels = 1;
};

// The limits for outputs of these pixel sizes: wanted at the largest one, and at most 4 times its pixels.
WallpaperLimits wallpaperLimitsFor(const std::vector<std::pair<int32_t, int32_t>>& outputSizes);

// The picture, or in `problem` why there is none, a phrase that follows the file's name ("is truncated or
// damaged", "is not a PNG, JPEG or WebP picture" ...).
struct DecodedWallpaper {
    std::optional<WallpaperImage> image;
    std::string problem;
};

// The decoding entry: a file's bytes, of any content.
DecodedWallpaper decodeWallpaper(std::span<const uint8_t> bytes, const WallpaperLimits& limits);

// The file at `path`: only a regular file of at most kMaxWallpaperFileBytes is read (a folder, a device or a pipe
// is refused before anything is read from it).
DecodedWallpaper readWallpaper(const std::string& path, const WallpaperLimits& limits);

inline constexpr int64_t kMaxWallpaperFileBytes = int64_t{64} << 20;

}  // namespace nivora::program

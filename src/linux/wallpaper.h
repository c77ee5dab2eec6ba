// The desktop's own wallpaper, for compositors whose desktop cannot be captured (GNOME's mutter, KDE's KWin): found
// where GNOME (GSettings) or Plasma (its appletsrc) names it, decoded, and laid over each output as the desktop
// shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/raster.h"
#include "core/base/rect.h"

namespace nivora::program {

struct WallpaperOutput {
    int32_t width = 0;  // pixels, as the output shows them (turned where the output is turned)
    int32_t height = 0;
    Rect place;  // in the layout's logical coordinates
};

struct DesktopPicture {
    std::vector<Pixel> pixels;
    int32_t width = 0;
    int32_t height = 0;
};

// Each output's picture of the wallpaper, undimmed, in the order of `outputs`; nothing for an output where none is
// found or read, having said why in one line on the error output (one line in all, however many outputs).
std::vector<std::optional<DesktopPicture>> wallpapersFor(const std::vector<WallpaperOutput>& outputs);

}  // namespace nivora::program

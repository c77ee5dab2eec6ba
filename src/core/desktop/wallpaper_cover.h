// The wallpaper as the desktop lays it on one output: cropped to cover it, fitted, centred, stretched, tiled or
// spanned over the whole layout, the output's picture made at its own pixel size.
#pragma once

#include "core/base/raster.h"
#include "core/base/rect.h"
#include "core/desktop/wallpaper_settings.h"

namespace nivora {

struct WallpaperPlacement {
    WallpaperOption option = WallpaperOption::Zoom;
    // What the picture leaves uncovered (scaled, centered); GNOME's primary colour.
    Pixel background = kBlackPixel;
    // For spanned only: the output's place and the whole layout's bounds, in the layout's (logical) coordinates.
    // The picture covers the layout as zoom covers one output; each output shows its part at its own pixel size.
    Rect place;
    Rect layout;
};

// Fills `target`, the output's picture, with `image` laid as `how` says: zoom covers it keeping the aspect, the
// middle kept; scaled fits it whole, centred on the background; centered sets it at its own size in the middle;
// stretched resizes it to the output; wallpaper tiles it from the top-left corner at its own size; spanned as told
// above; none leaves black. Sizes change by area averaging. An empty image leaves the target black; the top byte of
// every pixel written is 0.
void coverWithWallpaper(ConstSurface image, const WallpaperPlacement& how, Surface target);

// `source` resized to `target`'s size by area averaging, each colour to nearest (halves up), holding one row of
// sums at a time: a large picture costs no more than its own pixels and one output row.
void resampleRows(ConstSurface source, Surface target);

}  // namespace nivora

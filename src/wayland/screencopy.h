// The desktop under the snow on Wayland: one picture of an output through wlroots' screencopy, taken before the
// snow's surface is shown on it.
#pragma once

#include <wayland-client.h>

#include <optional>
#include <vector>

#include "core/base/raster.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace nivora::wayland {

// An output's pixels in the core's form, top row first, at the output's own resolution.
struct OutputPicture {
    std::vector<Pixel> pixels;
    int32_t width = 0;
    int32_t height = 0;

    ConstSurface surface() const { return {pixels.data(), width, height, width}; }
};

// The output as it is now, without the cursor; nothing when the compositor fails the copy, offers no format the
// core can read, or the connection ends. Dispatches `display`'s events until the copy is done; returns early, with
// nothing, when `stopFd` becomes readable.
std::optional<OutputPicture> captureOutput(wl_display* display, zwlr_screencopy_manager_v1* manager, wl_shm* shm,
                                           wl_output* output, int stopFd);

}  // namespace nivora::wayland

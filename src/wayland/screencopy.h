// The desktop under the snow on Wayland: one picture of an output through wlroots' screencopy, taken before the
// snow's surface is shown on it.
#pragma once

#include <wayland-client.h>

#include <optional>
#include <vector>

#include "core/base/output_transform.h"
#include "core/base/raster.h"
#include "dispatch.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace nivora::wayland {

// An output's pixels in the core's form, top row first, at the output's own resolution, turned as the layout shows
// them.
struct OutputPicture {
    std::vector<Pixel> pixels;
    int32_t width = 0;
    int32_t height = 0;

    ConstSurface surface() const { return {pixels.data(), width, height, width}; }
};

// The output as it is now, without the cursor, into `picture`, the right way up for the output's `transform`; nothing
// there when the compositor fails the copy or offers no format the core can read (Ready all the same). Dispatches
// `display`'s events until the copy is done; Stopped as soon as `stopFd` becomes readable, Lost when the connection
// fails, with nothing taken.
Waited captureOutput(wl_display* display, zwlr_screencopy_manager_v1* manager, wl_shm* shm, wl_output* output,
                     OutputTransform transform, int stopFd, std::optional<OutputPicture>& picture);

}  // namespace nivora::wayland

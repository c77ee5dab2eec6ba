// The still picture under the snow: the screen as it was at the start, or what XScreenSaver's image helper gives.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <vector>

#include "core/base/raster.h"
#include "core/snow/snow_changes.h"

namespace nivora::x11 {

// Pixels in the core's form over `bounds`, in root-window coordinates.
struct DesktopPicture {
    std::vector<Pixel> pixels;
    Rect bounds;

    // Copies the part of the picture inside `area` (root coordinates) into `to`, whose corner lies at the area's;
    // what the picture does not cover stays as it is.
    void copyTo(const Surface& to, const Rect& area) const;
};

// The root window's pixels inside `bounds`; nothing when the server refuses.
std::optional<DesktopPicture> captureScreen(Display* display, Window root, const Rect& bounds);

// What `xscreensaver-getimage` paints on `window` (which it unmaps meanwhile): the desktop when the
// user's grabDesktopImages allows it, else an image file or colour bars, as XScreenSaver's own image modules get it.
// Nothing when the helper is missing or fails. `bounds` is the window in root coordinates. Returns early, with
// nothing, when `stopFd` becomes readable (the program is told to end).
std::optional<DesktopPicture> imageFromHelper(Display* display, Window window, const Rect& bounds, int stopFd);

// An image of the server in the core's pixels, whatever its format.
std::vector<Pixel> corePixels(XImage* image);

}  // namespace nivora::x11

// The still picture under the snow: the screen as it was at the start, or what XScreenSaver's image helper gives.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
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

// How long xscreensaver-getimage may take: a desktop grab takes well under a second and a file from the user's
// folder a few; past this the snow starts over a dark background rather than wait for ever.
constexpr std::chrono::seconds kHelperTime{5};

// What came of running xscreensaver-getimage on a window.
enum class HelperOutcome {
    Picture,     // the desktop, or an image the user chose
    NotChosen,   // the user allows neither: the helper painted its colour-bar test card, which is not shown
    Failed,      // missing, or it ended badly
    TimedOut,    // still running after kHelperTime: ended
    Stopped,     // the program was told to end meanwhile
    WindowGone,  // the window was destroyed meanwhile
};

struct HelperImage {
    HelperOutcome outcome = HelperOutcome::Failed;
    std::optional<DesktopPicture> picture;  // with Picture only
};

// What `xscreensaver-getimage` paints on `window` (which it unmaps meanwhile to grab the desktop), as XScreenSaver's
// own image modules get it: the desktop where the user's grabDesktopImages allows it, else an image from the user's
// folder, else colour bars. `bounds` is the window in root coordinates. Returns early when `stopFd` becomes readable
// (the program is told to end) or the time limit passes.
HelperImage imageFromHelper(Display* display, Window window, const Rect& bounds, int stopFd);

// An image of the server in the core's pixels, whatever its format.
std::vector<Pixel> corePixels(XImage* image);

}  // namespace nivora::x11

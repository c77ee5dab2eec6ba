// picMain on X11: an image the core draws into and the X server reads, in a shared-memory segment (MIT-SHM) where
// the display allows one, else in the program's own memory sent with XPutImage.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <span>
#include <vector>

#include "core/base/raster.h"
#include "core/snow/snow_changes.h"

namespace nivora::x11 {

class SharedPicture {
public:
    // Black, width x height. `shared` tries MIT-SHM first; check valid() afterwards.
    SharedPicture(Display* display, Visual* visual, int depth, int width, int height, bool shared);
    ~SharedPicture();
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;

    bool valid() const { return image_ != nullptr; }
    bool shared() const { return shared_; }
    Surface surface() const;

    // Sends `rects` of the picture to `drawable` with the picture's corner at (x, y). A shared picture is read by
    // the server when it handles the request: the caller syncs before drawing into it again.
    void put(Drawable drawable, GC gc, int x, int y, std::span<const Rect> rects) const;

private:
    Display* display_;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    std::vector<Pixel> own_;  // the pixels when they are not shared
};

// Whether the display takes the core's pixels as they are: 32-bit pixels, 0x00RRGGBB, in this machine's order.
bool takesCorePixels(const XVisualInfo& visual);

}  // namespace nivora::x11

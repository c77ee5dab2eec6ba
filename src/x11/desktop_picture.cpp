// Taking the desktop picture: XGetImage of the root window, or what XScreenSaver's helper paints on the window.
#include "desktop_picture.h"

#include <sys/wait.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>

#include "helper_process.h"
#include "x_errors.h"

namespace nivora::x11 {

namespace {

int lowestBit(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0)
        mask >>= 1, ++shift;
    return shift;
}

uint32_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    const unsigned long value = (pixel & mask) >> lowestBit(mask);
    const unsigned long top = mask >> lowestBit(mask);
    return uint32_t((value * 255 + top / 2) / top);
}

std::optional<DesktopPicture> getImage(Display* display, Drawable drawable, int width, int height, const Rect& bounds)
{
    const ErrorTrap trap(display);
    XImage* image = XGetImage(display, drawable, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (!trap.passed() || !image) {
        if (image)
            XDestroyImage(image);
        return std::nullopt;
    }
    DesktopPicture picture{corePixels(image), bounds};
    XDestroyImage(image);
    return picture;
}

// The helper, where XScreenSaver puts it when it is not on the path of the module.
const char* const kHelperPaths[] = {"xscreensaver-getimage", "/usr/libexec/xscreensaver/xscreensaver-getimage",
                                    "/usr/lib/xscreensaver/xscreensaver-getimage"};

// The window's attributes; nothing once it is destroyed.
std::optional<XWindowAttributes> attributesOf(Display* display, Window window)
{
    const ErrorTrap trap(display);
    XWindowAttributes attributes{};
    const Status found = XGetWindowAttributes(display, window, &attributes);
    if (!trap.passed() || !found)
        return std::nullopt;
    return attributes;
}

bool windowExists(Display* display, Window window)
{
    return attributesOf(display, window).has_value();
}

bool isViewable(Display* display, Window window)
{
    const std::optional<XWindowAttributes> attributes = attributesOf(display, window);
    return attributes && attributes->map_state == IsViewable;
}

bool hasProperty(Display* display, Window window, Atom property)
{
    const ErrorTrap trap(display);
    int count = 0;
    Atom* properties = XListProperties(display, window, &count);
    const bool found = properties && std::find(properties, properties + count, property) != properties + count;
    if (properties)
        XFree(properties);
    return trap.passed() && found;
}

// What the helper painted (the test card, the undimmed desktop) goes at once, and the Expose it brings has the first
// frame shown whole rather than only where it changed.
void clearWholly(Display* display, Window window)
{
    const ErrorTrap trap(display);
    XClearArea(display, window, 0, 0, 0, 0, True);
}

}  // namespace

void DesktopPicture::copyTo(const Surface& to, const Rect& area) const
{
    const int32_t left = std::max(area.left, bounds.left), right = std::min(area.right, bounds.right);
    const int32_t top = std::max(area.top, bounds.top), bottom = std::min(area.bottom, bounds.bottom);
    const int32_t width = bounds.right - bounds.left;
    for (int32_t y = top; y < bottom; ++y) {
        if (y - area.top >= to.height)
            break;
        const Pixel* from = pixels.data() + size_t(y - bounds.top) * size_t(width) + size_t(left - bounds.left);
        const int32_t count = std::min(right, area.left + to.width) - left;
        if (count > 0)
            std::copy_n(from, count, to.row(y - area.top) + (left - area.left));
    }
}

std::vector<Pixel> corePixels(XImage* image)
{
    std::vector<Pixel> pixels(size_t(image->width) * size_t(image->height));
    const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && image->red_mask == 0xFF0000 &&
                        image->green_mask == 0x00FF00 && image->blue_mask == 0x0000FF;
    for (int y = 0; y < image->height; ++y) {
        Pixel* row = pixels.data() + size_t(y) * size_t(image->width);
        if (direct) {
            const auto* from = reinterpret_cast<const uint32_t*>(image->data +
                                                                 std::ptrdiff_t(y) * image->bytes_per_line);
            for (int x = 0; x < image->width; ++x)
                row[x] = from[x] & 0x00FFFFFFu;  // the top byte is no colour
            continue;
        }
        for (int x = 0; x < image->width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            row[x] = channel(p, image->red_mask) << 16 | channel(p, image->green_mask) << 8 |
                     channel(p, image->blue_mask);
        }
    }
    return pixels;
}

std::optional<DesktopPicture> captureScreen(Display* display, Window root, const Rect& bounds)
{
    return getImage(display, root, bounds.right - bounds.left, bounds.bottom - bounds.top, bounds);
}

HelperImage imageFromHelper(Display* display, Window window, const Rect& bounds, int stopFd)
{
    // How the helper tells what it painted (XScreenSaver 6.06, seen with xprop after each kind of run): it names the
    // picture in _SCREENSAVER_IMAGE_FILENAME on the window, "desktop" for a grab, the file's name without its
    // extension for an image from the user's folder; for its colour bars it removes the property. Removed here
    // first, so that a name left from an earlier run cannot pass the test card off as a chosen picture.
    const Atom imageName = XInternAtom(display, "_SCREENSAVER_IMAGE_FILENAME", False);
    XDeleteProperty(display, window, imageName);
    const bool wasViewable = isViewable(display, window);
    // The helper paints the window itself: given a pixmap as well, it leaves the pixmap black when it grabs the
    // desktop (XScreenSaver 6.06), so the window is read back once it is done.
    XSync(display, False);
    char windowId[32];
    std::snprintf(windowId, sizeof windowId, "0x%lx", window);
    const program::HelperRun run = program::runHelper(kHelperPaths, {"--display", DisplayString(display), windowId},
                                                      stopFd, kHelperTime);
    switch (run.end) {
    case program::HelperEnd::Missing:
        return {};
    case program::HelperEnd::Stopped:
        return {HelperOutcome::Stopped, std::nullopt};
    case program::HelperEnd::TimedOut:
        if (!windowExists(display, window))
            return {HelperOutcome::WindowGone, std::nullopt};
        // Ended in the middle of a grab, it may have left the window unmapped.
        if (wasViewable && !isViewable(display, window))
            XMapRaised(display, window);
        clearWholly(display, window);
        return {HelperOutcome::TimedOut, std::nullopt};
    case program::HelperEnd::Exited:
        break;
    }
    const int status = run.status;
    if (!windowExists(display, window))
        return {HelperOutcome::WindowGone, std::nullopt};
    HelperImage image;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        if (!hasProperty(display, window, imageName))
            image.outcome = HelperOutcome::NotChosen;
        else if ((image.picture = getImage(display, window, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                           bounds)))
            image.outcome = HelperOutcome::Picture;
    }
    clearWholly(display, window);
    return image;
}

}  // namespace nivora::x11

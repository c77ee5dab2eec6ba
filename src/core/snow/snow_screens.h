// The full-screen snow over every monitor: one drawing area per monitor, placed in a window that covers the whole
// virtual screen. Parts of the virtual screen that no monitor shows get no area at all.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "core/snow/snow_field.h"

namespace nivora {

// A monitor as the system lists it.
struct ListedMonitor {
    Rect bounds;  // desktop coordinates: the primary monitor's top-left corner is (0, 0)
    bool primary = false;
    double scale = 1.0;  // its display scale: its DPI over 96 (Windows' effective DPI, X11's Xft.dpi)
};

// One monitor's share of the snow.
struct SnowScreen {
    Rect bounds;          // desktop coordinates of the monitor
    int32_t windowX = 0;  // its top-left corner in the snow window, whose origin is the virtual screen's
    int32_t windowY = 0;
    SnowArea area;         // the design's screen of the monitor's size, at the monitor's display scale
    bool primary = false;  // the message is written here only
};

// A display's scale from its DPI: 1 at 96 dpi, 1.5 at 144.
inline double displayScaleOfDpi(double dpi)
{
    return dpi / 96.0;
}

// The full-screen snow in one window over the whole virtual screen (Windows, X11's root and own window).
// One screen per monitor that shows part of `virtualScreen`, clipped to it. A monitor that lies wholly inside
// another (a mirrored display, of the same size or smaller) gets no screen of its own: the largest monitor holding
// it draws there, at its own scale; of identical ones the first listed does, at its scale. When no monitor is marked
// primary, the one holding (0, 0), else the first, is. Nothing when there is no monitor or when one is too large for a
// drawing area (its pictures are 10 pixels larger than the area and must stay within 16 bits).
std::optional<std::vector<SnowScreen>> snowScreensFor(const Rect& virtualScreen,
                                                      std::span<const ListedMonitor> monitors);

// A window that shows only part of the layout (XScreenSaver makes one per monitor): the screens of the monitors
// it shows, as snowScreensFor gives them over `window`, with the message only where the layout's primary monitor
// is. A window that does not show the primary monitor has no message at all. With no monitor listed, the window is
// one screen of its own.
std::optional<std::vector<SnowScreen>> snowScreensInWindow(const Rect& window, std::span<const ListedMonitor> layout,
                                                           double scale);

// An output with a picture of its own (a Wayland surface): its place in the layout, which decides the primary one
// as snowScreensFor does, and its picture's size in pixels at its scale.
struct OwnOutput {
    Rect layout;  // in the layout's coordinates, as the compositor places it
    int32_t width = 0;
    int32_t height = 0;
    double scale = 1.0;
    bool primary = false;
};

// One screen per output, each at (0, 0) of its own picture, the message on one of them. Nothing when there is no
// output or one is too large for a drawing area.
std::optional<std::vector<SnowScreen>> snowScreensOfOwnOutputs(std::span<const OwnOutput> outputs);

// The preview box's one screen: `width` x `height` pixels, its flakes falling at the speed they have on a screen
// `screenHeight` pixels high. Nothing when the box cannot hold a drawing area.
std::optional<SnowScreen> previewScreen(int32_t width, int32_t height, int32_t screenHeight);

// The settings of one screen's snow: the message is written on the primary monitor only.
SnowSettings screenSettings(const SnowSettings& settings, const SnowScreen& screen);

// Whether a drawing area of this size can be built: 1 to 32757 pixels each way.
bool fitsDrawingArea(int64_t width, int64_t height);

}  // namespace nivora

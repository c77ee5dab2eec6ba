// Drawing areas per monitor for the full-screen snow.
#include "core/snow/snow_screens.h"

#include <algorithm>

namespace nivora {

namespace {

constexpr int64_t kLargestDrawingSide = 32767 - kPictureMargin;  // the pictures are larger and 16-bit sized

bool contains(const Rect& r, int32_t x, int32_t y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

SnowSettings screenSettings(const SnowSettings& settings, const SnowScreen& screen)
{
    SnowSettings own = settings;
    if (!screen.primary)
        own.messageText.clear();
    return own;
}

bool fitsDrawingArea(int64_t width, int64_t height)
{
    return width >= 1 && height >= 1 && width <= kLargestDrawingSide && height <= kLargestDrawingSide;
}

std::optional<std::vector<SnowScreen>> snowScreensFor(const Rect& virtualScreen,
                                                      std::span<const ListedMonitor> monitors)
{
    std::vector<SnowScreen> screens;
    for (const ListedMonitor& monitor : monitors) {
        const Rect r{std::max(monitor.bounds.left, virtualScreen.left), std::max(monitor.bounds.top, virtualScreen.top),
                     std::min(monitor.bounds.right, virtualScreen.right),
                     std::min(monitor.bounds.bottom, virtualScreen.bottom)};
        if (r.left >= r.right || r.top >= r.bottom)
            continue;  // shows nothing of the virtual screen
        const auto same = std::find_if(screens.begin(), screens.end(),
                                       [&](const SnowScreen& s) { return s.bounds == r; });
        if (same != screens.end()) {
            same->primary = same->primary || monitor.primary;
            continue;
        }
        const int64_t width = int64_t(r.right) - r.left, height = int64_t(r.bottom) - r.top;
        if (!fitsDrawingArea(width, height))
            return std::nullopt;
        SnowScreen screen;
        screen.bounds = r;
        screen.windowX = static_cast<int32_t>(int64_t(r.left) - virtualScreen.left);
        screen.windowY = static_cast<int32_t>(int64_t(r.top) - virtualScreen.top);
        screen.area = {static_cast<int16_t>(width), static_cast<int16_t>(height), SnowMode::FullScreen, 1.0f,
                       snowScale(monitor.scale)};
        screen.primary = monitor.primary;
        screens.push_back(screen);
    }
    if (screens.empty())
        return std::nullopt;
    auto primary = std::find_if(screens.begin(), screens.end(), [](const SnowScreen& s) { return s.primary; });
    if (primary == screens.end()) {
        primary = std::find_if(screens.begin(), screens.end(),
                               [](const SnowScreen& s) { return contains(s.bounds, 0, 0); });
        if (primary == screens.end())
            primary = screens.begin();
        primary->primary = true;
    }
    // Exactly one primary, even when two were marked.
    for (SnowScreen& s : screens)
        s.primary = &s == &*primary;
    return screens;
}

}  // namespace nivora

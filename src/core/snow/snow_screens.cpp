// Drawing areas per monitor for the full-screen snow.
#include "core/snow/snow_screens.h"

#include <algorithm>
#include <cstdint>

namespace nivora {

namespace {

constexpr int64_t kLargestDrawingSide = 32767 - kPictureMargin;  // the pictures are larger and 16-bit sized

bool contains(const Rect& r, int32_t x, int32_t y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// `inner` lies wholly within `outer` (or is the same rectangle).
bool inside(const Rect& inner, const Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

int64_t areaOf(const Rect& r)
{
    return (int64_t(r.right) - r.left) * (int64_t(r.bottom) - r.top);
}

// The one that carries the message, of `count` places (`placeOf(i)`), `marked(i)` by the system: the first marked,
// else the one holding (0, 0), else the first.
template <class Place, class Marked>
size_t primaryOf(size_t count, Place placeOf, Marked marked)
{
    for (size_t i = 0; i < count; ++i)
        if (marked(i))
            return i;
    for (size_t i = 0; i < count; ++i)
        if (contains(placeOf(i), 0, 0))
            return i;
    return 0;
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
    // Each monitor's part of the virtual screen.
    std::vector<Rect> shown;
    shown.reserve(monitors.size());
    for (const ListedMonitor& monitor : monitors)
        shown.push_back({std::max(monitor.bounds.left, virtualScreen.left),
                         std::max(monitor.bounds.top, virtualScreen.top),
                         std::min(monitor.bounds.right, virtualScreen.right),
                         std::min(monitor.bounds.bottom, virtualScreen.bottom)});

    // A monitor wholly inside another shows the same pixels: a mirror, drawn by the largest monitor that holds it
    // (the first of identical ones), which also takes its primary mark. Two fields over the same pixels would
    // write the message in fragments.
    // Judged by the whole monitors: one that only overlaps another is no mirror, even where the virtual screen
    // leaves nothing of it outside the other.
    std::vector<size_t> drawnBy(monitors.size());
    for (size_t i = 0; i < monitors.size(); ++i) {
        drawnBy[i] = i;
        for (size_t j = 0; j < monitors.size(); ++j) {
            if (j == i || isEmpty(shown[j]) || !inside(monitors[i].bounds, monitors[j].bounds))
                continue;
            const int64_t area = areaOf(monitors[j].bounds), best = areaOf(monitors[drawnBy[i]].bounds);
            if (area > best || (area == best && j < drawnBy[i]))
                drawnBy[i] = j;
        }
    }

    std::vector<SnowScreen> screens;
    std::vector<size_t> screenOf(monitors.size(), SIZE_MAX);
    for (size_t i = 0; i < monitors.size(); ++i) {
        const Rect& r = shown[i];
        if (isEmpty(r) || drawnBy[i] != i)
            continue;  // shows nothing of the virtual screen, or mirrors another
        const int64_t width = int64_t(r.right) - r.left, height = int64_t(r.bottom) - r.top;
        if (!fitsDrawingArea(width, height))
            return std::nullopt;
        SnowScreen screen;
        screen.bounds = r;
        screen.windowX = static_cast<int32_t>(int64_t(r.left) - virtualScreen.left);
        screen.windowY = static_cast<int32_t>(int64_t(r.top) - virtualScreen.top);
        screen.area = {static_cast<int16_t>(width), static_cast<int16_t>(height), SnowMode::FullScreen, 1.0f,
                       snowScale(monitors[i].scale)};
        screenOf[i] = screens.size();
        screens.push_back(screen);
    }
    for (size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].primary && !isEmpty(shown[i]))
            screens[screenOf[drawnBy[i]]].primary = true;
    }
    if (screens.empty())
        return std::nullopt;
    // Exactly one primary, even when two were marked.
    const size_t primary = primaryOf(
        screens.size(), [&](size_t i) { return screens[i].bounds; }, [&](size_t i) { return screens[i].primary; });
    for (size_t i = 0; i < screens.size(); ++i)
        screens[i].primary = i == primary;
    return screens;
}

std::optional<std::vector<SnowScreen>> snowScreensInWindow(const Rect& window, std::span<const ListedMonitor> layout,
                                                           double scale)
{
    std::vector<ListedMonitor> monitors(layout.begin(), layout.end());
    if (monitors.empty())
        monitors.push_back({window, true});
    for (ListedMonitor& m : monitors)
        m.scale = scale;
    std::optional<std::vector<SnowScreen>> screens = snowScreensFor(window, monitors);
    // The message belongs to the layout's primary monitor: when the window does not show it, it is written nowhere.
    const size_t primary = primaryOf(
        monitors.size(), [&](size_t i) { return monitors[i].bounds; }, [&](size_t i) { return monitors[i].primary; });
    if (screens && isEmpty(clipRect(monitors[primary].bounds, window)))
        for (SnowScreen& s : *screens)
            s.primary = false;
    return screens;
}

std::optional<std::vector<SnowScreen>> snowScreensOfOwnOutputs(std::span<const OwnOutput> outputs)
{
    if (outputs.empty())
        return std::nullopt;
    std::vector<SnowScreen> screens;
    for (const OwnOutput& output : outputs) {
        if (!fitsDrawingArea(output.width, output.height))
            return std::nullopt;
        SnowScreen screen;
        screen.bounds = {0, 0, output.width, output.height};
        screen.area = {static_cast<int16_t>(output.width), static_cast<int16_t>(output.height), SnowMode::FullScreen,
                       1.0f, snowScale(output.scale)};
        screens.push_back(screen);
    }
    const size_t primary = primaryOf(
        outputs.size(), [&](size_t i) { return outputs[i].layout; }, [&](size_t i) { return outputs[i].primary; });
    screens[primary].primary = true;
    return screens;
}

std::optional<SnowScreen> previewScreen(int32_t width, int32_t height, int32_t screenHeight)
{
    if (!fitsDrawingArea(width, height) || screenHeight < 1)
        return std::nullopt;
    SnowScreen box;
    box.bounds = {0, 0, width, height};
    box.area = {static_cast<int16_t>(width), static_cast<int16_t>(height), SnowMode::Preview,
                static_cast<float>(double(height) / screenHeight), 1.0f};
    box.primary = true;
    return box;
}

}  // namespace nivora

// Checks on the preview host before the snow window becomes its child.
#include "preview_host.h"

#include <algorithm>

namespace nivora::win32 {

std::optional<PreviewArea> previewArea(HWND host)
{
    if (!host || !IsWindow(host))
        return std::nullopt;
    for (HWND desktop : {GetDesktopWindow(), GetShellWindow()})
        if (desktop && host == desktop)
            return std::nullopt;
    // The client area: the part of a bordered host that a child can cover.
    RECT r{};
    if (!GetClientRect(host, &r))
        return std::nullopt;
    // In 64 bits: a rectangle's sides may lie anywhere in the 32-bit range.
    const int64_t width = int64_t{r.right} - r.left;
    const int64_t height = int64_t{r.bottom} - r.top;
    if (width <= 0 || height <= 0)
        return std::nullopt;
    const int64_t maxWidth = std::clamp<int64_t>(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1, INT16_MAX);
    const int64_t maxHeight = std::clamp<int64_t>(GetSystemMetrics(SM_CYVIRTUALSCREEN), 1, INT16_MAX);
    return PreviewArea{static_cast<int16_t>(std::min(width, maxWidth)),
                       static_cast<int16_t>(std::min(height, maxHeight))};
}

}  // namespace nivora::win32

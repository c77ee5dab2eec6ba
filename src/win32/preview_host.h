// Whether the window named on a preview command line can host the preview, and the drawing area it offers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

namespace nivora::win32 {

struct PreviewArea {
    int16_t width;
    int16_t height;
};

// The size of the host's client area in pixels, at most the size of the virtual screen (a preview never shows more, and
// a larger host must neither wrap the 16-bit area nor cost gigabytes of pictures). Nothing when the window cannot host
// a preview: no window, the desktop itself (nothing would ever end a screen-sized preview there), or no area.
std::optional<PreviewArea> previewArea(HWND host);

}  // namespace nivora::win32

// State shared by the windows of one run: what start-up decided and the loaded settings.
#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "core/settings.h"

namespace nivora::win32 {

struct Module1 {
    SnowSettings SnowSettings;      // loaded once at start-up; the snow modes turn `velocity` into the wind
    std::u16string modeLetter;      // "P" preview, "C" settings, anything else full screen
    int16_t drawWidth = 0;          // the drawing area in pixels
    int16_t drawHeight = 0;
    float previewScaleY = 0;        // preview height over screen height
    HWND previewParent = nullptr;   // the host's preview box
    bool preview() const { return modeLetter == u"P"; }
};

Module1& module1();

}  // namespace nivora::win32

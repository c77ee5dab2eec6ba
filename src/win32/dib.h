// The one kind of device-independent bitmap the program and its tests use: 32 bits a pixel, top row first.
#pragma once

#include <windows.h>

namespace nivora {

// For CreateDIBSection and GetDIBits: pixels 0x00RRGGBB, row 0 at the top.
inline BITMAPINFO topDownDibInfo(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace nivora

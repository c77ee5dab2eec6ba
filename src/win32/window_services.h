// Window services the settings windows rely on, apart from any control: text conversions, regions, layered windows,
// window procedures put in front, z-order, the message box, bitmaps and the display scale of a window.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "handles.h"

namespace nivora::win32 {

// ---- Text ----------------------------------------------------------------------------------------------------

// The core keeps text as UTF-16 in char16_t, Windows in wchar_t: the same code units.
std::wstring wideText(std::u16string_view text);
std::u16string coreText(std::wstring_view text);
std::wstring windowText(HWND hwnd);

// ---- Shapes, layers, procedures, z-order -----------------------------------------------------------------------

// A region from an outline in window coordinates, filled with the WINDING rule.
UniqueHrgn polygonRegion(const POINT* points, int count);
// Gives the window its shape and redraws it.
void setWindowRegion(HWND hwnd, UniqueHrgn region);
// Draws the whole window at a constant opacity out of 255, without a colour key.
void makeLayered(HWND hwnd, BYTE alpha);
// Puts `procedure` in front of the window's procedure and returns the one it replaces, which `procedure` passes
// every message on to with CallWindowProcW. Pointer-sized on 64-bit Windows too.
WNDPROC replaceWindowProc(HWND hwnd, WNDPROC procedure);
// Brings a child window in front of its siblings without activating anything.
void bringToFront(HWND hwnd);
// Applies a z-order to siblings listed from the front to the back.
void stackFrontToBack(const std::vector<HWND>& siblings);
// A window's rectangle in its parent's client coordinates (the screen for a top-level window).
RECT rectInParent(HWND hwnd);

// ---- Message box -----------------------------------------------------------------------------------------------

enum class MessageIcon : UINT { None = 0, Warning = MB_ICONWARNING };
// A message with an OK button only; returns when it is dismissed.
void messageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                MessageIcon icon = MessageIcon::None);

// ---- Bitmaps ---------------------------------------------------------------------------------------------------

SIZE bitmapSize(HBITMAP bitmap);

// ---- Display scale ---------------------------------------------------------------------------------------------
// The per-monitor functions came with Windows 10 1607; before it, the system's one DPI stands for every monitor.

// The DPI a window is drawn at, 96 at 100 %.
int windowDpi(HWND hwnd);
// The DPI of the monitor that holds the point.
int monitorDpi(POINT point);
// A monitor's effective DPI: 144 at 150 %.
int monitorDpi(HMONITOR monitor);
// The window rectangle that gives a client area of this size, for the style and the DPI.
RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

// Windows created while this lives on this thread share the awareness of another window (a preview's host): a
// child window must have its parent's awareness.
class ThreadDpiAwarenessOf {
public:
    explicit ThreadDpiAwarenessOf(HWND window);
    ~ThreadDpiAwarenessOf();
    ThreadDpiAwarenessOf(const ThreadDpiAwarenessOf&) = delete;
    ThreadDpiAwarenessOf& operator=(const ThreadDpiAwarenessOf&) = delete;

private:
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

}  // namespace nivora::win32

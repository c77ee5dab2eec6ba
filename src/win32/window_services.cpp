// Window services: text, regions, layered windows, window procedures, z-order, message box, bitmaps, display scale.
#include "window_services.h"

#include <algorithm>

#include "system_library.h"

namespace nivora::win32 {

// ---- Text ----------------------------------------------------------------------------------------------------

std::wstring wideText(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

std::u16string coreText(std::wstring_view text)
{
    return std::u16string(text.begin(), text.end());
}

std::wstring windowText(HWND hwnd)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// ---- Shapes, layers, procedures, z-order -----------------------------------------------------------------------

UniqueHrgn polygonRegion(const POINT* points, int count)
{
    return UniqueHrgn(CreatePolygonRgn(points, count, WINDING));
}

void setWindowRegion(HWND hwnd, UniqueHrgn region)
{
    // From here on the region belongs to the window, which deletes it when it gets another one or goes away.
    if (SetWindowRgn(hwnd, region.get(), TRUE))
        (void)region.release();
}

void makeLayered(HWND hwnd, BYTE alpha)
{
    const LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrW(hwnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hwnd, 0, alpha, LWA_ALPHA);
}

WNDPROC replaceWindowProc(HWND hwnd, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void bringToFront(HWND hwnd)
{
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void stackFrontToBack(const std::vector<HWND>& siblings)
{
    // Bringing each to the front from the back one on leaves the first listed in front.
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it)
        bringToFront(*it);
}

RECT rectInParent(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    if (HWND parent = GetAncestor(hwnd, GA_PARENT); parent && (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ---- Message box -----------------------------------------------------------------------------------------------

void messageBox(HWND owner, std::u16string_view text, std::u16string_view caption, MessageIcon icon)
{
    MessageBoxW(owner, wideText(text).c_str(), wideText(caption).c_str(), MB_OK | static_cast<UINT>(icon));
}

// ---- Bitmaps ---------------------------------------------------------------------------------------------------

SIZE bitmapSize(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
        return {0, 0};
    return {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
}

// ---- Display scale ---------------------------------------------------------------------------------------------

namespace {

int screenDpi()
{
    WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int windowDpi(HWND hwnd)
{
    static const auto getDpiForWindow = systemFunction<UINT WINAPI(HWND)>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && hwnd)
        if (const UINT dpi = getDpiForWindow(hwnd); dpi > 0)
            return static_cast<int>(dpi);
    return screenDpi();
}

int monitorDpi(POINT point)
{
    return monitorDpi(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

int monitorDpi(HMONITOR monitor)
{
    using GetDpiForMonitorFn = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor = systemFunction<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (getDpiForMonitor && monitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return screenDpi();
}

RECT windowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi)
{
    using AdjustFn = BOOL WINAPI(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = systemFunction<AdjustFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return r;
}

ThreadDpiAwarenessOf::ThreadDpiAwarenessOf(HWND window)
{
    static const auto contextOf = systemFunction<DPI_AWARENESS_CONTEXT WINAPI(HWND)>(L"user32.dll",
                                                                                     "GetWindowDpiAwarenessContext");
    static const auto setThread = systemFunction<DPI_AWARENESS_CONTEXT WINAPI(DPI_AWARENESS_CONTEXT)>(
        L"user32.dll", "SetThreadDpiAwarenessContext");
    if (!contextOf || !setThread || !window)
        return;
    if (const DPI_AWARENESS_CONTEXT context = contextOf(window))
        previous_ = setThread(context);
}

ThreadDpiAwarenessOf::~ThreadDpiAwarenessOf()
{
    static const auto setThread = systemFunction<DPI_AWARENESS_CONTEXT WINAPI(DPI_AWARENESS_CONTEXT)>(
        L"user32.dll", "SetThreadDpiAwarenessContext");
    if (previous_ && setThread)
        setThread(previous_);
}

}  // namespace nivora::win32

// The window toolkit on Win32: window instances, timers, fonts, picture boxes with DIB-section images.
#include "toolkit.h"

#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "dib.h"
#include "resource_ids.h"

namespace nivora::win32 {

namespace {

HINSTANCE instance()
{
    return GetModuleHandleW(nullptr);
}

int logPixels(int axis)
{
    WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), axis);
    return dpi > 0 ? dpi : 96;
}

int pointDpi(const FontSpec& choice)
{
    return choice.dpi > 0 ? choice.dpi : logPixels(LOGPIXELSY);
}

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

uint32_t pixelOf(COLORREF color)  // COLORREF is 0x00BBGGRR, a DIB pixel 0x00RRGGBB
{
    return (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

}  // namespace

int Screen::widthPixels()
{
    return GetSystemMetrics(SM_CXSCREEN);
}
int Screen::heightPixels()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

// --- Window ----------------------------------------------------------------------------------------------------

Window::~Window()
{
    if (hwnd_)
        DestroyWindow(hwnd_);
}

HWND Window::create(const ClassSpec& cls, DWORD style, DWORD exStyle, const RECT& bounds, HWND parent,
                    std::wstring_view caption, UINT_PTR id)
{
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(instance(), cls.name, &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = cls.style;
        wc.lpfnWndProc = &Window::windowProc;
        wc.hInstance = instance();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = cls.background;
        wc.hIcon = cls.icon;
        wc.hIconSm = cls.icon ? programIcon(true) : nullptr;
        wc.lpszClassName = cls.name;
        RegisterClassExW(&wc);
    }
    const std::wstring title(caption);
    CreateWindowExW(exStyle, cls.name, title.c_str(), style, bounds.left, bounds.top, bounds.right - bounds.left,
                    bounds.bottom - bounds.top, parent, reinterpret_cast<HMENU>(id), instance(), this);
    return hwnd_;
}

LRESULT Window::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = self->onMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

void Window::attach(HWND hwnd)
{
    if (hwnd_)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = hwnd;
    if (hwnd_)
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::setCaption(std::wstring_view caption)
{
    const std::wstring text(caption);
    SetWindowTextW(hwnd_, text.c_str());
}

bool Window::visible() const
{
    return hwnd_ && IsWindowVisible(hwnd_);
}

void Window::setVisible(bool visible)
{
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

// --- Fonts -----------------------------------------------------------------------------------------------------

std::wstring firstInstalledFace(const std::vector<const wchar_t*>& faces)
{
    WindowDc screen(nullptr);
    for (const wchar_t* face : faces) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExW(screen.get(), &query, &noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
        if (found)
            return face;
    }
    return {};  // the system picks its default face
}

UniqueHfont createFont(const FontSpec& choice)
{
    LOGFONTW lf{};
    lf.lfHeight = choice.pixels > 0 ? -choice.pixels
                                    : -static_cast<LONG>(std::lround(choice.points * pointDpi(choice) / 72.0));
    lf.lfWeight = choice.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = choice.charset;
    lf.lfQuality = choice.quality;
    const std::wstring face = firstInstalledFace(choice.faces);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return UniqueHfont(CreateFontIndirectW(&lf));
}

// --- PictureBox ------------------------------------------------------------------------------------------------

void PictureBox::create(HWND parent, const Definition& definition)
{
    backColor_ = definition.backColor;
    foreColor_ = definition.foreColor;
    memoryDc_.reset(CreateCompatibleDC(nullptr));
    // WS_EX_NOPARENTNOTIFY: its teardown sends nothing to a parent that may be half destroyed by then.
    Window::create({L"NivoraPictureBox"}, WS_CHILD | WS_CLIPSIBLINGS | (definition.visible ? WS_VISIBLE : 0),
                   WS_EX_NOPARENTNOTIFY, definition.bounds, parent);
    if (definition.image)
        resizeImage(definition.bounds.right - definition.bounds.left, definition.bounds.bottom - definition.bounds.top);
}

void PictureBox::resizeImage(int width, int height)
{
    bitmapSelection_.reset();
    bitmap_.reset();
    pixels_ = nullptr;
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (width_ > 0 && height_ > 0) {
        const BITMAPINFO info = topDownDibInfo(width_, height_);
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(hDC(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (bitmap_) {
            pixels_ = static_cast<uint32_t*>(bits);
            bitmapSelection_.emplace(hDC(), bitmap_.get());
        } else {
            width_ = height_ = 0;
        }
    }
    setBackColor(backColor_);
}

void PictureBox::setBackColor(COLORREF color)
{
    backColor_ = color;
    if (pixels_) {
        GdiFlush();  // GDI may still be drawing into the DIB
        std::fill_n(pixels_, size_t(width_) * size_t(height_), pixelOf(color));
    }
}

void PictureBox::setFont(const FontSpec& choice)
{
    fontSelection_.reset();
    font_ = createFont(choice);
    fontSpec_ = choice;
    // Read the size back as the device realises it: a whole number of pixels.
    const double pixelsPerPoint = pointDpi(choice) / 72.0;
    fontPoints_ = std::lround(choice.points * pixelsPerPoint) / pixelsPerPoint;
    if (font_)
        fontSelection_.emplace(hDC(), font_.get());
}

int PictureBox::textWidth(std::wstring_view text) const
{
    SIZE size{};
    GetTextExtentPoint32W(hDC(), text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void PictureBox::print(int x, int y, std::wstring_view text)
{
    SetTextColor(hDC(), foreColor_);
    SetBkMode(hDC(), TRANSPARENT);
    TextOutW(hDC(), x, y, text.data(), static_cast<int>(text.size()));
    GdiFlush();  // the core reads the pixels right after
}

void PictureBox::refresh()
{
    const RECT all{0, 0, width_, height_};
    present(&all, 1);
}

void PictureBox::present(const RECT* rects, size_t count)
{
    if (!visible())
        return;
    WindowDc dc(hwnd());
    for (size_t i = 0; i < count; ++i) {
        const RECT& r = rects[i];
        BitBlt(dc.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, hDC(), r.left, r.top, SRCCOPY);
    }
}

void PictureBox::onPaint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    const RECT& r = ps.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, hDC(), r.left, r.top, SRCCOPY);
    EndPaint(hwnd(), &ps);
}

LRESULT PictureBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the image covers everything
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (onKeyDown) {
            onKeyDown();
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        if (onMouseDown) {
            onMouseDown();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (onMouseMove) {
            onMouseMove(static_cast<float>(GET_X_LPARAM(lParam)), static_cast<float>(GET_Y_LPARAM(lParam)));
            return 0;
        }
        break;
    default:
        break;
    }
    return Window::onMessage(message, wParam, lParam);
}

// --- Program ---------------------------------------------------------------------------------------------------

HICON programIcon(bool small)
{
    const int size = small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXICON);
    return static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(IDI_NIVORA), IMAGE_ICON, size, size, LR_SHARED));
}

int runMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && (GetWindowLongW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && IsDialogMessageW(root, &msg))
            continue;  // tab and arrow navigation in the settings window
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void endProgram()
{
    ExitProcess(0);
}

}  // namespace nivora::win32

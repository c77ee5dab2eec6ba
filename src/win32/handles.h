// Owners for the GDI and USER handles of the saver, and a guard that undoes SelectObject.
#pragma once

#include <windows.h>

#include "core/base/unique_handle.h"

namespace nivora::win32 {

template <class H, BOOL(WINAPI* Close)(H)>
struct HandleTraits {
    using Handle = H;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Close(h); }
};

template <class H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { DeleteObject(h); }
};

using UniqueHdc = UniqueHandle<HandleTraits<HDC, &DeleteDC>>;  // memory device contexts
using UniqueHbitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueHrgn = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueHfont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueHbrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueHicon = UniqueHandle<HandleTraits<HICON, &DestroyIcon>>;

// A window's device context from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc()
    {
        if (dc_)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a device context for the guard's lifetime.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectGuard()
    {
        if (old_ && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace nivora::win32

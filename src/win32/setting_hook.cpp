// The settings window's hook: the overlay follows every move of the window.
#include "setting_hook.h"

#include "window_services.h"

namespace nivora::win32 {

namespace {

// The hook's instance, attached to the hooked window: the window's user data already belongs to its own instance.
constexpr const wchar_t* kHookProperty = L"Nivora.SettingHook";

}  // namespace

void SettingHook::HookSettingWindow(HWND window, std::function<void()> onMove)
{
    if (window_ || !window)
        return;
    window_ = window;
    onMove_ = std::move(onMove);
    SetPropW(window_, kHookProperty, this);
    previousWndProc_ = replaceWindowProc(window_, &SettingHook::SettingWindowProc);
}

LRESULT CALLBACK SettingHook::SettingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<SettingHook*>(GetPropW(hwnd, kHookProperty));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC previous = self->previousWndProc_;
    if (message == WM_MOVE && self->onMove_)
        self->onMove_();
    if (message == WM_NCDESTROY)
        self->UnhookSettingWindow();  // the window goes before its owner let go of the hook
    return CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

void SettingHook::UnhookSettingWindow()
{
    if (!window_)
        return;
    // Restored only while the hook is the window's procedure, so nothing put in front of it later is dropped.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC)) == &SettingHook::SettingWindowProc)
        replaceWindowProc(window_, previousWndProc_);
    RemovePropW(window_, kHookProperty);
    window_ = nullptr;
}

}  // namespace nivora::win32

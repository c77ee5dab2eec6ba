// The settings window's hook: the overlay follows every move of the window.
#include "setting_hook.h"

#include "controls.h"
#include "frm_display.h"
#include "settings_window.h"

namespace nivora::win32 {

WNDPROC previousWndProc = nullptr;

void HookSettingWindow()
{
    previousWndProc = replaceWindowProc(FrmSetting::get().hwnd(), &SettingWindowProc);
}

LRESULT CALLBACK SettingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOVE)
        FrmDisplay::get().Form_activate();
    return CallWindowProcW(previousWndProc, hwnd, message, wParam, lParam);
}

void UnhookSettingWindow()
{
    FrmDisplay::unload();
    // Restored only while the hook is the window's procedure, so nothing put in front of it later is dropped.
    HWND settings = FrmSetting::loaded() ? FrmSetting::get().hwnd() : nullptr;
    if (settings && previousWndProc &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrW(settings, GWLP_WNDPROC)) == &SettingWindowProc)
        replaceWindowProc(settings, previousWndProc);
}

}  // namespace nivora::win32

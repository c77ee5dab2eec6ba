// The window hook of the settings window: a procedure of the program's own in front of the window's, which keeps
// the overlay under the rows whenever the window moves.
#pragma once

#include <windows.h>

#include <functional>

namespace nivora::win32 {

// Owned by the settings window; installed once and removed once.
class SettingHook {
public:
    SettingHook() = default;
    ~SettingHook() { UnhookSettingWindow(); }
    SettingHook(const SettingHook&) = delete;
    SettingHook& operator=(const SettingHook&) = delete;

    // Puts SettingWindowProc in front of the window's procedure; `onMove` runs on every WM_MOVE, before the window's
    // own procedure sees it.
    void HookSettingWindow(HWND window, std::function<void()> onMove);
    // Gives the window its previous procedure back.
    void UnhookSettingWindow();

private:
    static LRESULT CALLBACK SettingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    WNDPROC previousWndProc_ = nullptr;  // the window's procedure as it was before the hook
    std::function<void()> onMove_;
};

}  // namespace nivora::win32

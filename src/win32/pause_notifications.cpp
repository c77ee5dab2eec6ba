// Display power and session notifications for the snow window.
#include "pause_notifications.h"

#include <wtsapi32.h>

namespace nivora::win32 {

namespace {

// GUID_CONSOLE_DISPLAY_STATE, spelled out: the SDKs declare it without defining it unless INITGUID is set.
constexpr GUID kConsoleDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

}  // namespace

void PauseNotifications::registerFor(HWND hwnd)
{
    unregister();
    hwnd_ = hwnd;
    display_ = RegisterPowerSettingNotification(hwnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    session_ = WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

void PauseNotifications::unregister()
{
    if (display_)
        UnregisterPowerSettingNotification(display_);
    display_ = nullptr;
    if (session_)
        WTSUnRegisterSessionNotification(hwnd_);
    session_ = false;
}

std::optional<PauseChange> PauseNotifications::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_POWERBROADCAST: {
        if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0)
            return std::nullopt;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) || setting->DataLength < sizeof(DWORD))
            return std::nullopt;
        DWORD state = 0;
        CopyMemory(&state, setting->Data, sizeof state);  // Data is a byte array: no alignment to rely on
        return pause_.displayState(state);
    }
    case WM_WTSSESSION_CHANGE:
        return pause_.sessionChange(static_cast<uint32_t>(wParam));
    default:
        return std::nullopt;
    }
}

}  // namespace nivora::win32

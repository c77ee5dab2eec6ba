// Display power and session notifications for the snow window.
#include "pause_notifications.h"

#include <wtsapi32.h>

#include <initializer_list>

#include "system_library.h"

namespace nivora::win32 {

namespace {

// The GUIDs spelled out: the SDKs declare them without defining them unless INITGUID is set.
// GUID_CONSOLE_DISPLAY_STATE: the physical console's display.
constexpr GUID kConsoleDisplayState{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
// GUID_SESSION_DISPLAY_STATUS: the display of this session, the remote screen in a remote session (Windows 8 on).
constexpr GUID kSessionDisplayStatus{0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

// Early in a logon the terminal services are not running yet and the registration fails with this error; it is
// tried again every second until they are.
constexpr DWORD kServiceNotReady = RPC_S_INVALID_BINDING;
constexpr UINT kRetryMilliseconds = 1000;

using RegisterFn = BOOL WINAPI(HWND, DWORD);
using UnregisterFn = BOOL WINAPI(HWND);

}  // namespace

void PauseNotifications::registerFor(HWND hwnd)
{
    unregister();
    hwnd_ = hwnd;
    display_ = RegisterPowerSettingNotification(hwnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    sessionDisplay_ = RegisterPowerSettingNotification(hwnd, &kSessionDisplayStatus, DEVICE_NOTIFY_WINDOW_HANDLE);
    registerSession();
}

void PauseNotifications::registerSession()
{
    // wtsapi32 is no KnownDLL: taken from the system folder by name rather than imported.
    static const auto registerFor = systemFunction<RegisterFn>(L"wtsapi32.dll", "WTSRegisterSessionNotification");
    if (!registerFor || !hwnd_)
        return;
    session_ = registerFor(hwnd_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    retrying_ = !session_ && GetLastError() == kServiceNotReady &&
                SetTimer(hwnd_, kRetryTimerId, kRetryMilliseconds, nullptr) != 0;
}

void PauseNotifications::unregister()
{
    for (HPOWERNOTIFY* notify : {&display_, &sessionDisplay_}) {
        if (*notify)
            UnregisterPowerSettingNotification(*notify);
        *notify = nullptr;
    }
    if (retrying_)
        KillTimer(hwnd_, kRetryTimerId);
    retrying_ = false;
    if (session_) {
        static const auto unregisterFor = systemFunction<UnregisterFn>(L"wtsapi32.dll",
                                                                       "WTSUnRegisterSessionNotification");
        if (unregisterFor)
            unregisterFor(hwnd_);
    }
    session_ = false;
}

bool PauseNotifications::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_POWERBROADCAST: {
        if (wParam != PBT_POWERSETTINGCHANGE || lParam == 0)
            return false;
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        const bool console = IsEqualGUID(setting->PowerSetting, kConsoleDisplayState);
        const bool own = IsEqualGUID(setting->PowerSetting, kSessionDisplayStatus);
        if ((!console && !own) || setting->DataLength < sizeof(DWORD))
            return false;
        DWORD state = 0;
        CopyMemory(&state, setting->Data, sizeof state);  // Data is a byte array: no alignment to rely on
        if (own)
            state_.sessionDisplayState(state);
        else
            state_.displayState(state);
        return true;
    }
    case WM_WTSSESSION_CHANGE:
        state_.sessionChange(static_cast<uint32_t>(wParam));
        return true;
    case WM_TIMER:
        if (wParam != kRetryTimerId || !retrying_)
            return false;
        KillTimer(hwnd_, kRetryTimerId);
        retrying_ = false;
        registerSession();
        return true;
    default:
        return false;
    }
}

}  // namespace nivora::win32

// The system's word that nobody can see the snow: the display's power state and the session's lock and connection,
// registered for one window and read as the core's pause reasons (SessionPause).
#pragma once

#include <windows.h>

#include "session_pause.h"

namespace nivora::win32 {

class PauseNotifications {
public:
    PauseNotifications() = default;
    ~PauseNotifications() { unregister(); }
    PauseNotifications(const PauseNotifications&) = delete;
    PauseNotifications& operator=(const PauseNotifications&) = delete;

    // Asks for both kinds of notification to `hwnd`: the console's and the session's own display, and the
    // session's changes. The displays' current states arrive at once; a system that offers neither kind simply
    // never pauses the snow. The window's WM_TIMER with kRetryTimerId belongs to this object.
    void registerFor(HWND hwnd);
    // Before the window goes: the registrations belong to it.
    void unregister();

    // A window message: true when it is one of these notifications, which may have changed state().
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    const SessionPause& state() const { return state_; }

    static constexpr UINT_PTR kRetryTimerId = 0x4E50;  // "NP"

private:
    void registerSession();

    SessionPause state_;
    HWND hwnd_ = nullptr;
    HPOWERNOTIFY display_ = nullptr;
    HPOWERNOTIFY sessionDisplay_ = nullptr;
    bool session_ = false;
    bool retrying_ = false;  // the session registration waits for the terminal services
};

}  // namespace nivora::win32

// What Windows' display and session notifications say about who can see the snow, in the core's pause reasons.
// Plain C++ with no Windows header, so that the native unit tests read it too.
#pragma once

#include <cstdint>

namespace nivora::win32 {

class SessionPause {
public:
    // The display's power state as the system reports it (GUID_CONSOLE_DISPLAY_STATE): 0 off, 1 on, 2 dimmed. A
    // dimmed display is still seen; a value the system may add later counts as on, so it never stops the snow
    // for good.
    void displayState(uint32_t state);
    // The display of this program's own session (GUID_SESSION_DISPLAY_STATUS), same values. In a remote session it
    // is the remote screen, where the console's display says nothing about who sees the snow; once it has been
    // heard from, it alone counts. Systems before Windows 8 send only the console's state.
    void sessionDisplayState(uint32_t state);
    // A session change of this program's session (the WTS_* codes of WM_WTSSESSION_CHANGE): a lock or a
    // disconnect of the console or of a remote connection pauses; an unlock, a connect resumes. Other codes
    // (logon, logoff, remote control) change nothing.
    void sessionChange(uint32_t code);

    // PauseReason::DisplayOff, SessionLocked and SessionAway as they hold now.
    bool displayOff() const { return sessionDisplayKnown_ ? sessionDisplayOff_ : consoleDisplayOff_; }
    bool locked() const { return locked_; }
    bool away() const { return disconnected_; }

private:
    bool consoleDisplayOff_ = false;
    bool sessionDisplayKnown_ = false;
    bool sessionDisplayOff_ = false;
    bool locked_ = false;
    bool disconnected_ = false;
};

}  // namespace nivora::win32

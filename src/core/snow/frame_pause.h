// Nothing drawn that nobody sees: whether the snow window makes frames while the display is off or the session is
// locked or disconnected. Its timers' clocks keep what was left of their waits across the pause (FrameClock).
#pragma once

#include <cstdint>

namespace nivora {

// What the window layer has to do after a notification.
enum class PauseChange : uint8_t { None, Pause, Resume };

class FramePause {
public:
    // The display's power state as the system reports it (GUID_CONSOLE_DISPLAY_STATE): 0 off, 1 on, 2 dimmed. A
    // dimmed display is still seen; a value the system may add later counts as on, so it never stops the snow
    // for good.
    PauseChange displayState(uint32_t state);
    // The display of this program's own session (GUID_SESSION_DISPLAY_STATUS), same values. In a remote session it
    // is the remote screen, where the console's display says nothing about who sees the snow; once it has been
    // heard from, it alone counts. Systems before Windows 8 send only the console's state.
    PauseChange sessionDisplayState(uint32_t state);
    // A session change of this program's session (the WTS_* codes of WM_WTSSESSION_CHANGE): a lock or a
    // disconnect of the console or of a remote connection pauses; an unlock, a connect resumes. Other codes
    // (logon, logoff, remote control) change nothing.
    PauseChange sessionChange(uint32_t code);

    bool paused() const
    {
        return (sessionDisplayKnown_ ? sessionDisplayOff_ : consoleDisplayOff_) || locked_ || disconnected_;
    }

private:
    PauseChange apply(bool wasPaused) const;

    bool consoleDisplayOff_ = false;
    bool sessionDisplayKnown_ = false;
    bool sessionDisplayOff_ = false;
    bool locked_ = false;
    bool disconnected_ = false;
};

}  // namespace nivora

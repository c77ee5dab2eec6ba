// Nothing drawn that nobody sees: whether the snow window makes frames while the display is off or the session is
// locked or disconnected, and the timers' schedules kept across such a pause so that they go on where they stopped.
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
    // A session change of this program's session (the WTS_* codes of WM_WTSSESSION_CHANGE): a lock or a
    // disconnect of the console or of a remote connection pauses; an unlock, a connect resumes. Other codes
    // (logon, logoff, remote control) change nothing.
    PauseChange sessionChange(uint32_t code);

    bool paused() const { return displayOff_ || locked_ || disconnected_; }

private:
    PauseChange apply(bool wasPaused) const;

    bool displayOff_ = false;
    bool locked_ = false;
    bool disconnected_ = false;
};

// The schedule of one periodic timer on a millisecond clock that can stop: a pause keeps what was left of the
// current wait, and the resume gives exactly that back, so ticks neither come early nor pile up after a pause.
class TimerSchedule {
public:
    // Armed (or re-armed) at `now`: the next tick is an interval away. Armed while paused, the interval starts
    // counting at the resume.
    void arm(uint64_t now, uint32_t intervalMs);
    // A tick arrived at `now`: the next one is an interval later.
    void tick(uint64_t now);
    // Stops the clock at `now`.
    void pause(uint64_t now);
    // Starts the clock again at `now`; returns the wait before the next tick: what was left when it paused. The
    // tick after that comes a whole interval later.
    uint32_t resume(uint64_t now);

    bool paused() const { return paused_; }
    uint32_t interval() const { return interval_; }
    // When the next tick is due; while paused, how long it still is once resumed.
    uint64_t due() const { return due_; }
    uint32_t left() const { return left_; }

private:
    uint32_t interval_ = 0;
    uint64_t due_ = 0;
    uint32_t left_ = 0;
    bool paused_ = false;
};

}  // namespace nivora

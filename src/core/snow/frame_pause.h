// Nothing drawn that nobody sees: the reasons for which the snow makes no frames (the display is off, the session is
// locked or away, the window is hidden, a test holds the picture), and whether any of them holds. The clocks keep
// what was left of their waits across the pause (FrameClock).
#pragma once

#include <cstdint>

namespace nivora {

// Each front end (Windows, X11, Wayland) says which of these holds, in its platform's terms: Windows from its power
// and session notifications, X11 from its window's mapping and visibility, Wayland from the compositor's frame
// callbacks.
enum class PauseReason : uint8_t {
    DisplayOff,     // the display that shows the snow is off
    SessionLocked,  // the user's session is locked
    SessionAway,    // the session is disconnected from every screen
    Hidden,         // nobody can see the snow: the window is unmapped, fully obscured or minimised, or the
                    // compositor sends it no frame callbacks
    HeldForTest,    // a test reads the picture (test build only)
};

// What the window layer has to do after a reason came or went.
enum class PauseChange : uint8_t { Unchanged, Pause, Resume };

class FramePause {
public:
    // Sets or clears one reason; a reason set twice is still one.
    PauseChange set(PauseReason reason, bool holds);
    bool holds(PauseReason reason) const { return (reasons_ & bit(reason)) != 0; }
    bool paused() const { return reasons_ != 0; }

private:
    static uint32_t bit(PauseReason reason) { return uint32_t{1} << static_cast<uint32_t>(reason); }

    uint32_t reasons_ = 0;
};

}  // namespace nivora

// Pausing the snow while nobody can see it.
#include "core/snow/frame_pause.h"

namespace nivora {

namespace {

// GUID_CONSOLE_DISPLAY_STATE's values.
constexpr uint32_t kDisplayOff = 0;

// WM_WTSSESSION_CHANGE's codes.
constexpr uint32_t kConsoleConnect = 1;
constexpr uint32_t kConsoleDisconnect = 2;
constexpr uint32_t kRemoteConnect = 3;
constexpr uint32_t kRemoteDisconnect = 4;
constexpr uint32_t kSessionLock = 7;
constexpr uint32_t kSessionUnlock = 8;

}  // namespace

PauseChange FramePause::apply(bool wasPaused) const
{
    if (wasPaused == paused())
        return PauseChange::None;
    return paused() ? PauseChange::Pause : PauseChange::Resume;
}

PauseChange FramePause::displayState(uint32_t state)
{
    const bool wasPaused = paused();
    consoleDisplayOff_ = state == kDisplayOff;
    return apply(wasPaused);
}

PauseChange FramePause::sessionDisplayState(uint32_t state)
{
    const bool wasPaused = paused();
    sessionDisplayKnown_ = true;
    sessionDisplayOff_ = state == kDisplayOff;
    return apply(wasPaused);
}

PauseChange FramePause::sessionChange(uint32_t code)
{
    const bool wasPaused = paused();
    switch (code) {
    case kSessionLock:
        locked_ = true;
        break;
    case kSessionUnlock:
        locked_ = false;
        break;
    // A session moving between the console and a remote connection is disconnected from one and then connected
    // to the other: the latest of the two counts.
    case kConsoleDisconnect:
    case kRemoteDisconnect:
        disconnected_ = true;
        break;
    case kConsoleConnect:
    case kRemoteConnect:
        disconnected_ = false;
        break;
    default:
        break;
    }
    return apply(wasPaused);
}

}  // namespace nivora

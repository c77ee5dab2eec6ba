// Windows' display states and session-change codes.
#include "session_pause.h"

namespace nivora::win32 {

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

void SessionPause::displayState(uint32_t state)
{
    consoleDisplayOff_ = state == kDisplayOff;
}

void SessionPause::sessionDisplayState(uint32_t state)
{
    sessionDisplayKnown_ = true;
    sessionDisplayOff_ = state == kDisplayOff;
}

void SessionPause::sessionChange(uint32_t code)
{
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
}

}  // namespace nivora::win32

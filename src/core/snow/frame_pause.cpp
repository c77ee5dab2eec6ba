// Pausing the snow while nobody can see it.
#include "core/snow/frame_pause.h"

namespace nivora {

PauseChange FramePause::set(PauseReason reason, bool holds)
{
    const bool wasPaused = paused();
    if (holds)
        reasons_ |= bit(reason);
    else
        reasons_ &= ~bit(reason);
    if (wasPaused == paused())
        return PauseChange::Unchanged;
    return paused() ? PauseChange::Pause : PauseChange::Resume;
}

}  // namespace nivora

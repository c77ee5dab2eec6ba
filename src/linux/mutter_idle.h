// GNOME's idle time: org.gnome.Mutter.IdleMonitor on the session bus, for a compositor with neither Wayland idle
// protocol.
#pragma once

#include <chrono>
#include <memory>

#include "idle_source.h"

namespace nivora::program {

// A source that is told when the user has been idle for `idle`; nothing when no session bus or no IdleMonitor
// answers.
std::unique_ptr<IdleSource> openMutterIdle(std::chrono::milliseconds idle);

}  // namespace nivora::program

// The compositor's idle time for `nivora --idle`: ext_idle_notifier_v1 where offered, else KDE's org_kde_kwin_idle
// (KWin, sway 1.7). Nothing of Wayland's headers comes with it.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "idle_source.h"

namespace nivora::wayland {

// A source told when the user of the compositor that WAYLAND_DISPLAY names has been idle for `idle`. Nothing when the
// compositor offers neither protocol (`problem` stays empty: the session bus may know), or when it cannot be reached
// (`problem` says so).
std::unique_ptr<program::IdleSource> openIdleNotify(std::chrono::milliseconds idle, std::string& problem);

}  // namespace nivora::wayland

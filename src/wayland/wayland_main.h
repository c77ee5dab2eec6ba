// The Wayland program's entry, for the one main of the Linux program: nothing of Wayland's headers comes with it.
#pragma once

#include "core/settings/linux_command_line.h"

namespace nivora::wayland {

// Runs the snow on the compositor that WAYLAND_DISPLAY names until it ends; the exit status. `stopFd` becomes
// readable when the program is told to end (SIGTERM, SIGINT).
int runSnow(const LinuxOptions& options, int stopFd);

}  // namespace nivora::wayland

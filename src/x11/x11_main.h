// The X11 display's entry, for the one main of the Linux program: nothing of Xlib's headers comes with it.
#pragma once

#include "core/settings/linux_command_line.h"

namespace nivora::x11 {

// Runs the snow on the X server that DISPLAY names until it ends; the exit status. `stopFd` becomes readable when
// the program is told to end (SIGTERM, SIGINT, SIGHUP).
int runSnow(const LinuxOptions& options, int stopFd);

}  // namespace nivora::x11

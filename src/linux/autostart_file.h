// `nivora --autostart on|off`: the user's XDG autostart entry that starts `nivora --idle` with the session.
#pragma once

#include "core/settings/linux_command_line.h"

namespace nivora::program {

// Writes (on) or removes (off) $XDG_CONFIG_HOME/autostart/nivora.desktop (~/.config when unset or not absolute),
// says so on standard output; the exit status, with one line on standard error when it fails.
int setAutostart(const LinuxOptions& options);

}  // namespace nivora::program

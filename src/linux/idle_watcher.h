// `nivora --idle`: the watcher that stays running, starts the snow as a child each time the user has been idle, and
// waits again once the snow has ended.
#pragma once

#include "core/settings/linux_command_line.h"
#include "idle_source.h"

namespace nivora::program {

// Whether the desktop says the snow must not start now: the session is locked, or idle is inhibited (GNOME's session
// manager, the freedesktop screen saver interface). Asked on the session bus; false where there is none.
class SessionBlocks {
public:
    SessionBlocks();
    ~SessionBlocks();
    SessionBlocks(const SessionBlocks&) = delete;
    SessionBlocks& operator=(const SessionBlocks&) = delete;

    bool now();

private:
    struct Bus;
    Bus* bus_ = nullptr;
};

// Runs the watcher over `source` until `stopFd` is readable (then the snow it started ends too: exit status 0) or
// the source is lost (1). The snow is this same program with `options.snowArguments` and the source's target.
int watchIdle(const LinuxOptions& options, IdleSource& source, int stopFd);

}  // namespace nivora::program

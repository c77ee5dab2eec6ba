// The X server's idle time for `nivora --idle`, from the MIT-SCREEN-SAVER extension. Nothing of Xlib's headers comes
// with it.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "idle_source.h"

namespace nivora::x11 {

// A source that finds when the user of the X server that DISPLAY names has been idle for `idle`; nothing, with
// `problem` saying why, when the display cannot be opened or has no MIT-SCREEN-SAVER.
std::unique_ptr<program::IdleSource> openScreenSaverIdle(std::chrono::milliseconds idle, std::string& problem);

}  // namespace nivora::x11

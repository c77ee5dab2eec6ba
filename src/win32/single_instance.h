// One full-screen saver or settings window per session, also when two starts come at the same moment.
#pragma once

#include <windows.h>

#include "core/settings/command_line.h"
#include "handles.h"

namespace nivora::win32 {

// The full-screen saver and the settings mode hold a named mutex of the session for their whole run. The caption
// test alone leaves a gap between a start's search and its window's caption in which a second start passes too;
// creating the mutex is one step, so only one of two such starts can win it.
class SingleInstance {
public:
    // True when this start may run. The full screen and the settings take the mutex and keep it until the program
    // ends; a preview takes nothing (a running preview blocks no start) but is refused while another holds it.
    bool admit(SaverMode mode);

private:
    using UniqueMutex = UniqueHandle<HandleTraits<HANDLE, &CloseHandle>>;
    UniqueMutex mutex_;
};

}  // namespace nivora::win32

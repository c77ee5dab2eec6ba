// Timers on Windows' own clock: a message loop that waits on a high-resolution waitable timer, so that a 20 ms
// frame comes every 20 ms and not on the 15.6 ms tick that WM_TIMER keeps (which makes it 31 ms).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace nivora::win32 {

// Microseconds of the performance counter.
int64_t clockNow();

// The message loop of a window whose timers run on clockNow(): after the messages waiting, `runDue` runs what is due
// and returns the microseconds until more is (FrameClock::kNever for nothing). Returns when WM_QUIT arrives.
int runClockedMessageLoop(const std::function<int64_t()>& runDue);

}  // namespace nivora::win32

// The X11 tests' seam: the held frame's count as a property of the window, where the tests read the picture. Built
// into each program, with NIVORA_TEST_HOOKS into nivora_test only; the shipped nivora sets nothing.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

namespace nivora::x11 {

// Says that the frames are held: the property _NIVORA_HELD_FRAMES on the window holds the count.
void announceHeld(Display* display, Window window, uint64_t frames);

}  // namespace nivora::x11

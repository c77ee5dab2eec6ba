// The tests' and benchmarks' seams: in the test build only, the frames stop after a given count so that a test can
// read the window and compare it with the core's frame of that count, and a benchmark can have the first minutes of
// frames run ahead. The shipped program has neither.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>

namespace nivora::x11 {

// NIVORA_HOLD_AFTER_FRAMES in the test build; always nothing in the shipped one.
std::optional<uint64_t> holdAfterFrames();
// NIVORA_FRAMES_AHEAD in the test build: frames made before the first one is shown, so that every flake is in the
// picture at once; always 0 in the shipped one.
uint64_t framesAhead();
// Says that the frames are held: the property _NIVORA_HELD_FRAMES on the window holds the count.
void announceHeld(Display* display, Window window, uint64_t frames);

}  // namespace nivora::x11

// The Linux tests' and benchmarks' seams, for both displays: in the test build only, the frames stop after a given
// count so that a test can read the screen and compare it with the core's frame of that count, frames can run
// ahead so that every flake is in the picture at once, and a compositor's screencopy can be ignored as if it had
// none. The shipped program has none of them: this file is built into each program, with NIVORA_TEST_HOOKS into
// nivora_test only.
#pragma once

#include <cstdint>
#include <optional>

namespace nivora::program {

// NIVORA_HOLD_AFTER_FRAMES in the test build; always nothing in the shipped one.
std::optional<uint64_t> holdAfterFrames();
// NIVORA_FRAMES_AHEAD in the test build: frames made before the first one is shown; 0 in the shipped one.
uint64_t framesAhead();
// NIVORA_TEST_NO_SCREENCOPY=1 in the test build: the screencopy global is passed over; false in the shipped one.
bool ignoreScreencopy();
// Says that the held frame is on the screen: writes the frame count into the file NIVORA_HELD_FILE names.
void announceHeld(uint64_t frames);

}  // namespace nivora::program

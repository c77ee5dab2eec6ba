// Test-only: hands the snow window's own picture to the end-to-end tests (see readback_protocol.h). In the shipped
// saver it never answers and runs no frames ahead.
#pragma once

#include <windows.h>

#include <cstdint>

namespace nivora::win32 {

class SurfaceReadback {
public:
    // Reads the environment once: the message is registered only when the tests ask for it.
    SurfaceReadback();

    // The registered message, or 0 when the tests have not asked for it (no message is ever 0).
    UINT message() const { return message_; }

    // Writes `width` x `height` pixels, rows `stride` pixels apart, into the mapping the test made for this process.
    // False when there is no such mapping or it is too small for them.
    static bool write(const uint32_t* pixels, int stride, int left, int top, int width, int height);

private:
    UINT message_ = 0;
};

// The frames the tests ask to run before the first one is shown (0 for a user's saver).
uint32_t testFramesAhead();

// Whether the tests ask the settings window to follow scale changes it is not at (false for a user's saver).
bool testTakesAnyScale();

}  // namespace nivora::win32

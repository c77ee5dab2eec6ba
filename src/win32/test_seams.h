// The end-to-end tests' seams (readback_protocol.h): the snow window's answers to their messages (its frame count,
// its own picture read back), the frames run ahead, the settings window following any scale. Only the test build
// (NIVORA_TEST_HOOKS) has them; the shipped saver registers no such message and reads no such variable.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace nivora::win32 {

class FrmMain;

// Answers the tests' messages to one snow window.
class SnowWindowSeam {
public:
    virtual ~SnowWindowSeam() = default;
    // The answer to a message of the tests; nothing for any other message.
    virtual std::optional<LRESULT> answer(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The seam of this snow window in the test build; null in the shipped saver.
std::unique_ptr<SnowWindowSeam> makeSnowWindowSeam(FrmMain& window);

// The frames the tests ask to run before the first one is shown (0 for a user's saver).
uint32_t testFramesAhead();

// Whether the tests ask the settings window to follow scale changes it is not at (false for a user's saver).
bool testTakesAnyScale();

}  // namespace nivora::win32

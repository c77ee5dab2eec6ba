// The option pictures as nivora.scr decodes them from its resources, for tests that compare them with the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace e2e {

// The picture of `row` 1..5, value `element`, at `size`, as 0x00RRGGBB pixels, top row first; empty when the saver
// gives none. Decoded by the saver's own code from nivora.scr beside the test program.
std::vector<uint32_t> savedOptionPicture(int row, int element, SIZE size);

}  // namespace e2e

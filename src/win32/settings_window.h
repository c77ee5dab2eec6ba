// The settings mode: the settings window and its overlay.
#pragma once

namespace nivora::win32 {

// Loads, places and shows the settings window and its overlay; false when the mode cannot run.
bool setUpSettings();

}  // namespace nivora::win32

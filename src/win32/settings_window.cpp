// The settings mode: the settings window and its overlay.
#include "settings_window.h"

namespace nivora::win32 {

bool setUpSettings() { return false; }

}  // namespace nivora::win32

// The argument text of this process's command line.
#pragma once

#include <string>

namespace nivora::win32 {

// What follows the program's own name on the command line, quoted or not (see core/settings/command_line.h).
std::u16string processArgumentText();

}  // namespace nivora::win32

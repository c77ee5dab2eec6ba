// Fuzzes the X11 program's command line: any arguments (the input split at NUL bytes, with any bytes in them) give
// either one line naming what is wrong, or options within the settings' ranges and a message of well-formed UTF-16
// no longer than the dialog keeps.
#include <algorithm>
#include <string_view>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "core/base/utf16.h"
#include "fuzz_support.h"

using namespace nivora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    for (size_t start = 0; start <= input.size();) {
        const size_t end = std::min(input.find('\0', start), input.size());
        arguments.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    // The last argument doubles as XScreenSaver's window variable.
    const LinuxCommandLine line = parseLinuxCommandLine(arguments, arguments.back());
    if (!line.error.empty()) {
        FUZZ_CHECK(line.error.find('\n') == std::string::npos, "an error of more than one line: %s",
                   line.error.c_str());
        return 0;
    }
    const SnowSettings& s = line.options.settings;
    FUZZ_CHECK(s.precipitation >= kPrecipitationSetting.range.minimum &&
                   s.precipitation <= kPrecipitationSetting.range.maximum,
               "precipitation %d", int(s.precipitation));
    FUZZ_CHECK(s.velocity >= float(kVelocitySetting.range.minimum) &&
                   s.velocity <= float(kVelocitySetting.range.maximum) && s.velocity == float(int(s.velocity)),
               "velocity %f", double(s.velocity));
    FUZZ_CHECK(s.blightness >= kBlightnessSetting.range.minimum && s.blightness <= kBlightnessSetting.range.maximum,
               "brightness %d", int(s.blightness));
    FUZZ_CHECK(s.messageText.size() <= size_t(kMessageTextSetting.range.maximum), "message of %zu units",
               s.messageText.size());
    for (size_t i = 0; i < s.messageText.size(); ++i) {
        const char16_t u = s.messageText[i];
        if (isHighSurrogate(u)) {
            FUZZ_CHECK(i + 1 < s.messageText.size() && isLowSurrogate(s.messageText[i + 1]), "half a pair at %zu", i);
            ++i;
        } else {
            FUZZ_CHECK(!isLowSurrogate(u), "a lone low surrogate at %zu", i);
        }
    }
    FUZZ_CHECK((line.options.target == DrawTarget::Window) == (line.options.windowId != 0), "window id %u",
               line.options.windowId);
    return 0;
}

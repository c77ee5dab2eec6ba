// Fuzzes the X11 program's command line: any arguments (the input split at NUL bytes, with any bytes in them) give
// either one line naming what is wrong, or options within the settings' ranges and a message of well-formed UTF-16
// no longer than the dialog keeps.
#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>
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
    // Every number setting the table holds, within its range in whole levels.
    forEachSetting([&](const auto& f) {
        using Value = std::remove_cvref_t<decltype(f.setting.defaultValue)>;
        if constexpr (std::is_same_v<Value, int16_t> || std::is_same_v<Value, float>) {
            const Value v = s.*f.field;
            FUZZ_CHECK(v >= Value(f.setting.range.minimum) && v <= Value(f.setting.range.maximum) && v == Value(int(v)),
                       "-%s %f", std::string(f.setting.optionName).c_str(), double(v));
        }
    });
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

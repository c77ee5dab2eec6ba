// Reading the X11 program's command line. Every setting's option comes from its row in the settings table.
#include "core/settings/linux_command_line.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "core/dialog/dialog_model.h"
#include "core/base/unicode_text.h"

namespace nivora {

namespace {

// Texts are built by appending: GCC 12 gives false -Wrestrict alarms on `"a" + std::string(...)` at -O3.
std::string joined(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (const std::string_view part : parts)
        text.append(part);
    return text;
}

// The length of the well-formed UTF-8 character at the start of `text` that a terminal shows as a character, or 0:
// a byte that starts no such character, a C1 control (U+0080..U+009F; a terminal takes U+009B as an escape), or a
// character that breaks the line or reorders what follows it on the screen (U+2028, U+2029, the bidi controls).
size_t shownCharacterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || text.size() < length)
        return 0;
    const std::optional<std::u16string> unit = utf16FromUtf8(text.substr(0, length));
    if (!unit)
        return 0;
    const char16_t c = unit->front();
    const bool hidden = (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x200E && c <= 0x200F) ||
                        (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x061C;
    return hidden ? 0 : length;
}

std::string quoted(std::string_view text)
{
    return quotedForTerminal(text);
}

// Digits only, the whole text: "07" is 7, "+7", " 7" and "7.0" are no numbers here.
template <class Int>
std::optional<Int> readWhole(std::string_view text, int base = 10)
{
    Int value{};
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// X window ids: decimal, or hexadecimal after 0x as XScreenSaver writes them; 0 is no window.
std::optional<uint32_t> readWindowId(std::string_view text)
{
    std::optional<uint32_t> id;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        id = readWhole<uint32_t>(text.substr(2), 16);
    else
        id = readWhole<uint32_t>(text);
    if (id == 0u)
        return std::nullopt;
    return id;
}

std::string rangeText(const SettingRange& range)
{
    return joined({std::to_string(range.minimum), " to ", std::to_string(range.maximum)});
}

std::string badValue(std::string_view value, std::string_view option, std::string_view expected)
{
    return joined({"bad value ", quoted(value), " for -", option, " (", expected, ")"});
}

// Sets one setting from its option's value; the error line otherwise. Numbers are whole levels within the range.
template <class Number>
requires std::is_same_v<Number, int16_t> || std::is_same_v<Number, float> std::string
setFromOption(SnowSettings& settings, const SettingField<Number, Number>& f, std::string_view value)
{
    const auto number = readWhole<int>(value);
    if (!number || *number < f.setting.range.minimum || *number > f.setting.range.maximum)
        return badValue(value, f.setting.optionName, rangeText(f.setting.range));
    settings.*f.field = static_cast<Number>(*number);
    return {};
}

std::string setFromOption(SnowSettings& settings, const SettingField<bool, bool>& f, std::string_view value)
{
    const SettingWords& words = f.setting.words;
    if (value != words[0] && value != words[1])
        return badValue(value, f.setting.optionName, joined({words[1], " or ", words[0]}));
    settings.*f.field = value == words[1];
    return {};
}

std::string setFromOption(SnowSettings& settings, const SettingField<std::u16string_view, std::u16string>& f,
                          std::string_view value)
{
    const std::optional<std::u16string> text = utf16FromUtf8(value);
    if (!text)
        return joined({"the value of -", f.setting.optionName, " is not valid UTF-8 text"});
    settings.*f.field = std::u16string(cutMessageText(*text));
    return {};
}

std::string defaultText(int16_t value, const SettingWords&)
{
    return std::to_string(value);
}
std::string defaultText(float value, const SettingWords&)
{
    return std::to_string(static_cast<int>(value));
}
std::string defaultText(bool value, const SettingWords& words)
{
    return std::string(words[value ? 1 : 0]);
}
std::string defaultText(std::u16string_view value, const SettingWords&)
{
    std::string ascii;
    for (const char16_t c : value)
        ascii += c < 0x80 ? static_cast<char>(c) : '?';
    return quoted(ascii);
}

template <class Value>
std::string valueHint(const Setting<Value>& setting)
{
    if constexpr (std::is_same_v<Value, bool>)
        return joined({setting.words[1], "|", setting.words[0]});
    else if constexpr (std::is_same_v<Value, std::u16string_view>)
        return "TEXT";
    else
        return joined({std::to_string(setting.range.minimum), "..", std::to_string(setting.range.maximum)});
}

// The usage lines' second column, and the width they keep within.
constexpr size_t kUsageColumn = 24;
constexpr size_t kUsageWidth = 80;  // a terminal's usual width

std::string usageLine(std::string_view option, std::string_view text)
{
    std::string line = joined({"  ", option});
    line.resize(std::max(line.size() + 1, kUsageColumn), ' ');
    return line.append(text).append("\n");
}

}  // namespace

std::string quotedForTerminal(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            if (const size_t length = shownCharacterLength(text.substr(i))) {
                out.append(text.substr(i, length));
                i += length;
                continue;
            }
        }
        if (c == '"' || c == '\\') {
            out.append({'\\', c});
        } else if (c == '\n') {
            out.append("\\n");
        } else if (c == '\t') {
            out.append("\\t");
        } else if (byte < 0x20 || byte >= 0x7F) {
            out.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]});
        } else {
            out += c;
        }
        ++i;
    }
    out += '"';
    return out;
}

LinuxCommandLine parseLinuxCommandLine(std::span<const std::string_view> arguments, std::string_view screensaverWindow)
{
    LinuxCommandLine line;
    LinuxOptions& o = line.options;
    bool root = false;
    std::optional<uint32_t> windowId;

    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        std::string_view name = argument;
        if (name.size() < 2 || name[0] != '-') {
            line.error = joined({"unexpected argument ", quoted(argument)});
            return line;
        }
        name.remove_prefix(name[1] == '-' ? 2 : 1);
        std::optional<std::string_view> inlineValue;
        if (const size_t equals = name.find('='); equals != std::string_view::npos) {
            inlineValue = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        // The value of an option that takes one: after '=' or the next argument.
        auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue)
                return inlineValue;
            if (i + 1 < arguments.size())
                return arguments[++i];
            line.error = joined({"option -", name, " needs a value"});
            return std::nullopt;
        };
        auto noValue = [&] {
            if (inlineValue)
                line.error = joined({"option -", name, " takes no value"});
            return !inlineValue;
        };

        if (name == "root") {
            if (!noValue())
                return line;
            root = true;
        } else if (name == "fullscreen") {
            if (!noValue())
                return line;
            o.fullscreen = true;
        } else if (name == "help" || name == "h") {
            if (!noValue())
                return line;
            o.help = true;
        } else if (name == "wayland" || name == "x11") {
            if (!noValue())
                return line;
            o.server = name == "wayland" ? DisplayServer::Wayland : DisplayServer::X11;
        } else if (name == "version") {
            if (!noValue())
                return line;
            o.version = true;
        } else if (name == "window-id") {
            const auto text = value();
            if (!text)
                return line;
            windowId = readWindowId(*text);
            if (!windowId) {
                line.error = badValue(*text, name, "a window id, decimal or 0x hexadecimal");
                return line;
            }
        } else if (name == "seed") {
            const auto text = value();
            if (!text)
                return line;
            o.seed = readWhole<uint64_t>(*text);
            if (!o.seed) {
                line.error = badValue(*text, name, "a whole number");
                return line;
            }
        } else {
            bool known = false;
            forEachSetting([&](const auto& f) {
                if (known || name != f.setting.optionName)
                    return;
                known = true;
                if (const auto text = value())
                    line.error = setFromOption(o.settings, f, *text);
            });
            if (!known)
                line.error = joined({"unknown option ", quoted(argument)});
            if (!line.error.empty())
                return line;
        }
    }

    // The own window over the whole screen and someone else's window are two targets: which one was meant?
    if (o.fullscreen && (root || windowId)) {
        line.error = joined({windowId ? "-window-id" : "-root", " and -fullscreen are two places to draw; give one"});
        return line;
    }
    if (!windowId && !screensaverWindow.empty()) {
        windowId = readWindowId(screensaverWindow);
        if (!windowId) {
            line.error = joined({"bad window id ", quoted(screensaverWindow), " in XSCREENSAVER_WINDOW"});
            return line;
        }
    }
    if (o.server == DisplayServer::Wayland && (windowId || root)) {
        line.error = windowId ? "a window id draws into an X11 window; it cannot go with --wayland"
                              : "-root draws on an X11 display; it cannot go with --wayland";
        return line;
    }
    if (windowId) {
        o.target = DrawTarget::Window;
        o.windowId = *windowId;
    } else if (root) {
        o.target = DrawTarget::Root;
    }
    return line;
}

bool drawsOnWayland(const LinuxOptions& options, bool waylandDisplay)
{
    switch (options.server) {
    case DisplayServer::Wayland:
        return true;
    case DisplayServer::X11:
        return false;
    case DisplayServer::Automatic:
        break;
    }
    return waylandDisplay && options.target == DrawTarget::OwnWindow;
}

template <class Value>
std::string settingUsage(const Setting<Value>& setting)
{
    const std::string option = joined({"-", setting.optionName, " ", valueHint(setting)});
    const std::string defaultPart = joined({"default ", defaultText(setting.defaultValue, setting.words)});
    const std::string meaning = setting.meaning();
    // A long default goes on a line of its own rather than past the terminal's edge.
    if (meaning.size() + defaultPart.size() + 2 + kUsageColumn > kUsageWidth)
        return usageLine(option, meaning + ";").append(usageLine("", defaultPart));
    return usageLine(option, joined({meaning, "; ", defaultPart}));
}

template std::string settingUsage(const Setting<int16_t>&);
template std::string settingUsage(const Setting<float>&);
template std::string settingUsage(const Setting<bool>&);
template std::string settingUsage(const Setting<std::u16string_view>&);

std::string linuxUsage()
{
    std::string text = "usage: nivora [options]\n"
                       "Snow that falls over the desktop and writes a message.\n"
                       "Where to draw (one of these; else a 1280 x 720 window of its own):\n";
    text.append(usageLine("-root", "the root window or virtual root; Ctrl+C or kill ends it"))
        .append(usageLine("-window-id ID", "window ID (decimal or 0x hex), or XSCREENSAVER_WINDOW's"))
        .append(usageLine("-fullscreen", "a window of its own over the whole screen"))
        .append(usageLine("--wayland, --x11", "this display; else Wayland where WAYLAND_DISPLAY is set"))
        .append("The snow:\n");
    forEachSetting([&](const auto& f) { text.append(settingUsage(f.setting)); });
    text.append(usageLine("-seed N", "the seed of the snow, to see the same snowfall again"))
        .append(usageLine("-help, -h", "this text"))
        .append(usageLine("-version", "the version"))
        .append("Options may begin with - or --; a value may follow after = (--velocity=3).\n"
                "In a window of its own, Escape, q or closing the window ends it.\n"
                "On Wayland, a key, a click or a mouse movement fades it out.\n");
    return text;
}

}  // namespace nivora

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
        const size_t first = i;
        bool forSnow = true;  // passed on to the snow that --idle starts
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
        } else if (name == "idle") {
            forSnow = false;
            const auto text = value();
            if (!text)
                return line;
            o.idle = readIdleTime(*text);
            if (!o.idle) {
                line.error = badValue(*text, name, "minutes, or a number with s, m or h; 1s to 24h");
                return line;
            }
        } else if (name == "autostart") {
            forSnow = false;
            const auto text = value();
            if (!text)
                return line;
            if (*text != "on" && *text != "off") {
                line.error = badValue(*text, name, "on or off");
                return line;
            }
            o.autostart = *text == "on";
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
        if (forSnow)
            o.snowArguments.insert(o.snowArguments.end(), arguments.begin() + ptrdiff_t(first),
                                   arguments.begin() + ptrdiff_t(i) + 1);
    }

    // The own window over the whole screen and someone else's window are two targets: which one was meant?
    if (o.fullscreen && (root || windowId)) {
        line.error = joined({windowId ? "-window-id" : "-root", " and -fullscreen are two places to draw; give one"});
        return line;
    }
    // The watcher starts the snow over the whole screen, and XScreenSaver's window is no business of a watcher
    // that runs where there is no XScreenSaver.
    if ((o.idle || o.autostart == true) && (root || windowId)) {
        line.error = joined(
            {windowId ? "-window-id" : "-root", " cannot go with --idle: it starts the snow over the whole screen"});
        return line;
    }
    if (o.autostart == true && !o.idle) {
        line.error = "--autostart on needs --idle DURATION: how long the user is idle before the snow";
        return line;
    }
    if (o.idle || o.autostart)
        return line;
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

std::optional<std::chrono::seconds> readIdleTime(std::string_view text)
{
    int64_t unit = 60;  // a bare number is minutes, as the desktops' own blanking settings count
    constexpr std::string_view kUnits = "smh";
    constexpr int64_t kUnitSeconds[] = {1, 60, 60 * 60};
    if (const size_t u = text.empty() ? std::string_view::npos : kUnits.find(text.back());
        u != std::string_view::npos) {
        unit = kUnitSeconds[u];
        text.remove_suffix(1);
    }
    const auto number = readWhole<uint32_t>(text);
    if (!number)
        return std::nullopt;
    const std::chrono::seconds idle{int64_t(*number) * unit};
    if (idle < kShortestIdle || idle > kLongestIdle)
        return std::nullopt;
    return idle;
}

std::string idleTimeText(std::chrono::seconds idle)
{
    const int64_t seconds = idle.count();
    if (seconds % 3600 == 0)
        return joined({std::to_string(seconds / 3600), "h"});
    if (seconds % 60 == 0)
        return joined({std::to_string(seconds / 60), "m"});
    return joined({std::to_string(seconds), "s"});
}

std::optional<std::string> desktopExecArgument(std::string_view argument)
{
    // The characters the Desktop Entry format reserves in Exec: an argument that holds one goes in double quotes.
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
    // Within double quotes, these four are escaped with a backslash.
    std::string exec;
    for (const char c : argument) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n' && c != '\t' && c != '\r') || byte == 0x7F)
            return std::nullopt;
        if (c == '\r')
            quote = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            exec += '\\';
        exec += c;
    }
    if (quote)
        exec = joined({"\"", exec, "\""});
    // Then as a key file's string, which is read before the quotes are: backslashes, line ends and tabs escaped;
    // and % doubled, since a single one starts a field code.
    std::string text;
    for (const char c : exec) {
        switch (c) {
        case '\\':
            text.append("\\\\");
            break;
        case '\n':
            text.append("\\n");
            break;
        case '\t':
            text.append("\\t");
            break;
        case '\r':
            text.append("\\r");
            break;
        case '%':
            text.append("%%");
            break;
        default:
            text += c;
        }
    }
    return text;
}

std::optional<std::string> autostartEntry(std::string_view program, const LinuxOptions& options)
{
    if (!options.idle)
        return std::nullopt;
    std::vector<std::string> arguments{std::string(program), "--idle", idleTimeText(*options.idle)};
    arguments.insert(arguments.end(), options.snowArguments.begin(), options.snowArguments.end());
    std::string exec;
    for (const std::string& argument : arguments) {
        const std::optional<std::string> written = desktopExecArgument(argument);
        if (!written)
            return std::nullopt;
        exec.append(exec.empty() ? "" : " ").append(*written);
    }
    return joined({"[Desktop Entry]\n"
                   "Type=Application\n"
                   "Name=Nivora\n"
                   "Comment=Snow over the desktop after ",
                   idleTimeText(*options.idle),
                   " idle\n"
                   "Exec=",
                   exec,
                   "\n"
                   "NoDisplay=true\n"
                   "X-GNOME-Autostart-enabled=true\n"});
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
        .append("Where no idle daemon starts it:\n")
        .append(usageLine("--idle DURATION", "stay, and snow after DURATION idle: 5 (minutes), 30s, 2m"))
        .append(usageLine("--autostart on|off", "run nivora --idle and these options with the session"))
        .append(usageLine("-help, -h", "this text"))
        .append(usageLine("-version", "the version"))
        .append("Options may begin with - or --; a value may follow after = (--velocity=3).\n"
                "In a window of its own, Escape, q or closing the window ends it.\n"
                "On Wayland, a key, a click or a mouse movement fades it out.\n");
    return text;
}

}  // namespace nivora

// The command line of the X11 program, as XScreenSaver starts its modules: where to draw, each setting as an
// option named by the settings table, and a seed to replay a run.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/settings.h"

namespace nivora {

enum class DrawTarget {
    OwnWindow,  // a window of the program's own
    Root,       // the root window, or the window manager's virtual root
    Window,     // a window made by someone else: XScreenSaver's, or one named by -window-id
};

// Which display the program draws on.
enum class DisplayServer {
    Automatic,  // Wayland when WAYLAND_DISPLAY is set and no X11 target is asked for, else X11
    Wayland,    // --wayland
    X11,        // --x11
};

struct LinuxOptions {
    SnowSettings settings;  // the defaults, changed by the options given; `velocity` is the wind option 0..12
    DrawTarget target = DrawTarget::OwnWindow;
    uint32_t windowId = 0;    // DrawTarget::Window
    bool fullscreen = false;  // the own window covers the whole screen
    std::optional<uint64_t> seed;
    bool help = false;     // print linuxUsage() and end
    bool version = false;  // print the version and end
    DisplayServer server = DisplayServer::Automatic;
    // --idle: stay running, and start the snow each time the user has been idle this long.
    std::optional<std::chrono::seconds> idle;
    // --autostart on|off: write or remove the session's autostart entry that runs `nivora --idle`, and end.
    std::optional<bool> autostart;
    // The arguments given without --idle and --autostart: what the snow that --idle starts is given.
    std::vector<std::string> snowArguments;
};

// The shortest and longest idle time of --idle: below a second it would start while the user types; a day is more
// than any desktop's own blanking waits.
inline constexpr std::chrono::seconds kShortestIdle{1};
inline constexpr std::chrono::seconds kLongestIdle{24 * 60 * 60};

// Either the options or one line that names the bad option or value (without the program's name or a newline).
struct LinuxCommandLine {
    LinuxOptions options;
    std::string error;
};

// `arguments` without the program's name. Each option may begin with one dash or two ("-root", "--root"), and its
// value may follow as the next argument or after '=' ("--velocity=3"). "-window-id ID" takes a decimal or 0x
// hexadecimal window id; without it, a window id in `screensaverWindow` (XScreenSaver's XSCREENSAVER_WINDOW, empty
// when unset) is where XScreenSaver wants the module to draw, also when it passes "-root". The message is UTF-8,
// cut to 128 UTF-16 units as the settings dialog cuts it. A later option overrides an earlier one. "--wayland"
// and "--x11" force the display; -root or a window id with --wayland is an error. "--idle DURATION" (readIdleTime)
// and "--autostart on|off" are the watcher's: they go with neither -root nor -window-id, "--autostart on" needs
// --idle, and with either XSCREENSAVER_WINDOW is not read, since the watcher runs where no XScreenSaver does.
LinuxCommandLine parseLinuxCommandLine(std::span<const std::string_view> arguments, std::string_view screensaverWindow);

// An idle time as --idle takes it: whole minutes ("5"), or a number with s, m or h ("30s", "2m", "1h"), within
// kShortestIdle..kLongestIdle.
std::optional<std::chrono::seconds> readIdleTime(std::string_view text);

// The idle time as --idle reads it back: "5m", "30s", "1h".
std::string idleTimeText(std::chrono::seconds idle);

// One argument of a desktop entry's Exec line (the XDG Desktop Entry format): in double quotes where it holds a
// blank or a character a shell would read, with the double quote, backquote, dollar and backslash escaped inside
// them; then escaped as a key file's string (backslash, line end, tab) and with % doubled. Nothing when it holds
// another control character, which a key file cannot carry.
std::optional<std::string> desktopExecArgument(std::string_view argument);

// The XDG autostart entry that runs `program --idle` with `options`' idle time and snow arguments when the session
// starts; nothing when an argument cannot be written into one (see desktopExecArgument).
std::optional<std::string> autostartEntry(std::string_view program, const LinuxOptions& options);

// Whether the program draws on Wayland: when forced, or when the session has a compositor (`waylandDisplay`:
// WAYLAND_DISPLAY is set and not empty) and the options ask for nothing that only X11 has (-root, a window id).
bool drawsOnWayland(const LinuxOptions& options, bool waylandDisplay);

// Text from the user or the environment as an error line shows it: in quotes, with control characters and whatever
// is no plain UTF-8 character written out byte by byte, so the line stays one line on the terminal, and the
// terminal's own, whatever was typed.
std::string quotedForTerminal(std::string_view text);

// The usage of one setting's option: its values, its meaning from the settings table and its default, on one line or
// two ("  -precipitation 0..4   100, 500, 1000, 2000 or 3000 flakes; default 1\n"). Made for the four value types
// of the table.
template <class Value>
std::string settingUsage(const Setting<Value>& setting);

// The options, one a line, with their ranges, what their values do and their defaults, from the settings table.
std::string linuxUsage();

}  // namespace nivora

// Entry of nivora for Linux: makes the process safe to run, reads the command line, chooses Wayland or X11, and
// runs the snow there until it is told to end; or, with --idle, watches for idleness and starts the snow each time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "autostart_file.h"
#include "core/settings/linux_command_line.h"
#include "idle_watcher.h"
#include "mutter_idle.h"
#include "nivora_version.h"
#include "stop_signals.h"
#ifdef NIVORA_WAYLAND
#include "idle_notify.h"
#include "wayland_main.h"
#endif
#ifdef NIVORA_X11
#include "screen_saver_idle.h"
#include "x11_main.h"
#endif

namespace {

// The displays this build can draw on, as --version says them.
#if defined(NIVORA_X11) && defined(NIVORA_WAYLAND)
constexpr const char* kDisplays = "X11, Wayland";
#elif defined(NIVORA_X11)
constexpr const char* kDisplays = "X11";
#elif defined(NIVORA_WAYLAND)
constexpr const char* kDisplays = "Wayland";
#else
#error "nivora needs at least one display: X11 or Wayland"
#endif

int runSnow(const nivora::LinuxOptions& options, int stopFd)
{
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    const bool onWayland = nivora::drawsOnWayland(options, waylandDisplay && *waylandDisplay);
#ifdef NIVORA_WAYLAND
    if (onWayland)
        return nivora::wayland::runSnow(options, stopFd);
#endif
#ifdef NIVORA_X11
    if (!onWayland)
        return nivora::x11::runSnow(options, stopFd);
#endif
    std::fprintf(stderr, "nivora: this nivora was built without %s\n", onWayland ? "Wayland" : "X11");
    return 1;
}

// `nivora --idle`: the idle time from the display the snow would draw on; on a compositor with neither Wayland idle
// protocol, from GNOME's session bus.
int watchIdle(const nivora::LinuxOptions& options, int stopFd)
{
    // The snow it starts covers the screen: an XScreenSaver window in the environment is not its place.
    unsetenv("XSCREENSAVER_WINDOW");
    const std::chrono::milliseconds idle = *options.idle;
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    const bool onWayland = nivora::drawsOnWayland(options, waylandDisplay && *waylandDisplay);
    std::unique_ptr<nivora::program::IdleSource> source;
    std::string problem = std::string("this nivora was built without ") + (onWayland ? "Wayland" : "X11");
#ifdef NIVORA_WAYLAND
    if (onWayland) {
        problem.clear();
        source = nivora::wayland::openIdleNotify(idle, problem);
        if (!source && problem.empty())
            source = nivora::program::openMutterIdle(idle);
        if (!source && problem.empty())
            problem =
                "the compositor tells no idle time: it offers neither ext_idle_notifier_v1 nor org_kde_kwin_idle, "
                "and no GNOME idle monitor answers on the session bus";
    }
#endif
#ifdef NIVORA_X11
    if (!onWayland) {
        problem.clear();
        source = nivora::x11::openScreenSaverIdle(idle, problem);
    }
#endif
    if (!source) {
        std::fprintf(stderr, "nivora: %s\n", problem.c_str());
        return 1;
    }
    return nivora::program::watchIdle(options, *source, stopFd);
}

}  // namespace

int main(int argc, char** argv)
{
    nivora::program::fillStandardFds();
    nivora::program::ignoreBrokenPipes();
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const char* screensaverWindow = std::getenv("XSCREENSAVER_WINDOW");
    const nivora::LinuxCommandLine line = nivora::parseLinuxCommandLine(arguments,
                                                                        screensaverWindow ? screensaverWindow : "");
    if (!line.error.empty()) {
        std::fprintf(stderr, "nivora: %s\n", line.error.c_str());
        return 2;
    }
    if (line.options.help) {
        std::fputs(nivora::linuxUsage().c_str(), stdout);
        return 0;
    }
    if (line.options.version) {
        std::printf("nivora %s (%s)\n", NIVORA_VERSION_STRING, kDisplays);
        return 0;
    }
    if (line.options.autostart)
        return nivora::program::setAutostart(line.options);
    nivora::program::StopSignals signals;
    if (!signals.listen()) {
        std::perror("nivora: signals");
        return 1;
    }
    try {
        return line.options.idle ? watchIdle(line.options, signals.fd()) : runSnow(line.options, signals.fd());
    } catch (const std::bad_alloc&) {
        // Pictures too large for the memory the program may have (a huge window or output, a ulimit): one line, not
        // an abort.
        std::fprintf(stderr, "nivora: not enough memory for the snow\n");
        return 1;
    }
}

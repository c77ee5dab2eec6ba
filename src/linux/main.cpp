// Entry of nivora for Linux: makes the process safe to run, reads the command line, chooses Wayland or X11, and
// runs the snow there until it is told to end.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "nivora_version.h"
#include "stop_signals.h"
#ifdef NIVORA_WAYLAND
#include "wayland_main.h"
#endif
#ifdef NIVORA_X11
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
    nivora::program::StopSignals signals;
    if (!signals.listen()) {
        std::perror("nivora: signals");
        return 1;
    }
    try {
        return runSnow(line.options, signals.fd());
    } catch (const std::bad_alloc&) {
        // Pictures too large for the memory the program may have (a huge window or output, a ulimit): one line, not
        // an abort.
        std::fprintf(stderr, "nivora: not enough memory for the snow\n");
        return 1;
    }
}

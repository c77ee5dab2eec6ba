// Entry of nivora for Linux: reads the command line, chooses Wayland or X11, and runs the snow there until it is
// told to end.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "nivora_version.h"
#include "snow_window.h"
#include "x_errors.h"
#ifdef NIVORA_WAYLAND
#include "wayland_main.h"
#endif

namespace {

int stopPipe[2] = {-1, -1};

// Started with any of fds 0-2 closed, the stop pipe or the X connection would take its number, and the first warning
// would be written into the pipe (an end at once) or into the X protocol stream (a hang). /dev/null fills them first.
void fillStandardFds()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        const int opened = open("/dev/null", O_RDWR);
        if (opened > 2)  // cannot happen while fd is free; never close a standard one
            close(opened);
    }
}

// SIGTERM is how XScreenSaver stops its modules, SIGINT is Ctrl+C, and SIGHUP a closed terminal: the main loop hears
// each through the pipe at once and ends as usual, removing what it made.
void onStop(int)
{
    const char byte = 1;
    const ssize_t written = write(stopPipe[1], &byte, 1);
    (void)written;
}

bool listenForStop()
{
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action{};
    action.sa_handler = &onStop;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0 &&
           sigaction(SIGHUP, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    fillStandardFds();
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const char* screensaverWindow = std::getenv("XSCREENSAVER_WINDOW");
    const nivora::LinuxCommandLine line =
        nivora::parseLinuxCommandLine(arguments, screensaverWindow ? screensaverWindow : "");
    if (!line.error.empty()) {
        std::fprintf(stderr, "nivora: %s\n", line.error.c_str());
        return 2;
    }
    if (line.options.help) {
        std::fputs(nivora::linuxUsage().c_str(), stdout);
        return 0;
    }
    if (line.options.version) {
        std::puts("nivora " NIVORA_VERSION_STRING);
        return 0;
    }
    if (!listenForStop()) {
        std::perror("nivora: signals");
        return 1;
    }
#ifdef NIVORA_WAYLAND
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    if (nivora::drawsOnWayland(line.options, waylandDisplay && *waylandDisplay))
        return nivora::wayland::runSnow(line.options, stopPipe[0]);
#endif

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "nivora: cannot open display %s\n",
                     nivora::quotedForTerminal(XDisplayName(nullptr)).c_str());
        return 1;
    }
    nivora::x11::installErrorHandlers();
    int status = 1;
    try {
        nivora::x11::SnowWindow window(display, line.options, stopPipe[0]);
        if (window.InitData())
            status = window.run();
    } catch (const std::bad_alloc&) {
        // A picture too large for the memory the program may have (a huge window, a ulimit): one line, not an abort.
        std::fprintf(stderr, "nivora: not enough memory for the snow\n");
        status = 1;
    }
    XCloseDisplay(display);
    return status;
}

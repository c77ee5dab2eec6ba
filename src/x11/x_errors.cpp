// Error handlers of the X11 program.
#include "x_errors.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace nivora::x11 {

namespace {

int trappedErrors = 0;  // Xlib's handlers take no context: errors of the one trap open at a time
Window watchedWindow = 0;  // the one window whose disappearance ends the program quietly

int noteError(Display*, XErrorEvent*)
{
    ++trappedErrors;
    return 0;
}

int endOnError(Display* display, XErrorEvent* event)
{
    if (watchedWindow != 0 && event->resourceid == watchedWindow &&
        (event->error_code == BadWindow || event->error_code == BadDrawable))
        std::exit(0);
    char text[256] = {};
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "nivora: X error: %s (request %d)\n", text, int(event->request_code));
    std::exit(1);
}

int endOnLostConnection(Display*)
{
    static const char line[] = "nivora: lost the connection to the X display\n";
    const ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
    (void)written;
    _exit(1);  // Xlib's state is gone: no exit handlers, no requests
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display) : display_(display)
{
    XSync(display_, False);
    trappedErrors = 0;
    previous_ = XSetErrorHandler(&noteError);
}

ErrorTrap::~ErrorTrap()
{
    XSync(display_, False);
    XSetErrorHandler(previous_);
}

bool ErrorTrap::passed() const
{
    XSync(display_, False);
    return trappedErrors == 0;
}

void endQuietlyWhenGone(Window window)
{
    watchedWindow = window;
}

void installErrorHandlers()
{
    XSetErrorHandler(&endOnError);
    XSetIOErrorHandler(&endOnLostConnection);
}

}  // namespace nivora::x11

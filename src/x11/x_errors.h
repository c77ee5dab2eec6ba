// X errors: caught around the few requests that may fail for reasons outside the program (a window that is gone,
// a server that refuses shared memory), and the end of the program when the connection is lost.
#pragma once

#include <X11/Xlib.h>

namespace nivora::x11 {

// While it lives, X errors are noted instead of ending the program; passed() syncs and tells whether none came.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    bool passed() const;

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*);
};

// A lost connection (the server ended, the display was closed under it) prints one line and ends with status 1;
// any other X error outside a trap prints one line and ends with status 1 too, rather than drawing into nothing.
void installErrorHandlers();

// From now on an error that says `window` no longer exists ends the program quietly with status 0: a window that
// another client destroys (XScreenSaver's, a foreign -window-id) is a normal end, and the DestroyNotify that says so
// may come after a request already failed on it.
void endQuietlyWhenGone(Window window);

}  // namespace nivora::x11

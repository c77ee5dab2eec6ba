// Built twice: with NIVORA_TEST_HOOKS into nivora_test, without into nivora, where it does nothing.
#include "frame_hold.h"

#include <X11/Xatom.h>

namespace nivora::x11 {

#ifdef NIVORA_TEST_HOOKS

void announceHeld(Display* display, Window window, uint64_t frames)
{
    const unsigned long count = frames;
    XChangeProperty(display, window, XInternAtom(display, "_NIVORA_HELD_FRAMES", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&count), 1);
    XFlush(display);
}

#else

void announceHeld(Display*, Window, uint64_t) {}

#endif

}  // namespace nivora::x11

// Built twice: with NIVORA_TEST_HOOKS into nivora_test, without into nivora, where both functions do nothing.
#include "frame_hold.h"

#include <X11/Xatom.h>

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace nivora::x11 {

#ifdef NIVORA_TEST_HOOKS

namespace {

std::optional<uint64_t> countFrom(const char* variable)
{
    const char* text = std::getenv(variable);
    if (!text)
        return std::nullopt;
    const std::string_view view(text);
    uint64_t frames = 0;
    const auto [end, ec] = std::from_chars(view.data(), view.data() + view.size(), frames);
    if (ec != std::errc() || end != view.data() + view.size())
        return std::nullopt;
    return frames;
}

}  // namespace

std::optional<uint64_t> holdAfterFrames()
{
    return countFrom("NIVORA_HOLD_AFTER_FRAMES");
}

uint64_t framesAhead()
{
    return countFrom("NIVORA_FRAMES_AHEAD").value_or(0);
}

void announceHeld(Display* display, Window window, uint64_t frames)
{
    const unsigned long count = frames;
    XChangeProperty(display, window, XInternAtom(display, "_NIVORA_HELD_FRAMES", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&count), 1);
    XFlush(display);
}

#else

std::optional<uint64_t> holdAfterFrames()
{
    return std::nullopt;
}

uint64_t framesAhead()
{
    return 0;
}

void announceHeld(Display*, Window, uint64_t) {}

#endif

}  // namespace nivora::x11

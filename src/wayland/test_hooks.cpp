// Built twice: with NIVORA_TEST_HOOKS into nivora_test, without into nivora, where every seam does nothing. The
// counts are read by the program's one seam for both displays (frame_hold.cpp, built the same way beside this).
#include "test_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "frame_hold.h"

namespace nivora::wayland {

std::optional<uint64_t> holdAfterFrames()
{
    return x11::holdAfterFrames();
}

uint64_t framesAhead()
{
    return x11::framesAhead();
}

#ifdef NIVORA_TEST_HOOKS

bool ignoreScreencopy()
{
    const char* text = std::getenv("NIVORA_TEST_NO_SCREENCOPY");
    return text && std::string_view(text) == "1";
}

void announceHeld(uint64_t frames)
{
    const char* path = std::getenv("NIVORA_HELD_FILE");
    if (!path)
        return;
    // Written whole under another name, then renamed: a reader never sees half a count.
    const std::string partial = std::string(path) + ".partial";
    if (FILE* file = std::fopen(partial.c_str(), "w")) {
        std::fprintf(file, "%llu\n", static_cast<unsigned long long>(frames));
        std::fclose(file);
        std::rename(partial.c_str(), path);
    }
}

#else

bool ignoreScreencopy()
{
    return false;
}

void announceHeld(uint64_t) {}

#endif

}  // namespace nivora::wayland

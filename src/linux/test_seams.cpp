// Built twice: with NIVORA_TEST_HOOKS into nivora_test, without into nivora, where every seam does nothing.
#include "test_seams.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace nivora::program {

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

std::optional<uint64_t> holdAfterFrames()
{
    return std::nullopt;
}

uint64_t framesAhead()
{
    return 0;
}

bool ignoreScreencopy()
{
    return false;
}

void announceHeld(uint64_t) {}

#endif

}  // namespace nivora::program

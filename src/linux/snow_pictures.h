// What X11 and Wayland do alike with the snow session beyond showing its frames: making or reshaping it, each
// screen's PicDesk and PicText, the test build's seams, and the lines said when the message has no font.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/settings/linux_command_line.h"
#include "core/snow/snow_session.h"
#include "message_faces.h"

namespace nivora::program {

// The run's session over `screens`: made on the first call, from the options' seed or else from the clock, the
// process and `place` (a window, say); reshaped on later ones, keeping the generator, the wind as it blows and the
// clocks.
void buildSession(std::optional<SnowSession>& session, const LinuxOptions& options, std::vector<SnowScreen> screens,
                  uint64_t place);

// The test build's seams, once every screen is attached: the frame to hold at, and the frames run ahead.
void applyTestSeams(SnowSession& session);

// Says once, when the settings have a message, that no face was found to write it with.
void warnWithoutFont(const MessageFaces& faces, const SnowSettings& settings);

// A picture the program owns, as the core draws on it: rows of `width` pixels, none between.
inline Surface surfaceOf(std::vector<Pixel>& pixels, int32_t width, int32_t height)
{
    return {pixels.data(), width, height, width};
}

// One screen's pictures as the program keeps them; picMain is the display's own (shared memory, a buffer's source).
class ScreenPictures {
public:
    // Makes PicDesk from `desktop` (the screen's drawing area as it shows, undimmed; empty where there is none),
    // prints the screen's message, if any, at `dpi` into a PicText read once, and attaches both with `picMain` to
    // screen i of `session`.
    void attach(SnowSession& session, size_t i, const Surface& picMain, const ConstSurface& desktop,
                MessageFaces& faces, double dpi);
    // PicDesk is read no more: a whole monitor of pixels less.
    void releaseDesk() { std::vector<Pixel>().swap(PicDesk_); }

private:
    std::vector<Pixel> PicDesk_;
};

}  // namespace nivora::program

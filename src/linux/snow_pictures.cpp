// The session's making and its pictures on Linux.
#include "snow_pictures.h"

#include <unistd.h>

#include <cstdio>

#include "event_loop.h"
#include "test_seams.h"

namespace nivora::program {

void buildSession(std::optional<SnowSession>& session, const LinuxOptions& options, std::vector<SnowScreen> screens,
                  uint64_t place)
{
    if (session) {
        session->reshape(std::move(screens));
        return;
    }
    const uint64_t seed = options.seed ? *options.seed : runSeed(uint64_t(clockNow()), uint64_t(getpid()), place);
    session.emplace(options.settings, std::move(screens), seed);
}

void applyTestSeams(SnowSession& session)
{
    if (const std::optional<uint64_t> frames = holdAfterFrames())
        session.holdAfter(*frames);
    session.runAhead(framesAhead());
}

void warnWithoutFont(const MessageFaces& faces, const SnowSettings& settings)
{
    if (faces.empty() && !settings.messageText.empty())
        std::fprintf(stderr, "nivora: no font for the message found; the snow falls without it\n");
}

void ScreenPictures::attach(SnowSession& session, size_t i, const Surface& picMain, const ConstSurface& desktop,
                            MessageFaces& faces, double dpi)
{
    const SnowArea& area = session.screen(i).area;
    const int32_t pictureWidth = session.pictureWidth(i), pictureHeight = session.pictureHeight(i);
    PicDesk_.assign(size_t(pictureWidth) * size_t(pictureHeight), kBlackPixel);

    // PicText only where a message is written; the session keeps a one-byte mask of it and never reads it again.
    std::vector<Pixel> text;
    if (!session.message(i).empty() && !faces.empty()) {
        text.assign(size_t(area.drawWidth) * size_t(area.drawHeight), kBlackPixel);
        faces.print(surfaceOf(text, area.drawWidth, area.drawHeight), session.message(i), dpi);
    }
    session.attach(i,
                   {picMain, surfaceOf(PicDesk_, pictureWidth, pictureHeight),
                    text.empty() ? Surface{} : surfaceOf(text, area.drawWidth, area.drawHeight)},
                   desktop);
}

}  // namespace nivora::program

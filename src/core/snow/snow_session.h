// The snow's whole life as a front end meets it, shaped as a screen-saver module's: made, pictures attached, run at
// a time (answering what to present and when to wake), reshaped, paused, told of input, freed. Every front end
// drives it the same way; it owns every decision about the snow that no platform needs to make.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/rect.h"
#include "core/settings/settings.h"
#include "core/snow/exit_fade.h"
#include "core/snow/frame_clock.h"
#include "core/snow/frame_pause.h"
#include "core/snow/random.h"
#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "core/snow/wind.h"

namespace nivora {

// What one monitor's window shows of the last frame.
struct Presentation {
    // The first frame shown after frames run ahead, whose changes since the last one shown are everywhere: `rects`
    // is then the whole drawing area (0, 0, drawWidth, drawHeight).
    bool whole = false;
    // In picMain's coordinates, none overlapping; presenting them presents the whole frame. Valid until the next
    // call that draws or reshapes.
    std::span<const Rect> rects;
};

// What the front end does after a call, in this order: free the PicDesk of every screen in `releasedDesks`; when
// `drawn`, present every monitor's presentation(); then carry out `fade` (FadeAction). When `held`, the test build's
// frame count is reached: the session makes no more frames, and the front end says so once the frame is shown.
struct SessionStep {
    bool drawn = false;
    FadeAction fade;
    // Screens whose PicDesk is read no more since the last step (see deskReleased). Valid until the next call.
    std::span<const size_t> releasedDesks;
    bool held = false;
};

// The life cycle, and who does what:
//   1. The front end lists the monitors with their scales and gets the screens from one of the entry points of
//      snow_screens.h, then makes the session with the settings and a seed (runSeed).
//   2. For each screen i it makes picMain and PicDesk of pictureWidth(i) x pictureHeight(i), 32-bit pixels, prints
//      message(i), if any, in white on black into a PicText of the drawing area's size, and hands them over with
//      attach(i, ...): with the desktop as it shows on the screen, which the session dims into PicDesk, or with
//      PicDesk already dimmed by the platform (Windows blends with GDI). The desktop is needed only when
//      wantsDesktop(settings).
//   3. In a test build it may runAhead(frames) and holdAfter(frames).
//   4. As the window shows: start(now), then carry out the step. From then on, run(now) whenever waitFrom(now) has
//      passed, and carry out each step. Times are microseconds of one monotonic clock of the front end's choosing.
//   5. It reports what it learns: pause(reason)/resume(reason), onKey/onClick/onPointerMove, and reshape when its
//      window changes size (then step 2 again for the new screens).
// No call draws into a picture except start, run and runAhead, and the input calls when they start the fade.
class SnowSession {
public:
    // Starts every screen's snow field from the settings: the message on the primary screen only, the stored wind
    // level as the live wind. One random generator from `seed` serves the whole run, fields and wind alike.
    SnowSession(const SnowSettings& settings, std::vector<SnowScreen> screens, uint64_t seed);
    // The fields hold the session's generator: a session stays where it was made.
    SnowSession(const SnowSession&) = delete;
    SnowSession& operator=(const SnowSession&) = delete;

    // The frame interval (Timer1).
    static constexpr std::chrono::microseconds kFrameInterval{20'000};

    size_t screenCount() const { return screens_.size(); }
    const SnowScreen& screen(size_t i) const { return screens_[i].screen; }
    // picMain's and PicDesk's size for screen i: its drawing area and the margin (kPictureMargin) each way.
    int32_t pictureWidth(size_t i) const;
    int32_t pictureHeight(size_t i) const;
    // The message to print into screen i's PicText: empty on every screen but the primary, and where the settings
    // have none; then no PicText is needed.
    const std::u16string& message(size_t i) const { return screens_[i].settings.messageText; }

    // Whether the settings show anything of the desktop: at brightness 0 the snow falls over black, and the desktop
    // need not be taken at all. Asked before the session is made: the desktop is taken before the snow covers it.
    static bool wantsDesktop(const SnowSettings& settings);

    // Screen i's pictures (see step 2). PicText (`text`, may be empty) is read here and never again: it may be freed
    // as soon as this returns. picMain must live until the session is reshaped or freed, PicDesk until
    // deskReleased(i). The next frame copies PicDesk whole into picMain.
    void attach(size_t i, const SnowSurfaces& pictures);
    // The same, with PicDesk made here: black, with `desktop` (the screen's drawing area as it shows, undimmed; its
    // top-left corner at the area's) blended over it at the settings' brightness. An empty `desktop` (none could be
    // taken) or brightness 0 leaves it black.
    void attach(size_t i, const SnowSurfaces& pictures, const ConstSurface& desktop);
    // Whether screen i's PicDesk is read no more: after its first frame the session keeps the part that snow can
    // still settle on (a few rows around the message, nothing where there is none), and the front end may free the
    // picture, a whole monitor of pixels.
    bool deskReleased(size_t i) const { return screens_[i].deskCut; }

    // Makes `frames` frames before the first one is shown, so that the snow has fallen into the picture: the test
    // build's seam. The next frame is then presented whole. The frames are not counted.
    void runAhead(uint64_t frames);
    // The test build's other seam: once `frames` frames are made, the session holds (PauseReason::HeldForTest) so that
    // a test can read the picture; the step that made the last one says `held`.
    void holdAfter(uint64_t frames) { holdAfter_ = frames; }

    // The first frame, made at once as the window shows; the clocks count from `now`: the next frame 20 ms later,
    // and with the automatic wind its first change 5 s later.
    SessionStep start(int64_t now);
    // Whatever is due at `now`: at most one frame, one step of the fade and one of the wind, in this order.
    SessionStep run(int64_t now);
    // Microseconds from `now` until run() has something to do: 0 when it has, FrameClock::kNever while paused or
    // before start().
    int64_t waitFrom(int64_t now) const;

    // What screen i shows of the last frame made (start, run or an input call that drew).
    Presentation presentation(size_t i) const;

    // A reason to make no frames came or went. While any holds, every clock stands still and keeps what was left
    // of its wait; the snow goes on where it stopped, with no burst of frames to make up for the time.
    PauseChange pause(PauseReason reason, int64_t now);
    PauseChange resume(PauseReason reason, int64_t now);
    bool paused() const { return pause_.paused(); }
    bool pausedFor(PauseReason reason) const { return pause_.holds(reason); }

    // Input on any monitor. The first key, click or real pointer move starts the fade (its step asks the front end
    // to begin it, and draws a frame); another key or click, or the fade's last step, ends the program. The
    // preview never ends on input; a front end without a fade simply never calls these. Pointer positions are in
    // pixels of one coordinate system for every monitor, so that a move from one monitor to another counts.
    SessionStep onKey(int64_t now);
    SessionStep onClick(int64_t now);
    SessionStep onPointerMove(float x, float y, int64_t now);

    // The window changed size: new fields over `screens`, drawing on from the same generator, in the wind as it
    // blows now. Every screen must be attached again (step 2); the pictures of the old screens are no longer read.
    // The clocks go on.
    void reshape(std::vector<SnowScreen> screens);

    // The live wind, in pixels per frame, on every monitor: the stored level's wind at the start, then as the
    // automatic wind moves it. The settings keep the stored level.
    float wind() const { return wind_; }
    bool automaticWind() const { return automaticWind_; }
    // Frames made since start(), the first one included.
    uint64_t frameCount() const { return frameCount_; }
    const SnowField& field(size_t i) const { return screens_[i].field; }

private:
    struct ScreenSnow {
        SnowScreen screen;
        SnowSettings settings;  // this screen's own: the message on the primary only
        SnowField field;
        Surface desk;                 // PicDesk as attached, until cut
        std::vector<Pixel> deskPart;  // what frames still read of it once cut
        bool deskCut = false;
        Rect whole;  // the drawing area
    };

    void startFields(std::vector<SnowScreen> screens);
    void drawFrame();                            // every screen's frame
    void frame(SessionStep& step, int64_t now);  // a frame that is shown
    SessionStep carryOut(const FadeAction& action, int64_t now);
    void reportReleased(SessionStep& step);
    PauseChange hold(PauseReason reason, bool holds, int64_t now);
    void windStep(int64_t now);
    bool preview() const;

    SnowSettings settings_;
    Random random_;
    std::vector<ScreenSnow> screens_;
    float wind_ = 0;
    bool automaticWind_ = false;
    AutoWind autoWind_;
    ExitFade fade_;
    FrameClock frameClock_;  // Timer1
    FrameClock fadeClock_;   // Timer2
    FrameClock windClock_;   // Timer3
    FramePause pause_;
    bool presentWhole_ = false;  // the last frame is presented whole
    bool wholeNext_ = false;     // and so is the next one
    uint64_t frameCount_ = 0;
    std::optional<uint64_t> holdAfter_;
    std::vector<size_t> released_;  // PicDesks let go since the last step
    std::vector<size_t> reported_;  // those the last step named
};

}  // namespace nivora

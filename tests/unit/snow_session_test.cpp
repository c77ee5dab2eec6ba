// The snow session as a front end drives it, on a fake clock: a minute of snow on two monitors at two scales equal to
// the reference frames through a pause and a reshape, what it asks to present, the wind's schedule, the pause's
// reasons and the fade.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/snow/random.h"
#include "core/snow/snow_reference.h"
#include "core/snow/snow_screens.h"
#include "core/snow/snow_session.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using snowtest::Image;
using Kind = FadeAction::Kind;

constexpr uint64_t kSeed = 2026;

SnowSettings testSettings(bool automaticWind = false)
{
    SnowSettings s;
    s.precipitation = 1;  // 500 flakes a monitor
    s.velocity = 8;       // a wind of +10 pixels a frame
    s.direction = automaticWind;
    s.messageText = u"Snow";
    return s;
}

std::vector<SnowScreen> screensOf(const Rect& window, std::vector<ListedMonitor> monitors)
{
    std::optional<std::vector<SnowScreen>> screens = snowScreensFor(window, monitors);
    EXPECT_TRUE(screens);
    return screens ? *screens : std::vector<SnowScreen>{};
}

// The primary monitor at 100 %, the second at 150 %.
std::vector<SnowScreen> twoMonitors()
{
    return screensOf({0, 0, 560, 240}, {{{0, 0, 320, 200}, true, 1.0}, {{320, 0, 560, 240}, false, 1.5}});
}

// After the reshape: both larger, the second at 200 %.
std::vector<SnowScreen> twoLargerMonitors()
{
    return screensOf({0, 0, 720, 300}, {{{0, 0, 400, 260}, true, 1.0}, {{400, 0, 720, 300}, false, 2.0}});
}

// A desktop of grey stripes: every pixel's unused top byte clear, as the blend leaves it.
Image makeDesk(int32_t w, int32_t h)
{
    Image img(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            img.at(x, y) = ((x * 7 + y * 13) & 0x7F) * 0x010101u;
    return img;
}

// The message as printed: a white block in the lower right, where snow settles.
Image makeText(int32_t w, int32_t h)
{
    Image img(w, h, kBlackPixel);
    for (int32_t y = h * 3 / 4; y < h * 3 / 4 + 20; ++y)
        for (int32_t x = w / 2; x < w - 20; ++x)
            img.at(x, y) = kWhitePixel;
    return img;
}

// One monitor as a front end holds it (picMain, PicDesk, what the screen shows) beside the same monitor drawn by the
// reference frames.
struct MonitorRun {
    Image main, desk, screen;
    Image refMain, refDesk, refText;
    SnowField refField;
    std::unique_ptr<RasterDevice> device;
};

// The front end's side of a session, and the reference snow from the same seed, one generator for both monitors.
class SessionRun {
public:
    SessionRun(const SnowSettings& settings, std::vector<SnowScreen> screens)
        : settings_(settings), session(settings, screens, kSeed), reference_(kSeed)
    {
        attachAll();
    }

    void reshape(std::vector<SnowScreen> screens)
    {
        session.reshape(screens);
        attachAll();
    }

    // What a front end does after a step that drew: presents; and the reference draws the same frame.
    void drawn(const SessionStep& step)
    {
        if (!step.drawn)
            return;
        for (size_t i = 0; i < monitors_.size(); ++i) {
            MonitorRun& m = *monitors_[i];
            for (const Rect& r : session.presentation(i).rects)
                for (int32_t y = r.top; y < r.bottom; ++y)
                    for (int32_t x = r.left; x < r.right; ++x)
                        m.screen.at(x, y) = m.main.at(x, y);
            drawSnowReference(m.refField, *m.device);
        }
        ++framesSeen_;
    }

    // Runs the session as a message loop would until `until`, waking when it asks; every frame is checked.
    void runUntil(int64_t until)
    {
        for (;;) {
            const int64_t wait = session.waitFrom(now);
            if (wait == FrameClock::kNever || now + wait > until)
                break;
            now += wait;
            drawn(session.run(now));
            expectScreensAreReference();
            if (HasFailure())
                return;
        }
        now = until;
    }

    // What each monitor's screen shows is the reference's picMain in the drawing area, pixel for pixel.
    void expectScreensAreReference()
    {
        for (size_t i = 0; i < monitors_.size(); ++i) {
            const MonitorRun& m = *monitors_[i];
            Image expected(m.screen.width, m.screen.height);
            for (int32_t y = 0; y < expected.height; ++y)
                for (int32_t x = 0; x < expected.width; ++x)
                    expected.at(x, y) = m.refMain.at(x, y);
            if (m.screen.pixels != expected.pixels) {
                std::ostringstream tag;
                tag << "session-monitor" << i << "-frame" << framesSeen_;
                ADD_FAILURE() << "monitor " << i << " differs from the reference in frame " << framesSeen_ << "; see "
                              << snowtest::writeMismatch(tag.str(), "screen", m.screen.view(), expected.view());
                return;
            }
        }
    }

    static bool HasFailure() { return ::testing::Test::HasFailure(); }

    const SnowSettings settings_;
    SnowSession session;
    int64_t now = 0;

private:
    void attachAll()
    {
        monitors_.clear();
        for (size_t i = 0; i < session.screenCount(); ++i) {
            const SnowScreen& screen = session.screen(i);
            const int32_t w = screen.area.drawWidth, h = screen.area.drawHeight;
            auto m = std::make_unique<MonitorRun>();
            m->main = Image(session.pictureWidth(i), session.pictureHeight(i), 0x00123456u);
            m->desk = makeDesk(session.pictureWidth(i), session.pictureHeight(i));
            m->screen = Image(w, h, kBlackPixel);
            Image text = session.message(i).empty() ? Image() : makeText(w, h);
            session.attach(i, {m->main.view(), m->desk.view(), text.view()});
            text = Image();  // the session reads PicText only while it is attached

            // The reference: the same pictures, and its fields started in the same order from its own generator,
            // which the frames leave exactly where the session's is.
            m->refMain = Image(w + 10, h + 10);
            m->refDesk = makeDesk(w + 10, h + 10);
            m->refText = session.message(i).empty() ? Image(w, h, kBlackPixel) : makeText(w, h);
            m->refField.InitData(screenSettings(settings_, screen), screen.area, reference_);
            m->device = std::make_unique<RasterDevice>(
                SnowSurfaces{m->refMain.view(), m->refDesk.view(), m->refText.view()}, m->refField.sprites());
            monitors_.push_back(std::move(m));
        }
    }

    Random reference_;
    std::vector<std::unique_ptr<MonitorRun>> monitors_;
    uint64_t framesSeen_ = 0;
};

TEST(SnowSession, AMinuteOnTwoMonitorsAtTwoScalesIsTheReferenceSnowThroughAPauseAndAReshape)
{
    SessionRun run(testSettings(), twoMonitors());
    SnowSession& session = run.session;
    ASSERT_EQ(session.screenCount(), 2u);
    EXPECT_EQ(session.pictureWidth(0), 330);
    EXPECT_EQ(session.pictureHeight(1), 250);
    EXPECT_EQ(session.message(0), u"Snow");
    EXPECT_EQ(session.message(1), u"") << "the message is written on the primary monitor only";
    EXPECT_EQ(session.field(1).area().scale, 1.5);
    EXPECT_EQ(session.wind(), 10.0f);
    EXPECT_FALSE(session.deskReleased(0));
    EXPECT_EQ(session.waitFrom(0), FrameClock::kNever) << "nothing runs before the start";

    run.drawn(session.start(0));
    run.expectScreensAreReference();
    EXPECT_EQ(session.frameCount(), 1u);
    EXPECT_TRUE(session.deskReleased(0) && session.deskReleased(1)) << "PicDesk is let go after the first frame";
    EXPECT_EQ(session.waitFrom(0), 20'000);

    run.runUntil(30'010'000);
    ASSERT_FALSE(::testing::Test::HasFailure());
    EXPECT_EQ(session.frameCount(), 1501u);

    // Ten seconds with the display off: no frame, no wake-up; then on where it stopped.
    EXPECT_EQ(session.pause(PauseReason::DisplayOff, 30'010'000), PauseChange::Pause);
    EXPECT_EQ(session.waitFrom(30'010'000), FrameClock::kNever);
    run.now = 40'010'000;
    EXPECT_EQ(session.frameCount(), 1501u);
    EXPECT_EQ(session.resume(PauseReason::DisplayOff, 40'010'000), PauseChange::Resume);
    EXPECT_EQ(session.waitFrom(40'010'000), 10'000) << "what was left of the wait";
    run.runUntil(70'000'000);
    ASSERT_FALSE(::testing::Test::HasFailure());
    EXPECT_EQ(session.frameCount(), 3001u) << "a minute of frames in seventy seconds with ten paused";

    // The window grows: new fields from the same generator, in the same wind, on new pictures.
    run.reshape(twoLargerMonitors());
    ASSERT_EQ(session.screenCount(), 2u);
    EXPECT_EQ(session.field(1).area().scale, 2.0);
    EXPECT_EQ(session.field(1).velocity, 10.0f);
    run.runUntil(80'000'000);
    ASSERT_FALSE(::testing::Test::HasFailure());
    EXPECT_EQ(session.frameCount(), 3501u);
    EXPECT_EQ(session.wind(), 10.0f) << "a fixed wind never changes";
}

TEST(SnowSession, FramesRunAheadAreShownWholeInTheFirstFrame)
{
    SessionRun run(testSettings(), twoMonitors());
    SnowSession& session = run.session;
    session.runAhead(300);
    EXPECT_TRUE(session.deskReleased(0));
    EXPECT_EQ(session.frameCount(), 0u) << "frames run ahead are not counted";
    // The reference catches up with the frames run ahead, unseen.
    SessionStep drawn;
    drawn.drawn = true;
    for (int i = 0; i < 300; ++i)
        run.drawn(drawn);

    ASSERT_TRUE(session.start(1'000).drawn);
    for (size_t i = 0; i < 2; ++i) {
        const Presentation p = session.presentation(i);
        EXPECT_TRUE(p.whole);
        ASSERT_EQ(p.rects.size(), 1u);
        EXPECT_EQ(p.rects[0], (Rect{0, 0, session.screen(i).area.drawWidth, session.screen(i).area.drawHeight}));
    }
    run.drawn(drawn);
    run.expectScreensAreReference();
    EXPECT_EQ(session.frameCount(), 1u);

    ASSERT_TRUE(session.run(21'000).drawn);
    EXPECT_FALSE(session.presentation(0).whole) << "then only what changed";
}

TEST(SnowSession, TheWindChangesOnItsOwnScheduleOnlyWhenAutomatic)
{
    struct Case {
        const char* name;
        bool automatic;
        std::vector<int64_t> firstChanges;  // when the wind changed, microseconds, the first three
    };
    const Case cases[] = {
        {"fixed", false, {}},
        // The first wind tick at 5 s draws a target and the time to the next (3.887 s with this seed); from then on
        // a step every 100 ms.
        {"automatic", true, {8'887'000, 8'987'000, 9'087'000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRun run(testSettings(c.automatic), twoMonitors());
        SnowSession& session = run.session;
        EXPECT_EQ(session.automaticWind(), c.automatic);
        session.start(0);
        std::vector<int64_t> changes;
        float wind = session.wind();
        for (int64_t now = 0; now < 60'000'000 && changes.size() < 3;) {
            now += session.waitFrom(now);
            session.run(now);
            if (session.wind() != wind)
                changes.push_back(now);
            wind = session.wind();
            EXPECT_EQ(session.field(0).velocity, wind);
            EXPECT_EQ(session.field(1).velocity, wind) << "one wind over every monitor";
        }
        EXPECT_EQ(changes, c.firstChanges);
        EXPECT_EQ(testSettings(c.automatic).velocity, 8.0f) << "the stored level stays apart";
    }
}

TEST(SnowSession, AReshapeKeepsTheLiveWindAndItsCourse)
{
    SessionRun run(testSettings(true), twoMonitors());
    SnowSession& session = run.session;
    session.start(0);
    // Runs until the wind has changed `changes` times; gives the time of the last change.
    auto runUntilChanges = [&session](int64_t from, int changes) {
        int64_t now = from;
        for (float wind = session.wind(); changes > 0 && now < 60'000'000;) {
            now += session.waitFrom(now);
            session.run(now);
            if (session.wind() != wind)
                --changes;
            wind = session.wind();
        }
        return now;
    };
    // The automatic wind's first three steps of 0.375 away from the stored level's +10, towards the target it drew.
    EXPECT_EQ(runUntilChanges(0, 3), 9'087'000);
    EXPECT_EQ(session.wind(), 8.875f);

    run.reshape(twoLargerMonitors());
    EXPECT_EQ(session.wind(), 8.875f) << "the wind blows on as it was";
    for (size_t i = 0; i < session.screenCount(); ++i)
        EXPECT_EQ(session.field(i).velocity, 8.875f) << "screen " << i;
    // Its clock and its target go on: the next step comes 100 ms after the last, on towards the same target.
    EXPECT_EQ(runUntilChanges(9'087'000, 1), 9'187'000);
    EXPECT_EQ(session.wind(), 8.5f);
    EXPECT_EQ(session.field(1).velocity, 8.5f);
}

TEST(SnowSession, AnyReasonHoldsTheFramesUntilTheLastGoes)
{
    SessionRun run(testSettings(), twoMonitors());
    SnowSession& session = run.session;
    // Hidden from the start: no first frame until it shows, and then a whole interval later.
    EXPECT_EQ(session.pause(PauseReason::Hidden, 0), PauseChange::Pause);
    EXPECT_FALSE(session.start(0).drawn);
    EXPECT_EQ(session.frameCount(), 0u);
    EXPECT_EQ(session.pause(PauseReason::HeldForTest, 5'000), PauseChange::Unchanged);
    EXPECT_EQ(session.resume(PauseReason::Hidden, 10'000), PauseChange::Unchanged);
    EXPECT_EQ(session.waitFrom(10'000), FrameClock::kNever) << "still held";
    EXPECT_EQ(session.resume(PauseReason::HeldForTest, 15'000), PauseChange::Resume);
    EXPECT_FALSE(session.paused());
    EXPECT_EQ(session.waitFrom(15'000), 20'000);
    EXPECT_FALSE(session.run(34'999).drawn);
    EXPECT_TRUE(session.run(35'000).drawn);
    EXPECT_EQ(session.frameCount(), 1u);
}

TEST(SnowSession, InputStartsTheFadeWhichEndsTheProgram)
{
    struct Case {
        const char* name;
        bool preview;
        std::vector<FadeAction> expected;  // the pointer resting, moving; then every fade step, 200 ms apart
    };
    std::vector<FadeAction> fading{{Kind::Nothing, 255}, {Kind::BeginFadeOut, 255}};
    for (const uint8_t opacity : {223, 191, 159, 127, 95, 63, 31})
        fading.push_back({Kind::SetOpacity, opacity});
    fading.push_back({Kind::Unload, 0});
    const Case cases[] = {
        {"full screen", false, fading},
        {"preview", true, {{Kind::Nothing, 255}, {Kind::Nothing, 255}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SnowArea box{152, 112, SnowMode::Preview, 112.0f / 768.0f};
        std::vector<SnowScreen> screens = c.preview ? std::vector<SnowScreen>{{{0, 0, 152, 112}, 0, 0, box, true}}
                                                    : twoMonitors();
        SnowSession session(testSettings(), screens, kSeed);
        std::vector<Image> pictures;
        for (size_t i = 0; i < session.screenCount(); ++i) {
            pictures.emplace_back(session.pictureWidth(i), session.pictureHeight(i));
            pictures.emplace_back(makeDesk(session.pictureWidth(i), session.pictureHeight(i)));
            session.attach(i, {pictures[pictures.size() - 2].view(), pictures.back().view(), {}});
        }
        session.start(0);
        std::vector<FadeAction> actions;
        actions.push_back(session.onPointerMove(10, 10, 5'000).fade);
        const SessionStep moved = session.onPointerMove(30, 40, 10'000);
        actions.push_back(moved.fade);
        EXPECT_EQ(moved.drawn, !c.preview) << "the fade starts from a frame of its own";
        for (int64_t now = 10'000; now < 3'000'000;) {
            now += session.waitFrom(now);
            const SessionStep step = session.run(now);
            if (step.fade.kind != Kind::Nothing)
                actions.push_back(step.fade);
        }
        EXPECT_EQ(actions, c.expected);
    }
}

// Linux hands the session the desktop as it shows, undimmed: PicDesk becomes black with the desktop blended over it
// at the brightness, whatever it held before; the margin stays black.
TEST(SnowSession, TheDesktopIsDimmedIntoPicDeskByTheBrightness)
{
    struct Case {
        int16_t blightness;
        bool wanted;
        Pixel inside;  // a desktop pixel of 0x00C08040 after the blend
    };
    const Case cases[] = {
        {0, false, 0x00000000}, {1, true, 0x002F2010}, {2, true, 0x00604020},
        {4, true, 0x00C08040},  {9, true, 0x00C08040}, {-3, false, 0x00000000},
    };
    for (const Case& c : cases) {
        SnowSettings settings = testSettings();
        settings.blightness = c.blightness;
        EXPECT_EQ(SnowSession::wantsDesktop(settings), c.wanted) << c.blightness;
        SnowSession session(settings, screensOf({0, 0, 64, 48}, {{{0, 0, 64, 48}, true}}), kSeed);
        Image main(74, 58), desk(74, 58, 0x12345678u), desktop(64, 48, 0x00C08040u), noDesktop;
        session.attach(0, {main.view(), desk.view(), {}}, desktop.view());
        EXPECT_EQ(desk.at(0, 0), c.inside) << c.blightness;
        EXPECT_EQ(desk.at(63, 47), c.inside) << c.blightness;
        EXPECT_EQ(desk.at(64, 47), kBlackPixel) << c.blightness;
        EXPECT_EQ(desk.at(70, 57), kBlackPixel) << c.blightness;
        session.attach(0, {main.view(), desk.view(), {}}, noDesktop.view());
        EXPECT_EQ(desk.at(10, 10), kBlackPixel) << "no desktop could be taken: black, " << c.blightness;
    }
}

// The steps say what the front end must do: which PicDesks it may free, once, and when the test build's frame is
// held.
TEST(SnowSession, StepsNameTheReleasedDesksOnceAndTheHeldFrame)
{
    SessionRun run(testSettings(), twoMonitors());
    SnowSession& session = run.session;
    session.holdAfter(3);
    const SessionStep first = session.start(0);
    EXPECT_EQ(std::vector<size_t>(first.releasedDesks.begin(), first.releasedDesks.end()), (std::vector<size_t>{0, 1}));
    EXPECT_FALSE(first.held);
    const SessionStep second = session.run(20'000);
    EXPECT_TRUE(second.drawn);
    EXPECT_TRUE(second.releasedDesks.empty()) << "named once";
    EXPECT_FALSE(second.held);
    const SessionStep third = session.run(40'000);
    EXPECT_TRUE(third.drawn);
    EXPECT_TRUE(third.held);
    EXPECT_EQ(session.frameCount(), 3u);
    EXPECT_TRUE(session.pausedFor(PauseReason::HeldForTest));
    EXPECT_EQ(session.waitFrom(40'000), FrameClock::kNever) << "no frame after the held one";

    // Frames run ahead cut the desks unseen: the first step shown names them.
    SessionRun ahead(testSettings(), twoMonitors());
    ahead.session.runAhead(2);
    EXPECT_EQ(ahead.session.start(0).releasedDesks.size(), 2u);
}

TEST(SnowSession, RunSeedsDifferWhenAnyOfTheirPartsDoes)
{
    const uint64_t seed = runSeed(1'000'000, 4242, 0x1e00007);
    EXPECT_EQ(seed, runSeed(1'000'000, 4242, 0x1e00007)) << "the same parts, the same seed";
    EXPECT_NE(seed, runSeed(1'000'001, 4242, 0x1e00007));
    EXPECT_NE(seed, runSeed(1'000'000, 4243, 0x1e00007));
    EXPECT_NE(seed, runSeed(1'000'000, 4242, 0x1e00008));
    EXPECT_NE(runSeed(1, 2, 3), runSeed(3, 2, 1)) << "the parts are not simply mixed together";
}

}  // namespace
}  // namespace nivora

namespace nivora {
namespace {

// Paused before the window shows: no clock runs, so a front end that wakes for its own reasons finds nothing due and
// the automatic wind stays as stored; after the resume every clock counts from there.
TEST(SnowSession, AStartWhilePausedWakesForNothingAndKeepsTheWindUntilTheResume)
{
    SessionRun run(testSettings(true), twoMonitors());
    SnowSession& session = run.session;
    EXPECT_EQ(session.pause(PauseReason::DisplayOff, 0), PauseChange::Pause);
    EXPECT_FALSE(session.start(0).drawn);
    int wakes = 0, drawn = 0, windChanges = 0;
    for (int64_t now = 0; now <= 20'000'000; now += 50'000) {
        wakes += session.waitFrom(now) != FrameClock::kNever;
        drawn += session.run(now).drawn;
        windChanges += session.wind() != 10.0f;
    }
    EXPECT_EQ(wakes, 0);
    EXPECT_EQ(drawn, 0);
    EXPECT_EQ(windChanges, 0) << "the wind moved while paused";
    EXPECT_EQ(session.frameCount(), 0u);

    EXPECT_EQ(session.resume(PauseReason::DisplayOff, 20'000'000), PauseChange::Resume);
    EXPECT_EQ(session.waitFrom(20'000'000), 20'000) << "the first frame a whole interval after the resume";
    int64_t now = 20'000'000;
    while (session.wind() == 10.0f && now < 60'000'000) {
        now += session.waitFrom(now);
        session.run(now);
    }
    // The wind's first tick 5 s after the resume draws a target and the time to the first step (7.525 s with this
    // seed, after the frames made meanwhile).
    EXPECT_EQ(now, 32'525'000);
}

// The fade starts from a frame made for it, beside the frames of the clock: counted, presented, and the same as the
// reference's next frame.
TEST(SnowSession, TheFadeBeginsWithAFreshFrameOfItsOwn)
{
    SessionRun run(testSettings(), twoMonitors());
    SnowSession& session = run.session;
    run.drawn(session.start(0));
    run.runUntil(1'010'000);
    ASSERT_FALSE(::testing::Test::HasFailure());
    ASSERT_EQ(session.frameCount(), 51u);
    const SessionStep step = session.onKey(1'010'000);
    EXPECT_EQ(step.fade, (FadeAction{Kind::BeginFadeOut, 255}));
    EXPECT_TRUE(step.drawn);
    EXPECT_EQ(session.frameCount(), 52u);
    run.drawn(step);
    run.expectScreensAreReference();
    // The frames keep their own schedule beside it.
    EXPECT_EQ(session.waitFrom(1'010'000), 10'000);
}

// Once the fade has ended the program, by a second key or by its last step, its clock is stopped: the only wake-ups
// left are frames.
TEST(SnowSession, AfterTheFadeEndsOnlyTheFramesWake)
{
    struct Case {
        const char* name;
        int64_t keyAt;  // the second key, 0 for none: the eighth fade step ends it
        int64_t endedAt;
    };
    const Case cases[] = {{"a second key", 1'101'000, 1'101'000}, {"the last fade step", 0, 1'605'000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SnowSession session(testSettings(), twoMonitors(), kSeed);
        std::vector<Image> pictures;
        for (size_t i = 0; i < session.screenCount(); ++i) {
            pictures.emplace_back(session.pictureWidth(i), session.pictureHeight(i));
            pictures.emplace_back(makeDesk(session.pictureWidth(i), session.pictureHeight(i)));
            session.attach(i, {pictures[pictures.size() - 2].view(), pictures.back().view(), {}});
        }
        session.start(0);
        // The fade's steps fall 5 ms after the frames' grid of 20 ms, so a step owes nothing to a frame's wake-up.
        ASSERT_EQ(session.onKey(5'000).fade.kind, Kind::BeginFadeOut);
        int64_t now = 5'000, endedAt = 0;
        while (endedAt == 0 && now < 3'000'000) {
            const int64_t next = now + session.waitFrom(now);
            if (c.keyAt != 0 && next > c.keyAt) {
                now = c.keyAt;
                if (session.onKey(now).fade.kind == Kind::Unload)
                    endedAt = now;
                continue;
            }
            now = next;
            if (session.run(now).fade.kind == Kind::Unload)
                endedAt = now;
        }
        EXPECT_EQ(endedAt, c.endedAt);
        int wakes = 0, frames = 0, fadeSteps = 0;
        for (const int64_t until = now + 2'000'000; now + session.waitFrom(now) <= until;) {
            now += session.waitFrom(now);
            const SessionStep step = session.run(now);
            ++wakes;
            frames += step.drawn;
            fadeSteps += step.fade.kind != Kind::Nothing;
        }
        EXPECT_EQ(frames, 100) << "two seconds of frames";
        EXPECT_EQ(wakes, frames) << "a wake-up for nothing";
        EXPECT_EQ(fadeSteps, 0);
    }
}

}  // namespace
}  // namespace nivora

// Pausing the snow while the display is off or the session locked or disconnected, and the timers' clocks across
// the pause, driven by a fake clock.
#include <gtest/gtest.h>

#include <vector>

#include "core/snow/frame_clock.h"
#include "core/snow/frame_pause.h"
#include "win32/session_pause.h"

namespace nivora {
namespace {

using win32::SessionPause;

using Change = PauseChange;

struct Note {
    enum Kind { Display, Session, SessionDisplay } kind;
    uint32_t value;
};

constexpr Note displayOff{Note::Display, 0}, displayOn{Note::Display, 1}, displayDimmed{Note::Display, 2};
constexpr Note ownDisplayOff{Note::SessionDisplay, 0}, ownDisplayOn{Note::SessionDisplay, 1};
constexpr Note ownDisplayDimmed{Note::SessionDisplay, 2};
constexpr Note consoleConnect{Note::Session, 1}, consoleDisconnect{Note::Session, 2};
constexpr Note remoteConnect{Note::Session, 3}, remoteDisconnect{Note::Session, 4};
constexpr Note logon{Note::Session, 5}, logoff{Note::Session, 6};
constexpr Note lock{Note::Session, 7}, unlock{Note::Session, 8};

TEST(FramePause, NotificationsTable)
{
    struct Case {
        const char* name;
        std::vector<Note> notes;
        std::vector<Change> changes;  // one per note
    };
    const Case cases[] = {
        {"the display going off pauses, coming on resumes", {displayOff, displayOn}, {Change::Pause, Change::Resume}},
        {"a dimmed display is still seen",
         {displayDimmed, displayOff, displayDimmed},
         {Change::Unchanged, Change::Pause, Change::Resume}},
        {"the state sent at registration changes nothing when on",
         {displayOn, displayOn},
         {Change::Unchanged, Change::Unchanged}},
        {"an unknown display state counts as on",
         {displayOff, Note{Note::Display, 9}},
         {Change::Pause, Change::Resume}},
        {"a lock pauses, the unlock resumes", {lock, unlock}, {Change::Pause, Change::Resume}},
        {"a console disconnect pauses until a connect",
         {consoleDisconnect, consoleConnect},
         {Change::Pause, Change::Resume}},
        {"from the console to a remote connection",
         {consoleDisconnect, remoteConnect},
         {Change::Pause, Change::Resume}},
        {"a remote disconnect pauses", {remoteDisconnect, remoteConnect}, {Change::Pause, Change::Resume}},
        {"a repeated lock is one pause", {lock, lock, unlock}, {Change::Pause, Change::Unchanged, Change::Resume}},
        {"an unlock while the display is off keeps the pause",
         {displayOff, lock, unlock, displayOn},
         {Change::Pause, Change::Unchanged, Change::Unchanged, Change::Resume}},
        {"the display coming on while locked keeps the pause",
         {lock, displayOff, displayOn, unlock},
         {Change::Pause, Change::Unchanged, Change::Unchanged, Change::Resume}},
        {"a connect while locked keeps the pause",
         {lock, consoleDisconnect, consoleConnect, unlock},
         {Change::Pause, Change::Unchanged, Change::Unchanged, Change::Resume}},
        {"logon, logoff and other codes change nothing",
         {logon, logoff, Note{Note::Session, 9}, Note{Note::Session, 0}},
         {Change::Unchanged, Change::Unchanged, Change::Unchanged, Change::Unchanged}},
        {"an unlock without a lock changes nothing", {unlock, consoleConnect}, {Change::Unchanged, Change::Unchanged}},
        {"a remote session's own display counts, not the console's",
         {ownDisplayOn, displayOff, ownDisplayOff, displayOn, ownDisplayOn},
         {Change::Unchanged, Change::Unchanged, Change::Pause, Change::Unchanged, Change::Resume}},
        {"the console's display counts until the session's own is heard from",
         {displayOff, ownDisplayOn, displayOff},
         {Change::Pause, Change::Resume, Change::Unchanged}},
        {"the session's own display dimmed is still seen",
         {ownDisplayDimmed, ownDisplayOff},
         {Change::Unchanged, Change::Pause}},
        {"a lock while the session's own display is off keeps the pause",
         {ownDisplayOff, lock, ownDisplayOn, unlock},
         {Change::Pause, Change::Unchanged, Change::Unchanged, Change::Resume}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionPause codes;
        FramePause pause;
        std::vector<Change> changes;
        for (const Note& n : c.notes) {
            if (n.kind == Note::Display)
                codes.displayState(n.value);
            else if (n.kind == Note::SessionDisplay)
                codes.sessionDisplayState(n.value);
            else
                codes.sessionChange(n.value);
            // The reasons as the snow window hands them on: the pause changes once, whichever reason turns it.
            const bool wasPaused = pause.paused();
            pause.set(PauseReason::DisplayOff, codes.displayOff());
            pause.set(PauseReason::SessionLocked, codes.locked());
            pause.set(PauseReason::SessionAway, codes.away());
            changes.push_back(wasPaused == pause.paused() ? Change::Unchanged
                              : pause.paused()            ? Change::Pause
                                                          : Change::Resume);
        }
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(pause.paused(), !c.changes.empty() && c.changes.back() == Change::Pause);
    }
}

TEST(FramePause, AnyReasonPausesAndTheLastOneGoneResumes)
{
    struct Step {
        PauseReason reason;
        bool holds;
        Change change;
    };
    const Step steps[] = {
        {PauseReason::Hidden, true, Change::Pause},        {PauseReason::HeldForTest, true, Change::Unchanged},
        {PauseReason::Hidden, true, Change::Unchanged},         {PauseReason::Hidden, false, Change::Unchanged},
        {PauseReason::HeldForTest, false, Change::Resume}, {PauseReason::SessionAway, false, Change::Unchanged},
        {PauseReason::DisplayOff, true, Change::Pause},    {PauseReason::DisplayOff, false, Change::Resume},
    };
    FramePause pause;
    for (const Step& s : steps) {
        EXPECT_EQ(pause.set(s.reason, s.holds), s.change);
        EXPECT_EQ(pause.holds(s.reason), s.holds);
    }
    EXPECT_FALSE(pause.paused());
}

// A clock run as the message loop runs it, from `from` to `until`: woken when it is due, ticking then.
std::vector<int64_t> runUntil(FrameClock& clock, int64_t from, int64_t until)
{
    std::vector<int64_t> ticks;
    for (int64_t now = from;;) {
        const int64_t wait = clock.waitFrom(now);
        if (wait == FrameClock::kNever || now + wait > until)
            return ticks;
        now += wait;
        if (clock.tick(now))
            ticks.push_back(now);
    }
}

// Times below are milliseconds for readability; the clock takes any unit.
TEST(FrameClockPause, KeepsWhatWasLeftOfTheWait)
{
    struct Case {
        const char* name;
        int64_t interval;
        int64_t pauseAt, resumeAt;
        int64_t firstWait;
        std::vector<int64_t> ticksAfterResume;  // up to resumeAt + 2.5 intervals
    };
    const Case cases[] = {
        {"the wind's first 5 s, paused after 3 s for a minute", 5000, 3000, 63000, 2000, {65000, 70000, 75000}},
        {"a fade step paused 150 ms in", 200, 150, 10150, 50, {10200, 10400, 10600}},
        {"the wind paused after two ticks of a 100 ms change", 100, 250, 5250, 50, {5300, 5400, 5500}},
        {"a frame paused on its due tick", 20, 40, 1040, 0, {1040, 1060, 1080}},
        {"a pause of no time", 5000, 3000, 3000, 2000, {5000, 10000, 15000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameClock clock;
        clock.start(0, c.interval);
        runUntil(clock, 0, c.pauseAt - 1);
        clock.pause(c.pauseAt);
        EXPECT_EQ(clock.waitFrom(c.pauseAt), FrameClock::kNever) << "the loop waits with no timeout";
        EXPECT_TRUE(runUntil(clock, c.pauseAt, c.resumeAt).empty()) << "no tick while paused";
        EXPECT_FALSE(clock.tick(c.resumeAt - 1));
        clock.resume(c.resumeAt);
        EXPECT_EQ(clock.waitFrom(c.resumeAt), c.firstWait);
        EXPECT_EQ(runUntil(clock, c.resumeAt, c.resumeAt + c.interval * 5 / 2), c.ticksAfterResume);
    }
}

TEST(FrameClockPause, ALongPauseBringsNoBurstOfFrames)
{
    FrameClock frames;
    frames.start(0, 20);
    EXPECT_EQ(runUntil(frames, 0, 1000).size(), 50u);
    frames.pause(1000);
    frames.resume(1000 + 10 * 60 * 1000);  // ten minutes with the display off
    const std::vector<int64_t> after = runUntil(frames, 601000, 602000);
    ASSERT_EQ(after.size(), 50u);
    EXPECT_EQ(after.front(), 601020);
}

TEST(FrameClockPause, ATickDueWhenThePauseCameIsOwedOnce)
{
    FrameClock clock;
    clock.start(0, 200);
    clock.pause(260);  // the tick of 200 was not delivered before the pause
    clock.resume(5000);
    EXPECT_EQ(clock.waitFrom(5000), 0);
    EXPECT_EQ(runUntil(clock, 5000, 5300), (std::vector<int64_t>{5000, 5200}));
}

TEST(FrameClockPause, StartedWhilePausedWaitsAWholeIntervalFromTheResume)
{
    // The wind picks a new interval, or the fade starts, while the snow is paused.
    FrameClock clock;
    clock.start(0, 5000);
    clock.pause(1000);
    clock.start(2000, 7000);
    EXPECT_EQ(clock.waitFrom(2000), FrameClock::kNever);
    clock.resume(9000);
    EXPECT_EQ(runUntil(clock, 9000, 30000), (std::vector<int64_t>{16000, 23000, 30000}));
}

TEST(FrameClockPause, PauseAndResumeTwiceAreOnce)
{
    FrameClock clock;
    clock.start(0, 1000);
    clock.pause(400);
    clock.pause(900);  // a second reason to pause
    clock.resume(2000);
    clock.resume(2300);  // no second shift: the wait counts on
    EXPECT_EQ(clock.waitFrom(2300), 300);
    EXPECT_EQ(runUntil(clock, 2300, 3600), (std::vector<int64_t>{2600, 3600}));
}

TEST(FrameClockPause, AStoppedClockStaysStoppedThroughAPause)
{
    FrameClock clock;
    clock.pause(100);
    clock.resume(200);
    EXPECT_EQ(clock.waitFrom(200), FrameClock::kNever);
    clock.start(0, 200);
    clock.pause(50);
    clock.stop();
    clock.resume(500);
    EXPECT_FALSE(clock.running());
    EXPECT_EQ(clock.waitFrom(500), FrameClock::kNever);
}

}  // namespace
}  // namespace nivora

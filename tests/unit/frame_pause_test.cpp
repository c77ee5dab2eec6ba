// Pausing the snow while the display is off or the session locked or disconnected, and the timers' schedules
// across the pause, driven by a fake millisecond clock.
#include <gtest/gtest.h>

#include <vector>

#include "core/frame_pause.h"

namespace nivora {
namespace {

using Change = PauseChange;

struct Note {
    enum Kind { Display, Session } kind;
    uint32_t value;
};

constexpr Note displayOff{Note::Display, 0}, displayOn{Note::Display, 1}, displayDimmed{Note::Display, 2};
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
        {"a dimmed display is still seen", {displayDimmed, displayOff, displayDimmed},
         {Change::None, Change::Pause, Change::Resume}},
        {"the state sent at registration changes nothing when on", {displayOn, displayOn}, {Change::None, Change::None}},
        {"an unknown display state counts as on", {displayOff, Note{Note::Display, 9}}, {Change::Pause, Change::Resume}},
        {"a lock pauses, the unlock resumes", {lock, unlock}, {Change::Pause, Change::Resume}},
        {"a console disconnect pauses until a connect", {consoleDisconnect, consoleConnect},
         {Change::Pause, Change::Resume}},
        {"from the console to a remote connection", {consoleDisconnect, remoteConnect}, {Change::Pause, Change::Resume}},
        {"a remote disconnect pauses", {remoteDisconnect, remoteConnect}, {Change::Pause, Change::Resume}},
        {"a repeated lock is one pause", {lock, lock, unlock}, {Change::Pause, Change::None, Change::Resume}},
        {"an unlock while the display is off keeps the pause", {displayOff, lock, unlock, displayOn},
         {Change::Pause, Change::None, Change::None, Change::Resume}},
        {"the display coming on while locked keeps the pause", {lock, displayOff, displayOn, unlock},
         {Change::Pause, Change::None, Change::None, Change::Resume}},
        {"a connect while locked keeps the pause", {lock, consoleDisconnect, consoleConnect, unlock},
         {Change::Pause, Change::None, Change::None, Change::Resume}},
        {"logon, logoff and other codes change nothing", {logon, logoff, Note{Note::Session, 9}, Note{Note::Session, 0}},
         {Change::None, Change::None, Change::None, Change::None}},
        {"an unlock without a lock changes nothing", {unlock, consoleConnect}, {Change::None, Change::None}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FramePause pause;
        std::vector<Change> changes;
        for (const Note& n : c.notes)
            changes.push_back(n.kind == Note::Display ? pause.displayState(n.value) : pause.sessionChange(n.value));
        EXPECT_EQ(changes, c.changes);
        EXPECT_EQ(pause.paused(), !c.changes.empty() && c.changes.back() == Change::Pause);
    }
}

// A timer that ticks whenever its schedule is due, as the system's timer does: the times of its ticks up to `until`.
std::vector<uint64_t> runUntil(TimerSchedule& schedule, uint64_t until)
{
    std::vector<uint64_t> ticks;
    while (!schedule.paused() && schedule.due() <= until) {
        const uint64_t now = schedule.due();
        ticks.push_back(now);
        schedule.tick(now);
    }
    return ticks;
}

TEST(TimerSchedule, PauseKeepsWhatWasLeftOfTheWait)
{
    struct Case {
        const char* name;
        uint32_t interval;
        uint64_t pauseAt, resumeAt;
        uint32_t firstWait;
        std::vector<uint64_t> ticksAfterResume;  // up to resumeAt + 2.5 intervals
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
        TimerSchedule schedule;
        schedule.arm(0, c.interval);
        runUntil(schedule, c.pauseAt - 1);
        schedule.pause(c.pauseAt);
        EXPECT_TRUE(runUntil(schedule, c.resumeAt).empty()) << "no tick while paused";
        EXPECT_EQ(schedule.resume(c.resumeAt), c.firstWait);
        EXPECT_EQ(runUntil(schedule, c.resumeAt + c.interval * 5 / 2), c.ticksAfterResume);
    }
}

TEST(TimerSchedule, LongPauseBringsNoBurstOfFrames)
{
    TimerSchedule frames;
    frames.arm(0, 20);
    EXPECT_EQ(runUntil(frames, 1000).size(), 50u);
    frames.pause(1000);
    frames.resume(1000 + 10 * 60 * 1000);  // ten minutes with the display off
    const std::vector<uint64_t> after = runUntil(frames, 1000 + 10 * 60 * 1000 + 1000);
    ASSERT_EQ(after.size(), 50u);
    EXPECT_EQ(after.front(), 601020u);
}

TEST(TimerSchedule, ATickDueWhenThePauseCameIsOwedOnce)
{
    TimerSchedule schedule;
    schedule.arm(0, 200);
    schedule.pause(260);  // the tick of 200 was not delivered before the pause
    EXPECT_EQ(schedule.resume(5000), 0u);
    EXPECT_EQ(runUntil(schedule, 5300), (std::vector<uint64_t>{5000, 5200}));
}

TEST(TimerSchedule, ArmedWhilePausedWaitsAWholeIntervalFromTheResume)
{
    // The wind picks a new interval, or the fade starts, while the snow is paused.
    TimerSchedule schedule;
    schedule.arm(0, 5000);
    schedule.pause(1000);
    schedule.arm(2000, 7000);
    EXPECT_EQ(schedule.resume(9000), 7000u);
    EXPECT_EQ(runUntil(schedule, 30000), (std::vector<uint64_t>{16000, 23000, 30000}));
}

TEST(TimerSchedule, PauseAndResumeTwiceAreOnce)
{
    TimerSchedule schedule;
    schedule.arm(0, 1000);
    schedule.pause(400);
    schedule.pause(900);  // a second reason to pause
    EXPECT_EQ(schedule.resume(2000), 600u);
    EXPECT_EQ(schedule.resume(2300), 300u);  // no second shift: the wait counts on
    EXPECT_EQ(runUntil(schedule, 3600), (std::vector<uint64_t>{2600, 3600}));
}

}  // namespace
}  // namespace nivora

// The end of the snow screen on input: what starts the fade, how it steps, what cuts it short.
#include <gtest/gtest.h>

#include <vector>

#include "core/snow/exit_fade.h"

namespace nivora {
namespace {

using Kind = FadeAction::Kind;

struct Event {
    enum Type { Key, Click, Move, Tick } type;
    float x = 0, y = 0;
};

FadeAction send(ExitFade& fade, const Event& e)
{
    switch (e.type) {
    case Event::Key:
        return fade.picMain_KeyDown();
    case Event::Click:
        return fade.picMain_MouseDown();
    case Event::Move:
        return fade.picMain_MouseMove(e.x, e.y);
    case Event::Tick:
        return fade.Timer2_Timer();
    }
    return {};
}

TEST(ExitFade, InputRulesTable)
{
    struct Case {
        const char* name;
        bool preview;
        std::vector<Event> events;
        Kind lastAction;
        bool fading;
    };
    const Case cases[] = {
        {"a key starts the fade", false, {{Event::Key}}, Kind::BeginFadeOut, true},
        {"a click starts the fade", false, {{Event::Click}}, Kind::BeginFadeOut, true},
        {"the first move only records the pointer", false, {{Event::Move, 500, 400}}, Kind::Nothing, false},
        {"a move along one axis does not count", false, {{Event::Move, 5, 5}, {Event::Move, 6, 5}}, Kind::Nothing, false},
        {"nor does the other axis", false, {{Event::Move, 5, 5}, {Event::Move, 5, 9}}, Kind::Nothing, false},
        {"a move after an axis move compares with the last position",
         false,
         {{Event::Move, 5, 5}, {Event::Move, 6, 5}, {Event::Move, 7, 5}},
         Kind::Nothing,
         false},
        {"a move in both coordinates starts the fade",
         false,
         {{Event::Move, 5, 5}, {Event::Move, 6, 4}},
         Kind::BeginFadeOut,
         true},
        {"a second key during the fade ends at once", false, {{Event::Key}, {Event::Key}}, Kind::Unload, false},
        {"a click during the fade ends at once",
         false,
         {{Event::Move, 1, 1}, {Event::Move, 2, 2}, {Event::Click}},
         Kind::Unload,
         false},
        {"moves during the fade change nothing",
         false,
         {{Event::Key}, {Event::Move, 1, 1}, {Event::Move, 9, 9}},
         Kind::Nothing,
         true},
        {"the preview ignores keys", true, {{Event::Key}}, Kind::Nothing, false},
        {"the preview ignores clicks", true, {{Event::Click}, {Event::Click}}, Kind::Nothing, false},
        {"the preview ignores moves", true, {{Event::Move, 1, 1}, {Event::Move, 50, 50}}, Kind::Nothing, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExitFade fade(c.preview);
        FadeAction last;
        for (const Event& e : c.events)
            last = send(fade, e);
        EXPECT_EQ(last.kind, c.lastAction);
        EXPECT_EQ(fade.timer2Enabled(), c.fading);
    }
}

TEST(ExitFade, OpacityStepsDownAndTheEighthTickEnds)
{
    ExitFade fade(false);
    EXPECT_EQ(fade.picMain_KeyDown(), (FadeAction{Kind::BeginFadeOut, 255}));
    const uint8_t steps[] = {223, 191, 159, 127, 95, 63, 31};
    for (uint8_t opacity : steps)
        EXPECT_EQ(fade.Timer2_Timer(), (FadeAction{Kind::SetOpacity, opacity}));
    EXPECT_EQ(fade.Timer2_Timer().kind, Kind::Unload);
    EXPECT_EQ(fade.fadeLevel, 256);
    EXPECT_FALSE(fade.timer2Enabled());
}

TEST(ExitFade, PointerIsRecordedOnEveryMove)
{
    ExitFade fade(false);
    fade.picMain_MouseMove(3, 4);
    EXPECT_EQ(fade.mouseArmed, 1);
    EXPECT_EQ(fade.lastMouseX, 3);
    EXPECT_EQ(fade.lastMouseY, 4);
    fade.picMain_MouseMove(3, 7);
    EXPECT_EQ(fade.lastMouseY, 7);
}

}  // namespace
}  // namespace nivora

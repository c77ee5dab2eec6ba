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
    // What the window does after each event, and then whether the screen goes on fading: the next fade tick lowers
    // the opacity (223) while it fades, and does nothing otherwise.
    struct Case {
        const char* name;
        bool preview;
        std::vector<Event> events;
        std::vector<Kind> actions;  // one per event
        Kind nextTick;
    };
    const Case cases[] = {
        {"a key starts the fade", false, {{Event::Key}}, {Kind::BeginFadeOut}, Kind::SetOpacity},
        {"a click starts the fade", false, {{Event::Click}}, {Kind::BeginFadeOut}, Kind::SetOpacity},
        {"the first move only records the pointer", false, {{Event::Move, 500, 400}}, {Kind::Nothing}, Kind::Nothing},
        {"a move along one axis does not count",
         false,
         {{Event::Move, 5, 5}, {Event::Move, 6, 5}},
         {Kind::Nothing, Kind::Nothing},
         Kind::Nothing},
        {"nor does the other axis", false, {{Event::Move, 5, 5}, {Event::Move, 5, 9}}, {Kind::Nothing, Kind::Nothing},
         Kind::Nothing},
        {"a move after an axis move compares with the last position",
         false,
         {{Event::Move, 5, 5}, {Event::Move, 6, 5}, {Event::Move, 7, 5}},
         {Kind::Nothing, Kind::Nothing, Kind::Nothing},
         Kind::Nothing},
        // From (3, 4) both coordinates differ, from the last place (3, 7) only one: the pointer is kept on every move.
        {"every move is kept as the last position",
         false,
         {{Event::Move, 3, 4}, {Event::Move, 3, 7}, {Event::Move, 4, 7}, {Event::Move, 5, 8}},
         {Kind::Nothing, Kind::Nothing, Kind::Nothing, Kind::BeginFadeOut},
         Kind::SetOpacity},
        {"a move in both coordinates starts the fade",
         false,
         {{Event::Move, 5, 5}, {Event::Move, 6, 4}},
         {Kind::Nothing, Kind::BeginFadeOut},
         Kind::SetOpacity},
        {"a second key during the fade ends at once",
         false,
         {{Event::Key}, {Event::Key}},
         {Kind::BeginFadeOut, Kind::Unload},
         Kind::Nothing},
        {"a click during the fade ends at once",
         false,
         {{Event::Move, 1, 1}, {Event::Move, 2, 2}, {Event::Click}},
         {Kind::Nothing, Kind::BeginFadeOut, Kind::Unload},
         Kind::Nothing},
        {"moves during the fade change nothing",
         false,
         {{Event::Key}, {Event::Move, 1, 1}, {Event::Move, 9, 9}},
         {Kind::BeginFadeOut, Kind::Nothing, Kind::Nothing},
         Kind::SetOpacity},
        {"the preview ignores keys", true, {{Event::Key}}, {Kind::Nothing}, Kind::Nothing},
        {"the preview ignores clicks", true, {{Event::Click}, {Event::Click}}, {Kind::Nothing, Kind::Nothing}, Kind::Nothing},
        {"the preview ignores moves",
         true,
         {{Event::Move, 1, 1}, {Event::Move, 50, 50}},
         {Kind::Nothing, Kind::Nothing},
         Kind::Nothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExitFade fade(c.preview);
        ASSERT_EQ(c.events.size(), c.actions.size());
        for (size_t i = 0; i < c.events.size(); ++i)
            EXPECT_EQ(send(fade, c.events[i]).kind, c.actions[i]) << "event " << i;
        const FadeAction tick = fade.Timer2_Timer();
        EXPECT_EQ(tick.kind, c.nextTick);
        if (c.nextTick == Kind::SetOpacity) {
            EXPECT_EQ(tick.opacity, 223);
        }
    }
}

TEST(ExitFade, OpacityStepsDownAndTheEighthTickEnds)
{
    // The window's opacity tick by tick: fully opaque at the start, 32 less every 200 ms, gone at the eighth tick;
    // after that nothing more happens.
    ExitFade fade(false);
    EXPECT_EQ(fade.Timer2_Timer(), FadeAction{}) << "no tick does anything before the fade";
    EXPECT_EQ(fade.picMain_KeyDown(), (FadeAction{Kind::BeginFadeOut, 255}));
    const uint8_t steps[] = {223, 191, 159, 127, 95, 63, 31};
    for (uint8_t opacity : steps)
        EXPECT_EQ(fade.Timer2_Timer(), (FadeAction{Kind::SetOpacity, opacity}));
    EXPECT_EQ(fade.Timer2_Timer(), (FadeAction{Kind::Unload, 0}));
    EXPECT_EQ(fade.Timer2_Timer(), FadeAction{});
    EXPECT_EQ(fade.Timer2_Timer(), FadeAction{});
}

}  // namespace
}  // namespace nivora

// Drawing areas of the full-screen snow over one or several monitors.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <vector>

#include "core/snow/snow_screens.h"

namespace nivora {
namespace {

TEST(SnowScreens, OneAreaPerMonitorPlacedInTheVirtualScreen)
{
    // The primary at (0, 0) and a second monitor to its left, lower: the virtual screen starts at x = -800.
    const ListedMonitor monitors[] = {{{0, 0, 1024, 768}, true}, {{-800, 0, 0, 600}, false}};
    const auto screens = snowScreensFor({-800, 0, 1024, 768}, monitors);
    ASSERT_TRUE(screens);
    ASSERT_EQ(screens->size(), 2u);
    const SnowScreen& main = (*screens)[0];
    const SnowScreen& side = (*screens)[1];
    EXPECT_EQ(main.windowX, 800);
    EXPECT_EQ(main.windowY, 0);
    EXPECT_EQ(main.area.drawWidth, 1024);
    EXPECT_EQ(main.area.drawHeight, 768);
    EXPECT_TRUE(main.primary);
    EXPECT_EQ(side.windowX, 0);
    EXPECT_EQ(side.area.drawWidth, 800);
    EXPECT_EQ(side.area.drawHeight, 600);
    EXPECT_FALSE(side.primary);
    for (const SnowScreen& s : *screens)
        EXPECT_EQ(s.area.mode, SnowMode::FullScreen);
}

TEST(SnowScreens, MonitorsAboveBelowAndPartlyOutsideArePlacedFromTheVirtualScreensCorner)
{
    struct Expected {
        Rect bounds;
        int32_t windowX, windowY;
        int16_t width, height;
        bool primary;
    };
    struct Case {
        const char* name;
        Rect virtualScreen;
        std::vector<ListedMonitor> monitors;
        std::vector<Expected> screens;
    };
    const Case cases[] = {
        {"a monitor above the primary, as Wine reports 800 x 600 over 1024 x 768",
         {0, -600, 1024, 768},
         {{{0, 0, 1024, 768}, true}, {{112, -600, 912, 0}, false}},
         {{{0, 0, 1024, 768}, 0, 600, 1024, 768, true}, {{112, -600, 912, 0}, 112, 0, 800, 600, false}}},
        {"a monitor below and to the left",
         {-1280, 0, 1920, 2104},
         {{{0, 0, 1920, 1080}, true}, {{-1280, 1080, 0, 2104}, false}},
         {{{0, 0, 1920, 1080}, 1280, 0, 1920, 1080, true}, {{-1280, 1080, 0, 2104}, 0, 1080, 1280, 1024, false}}},
        {"a monitor partly above and left of the virtual screen is cut to it",
         {0, -600, 1024, 768},
         {{{0, 0, 1024, 768}, true}, {{-100, -700, 500, -100}, false}},
         {{{0, 0, 1024, 768}, 0, 600, 1024, 768, true}, {{0, -600, 500, -100}, 0, 0, 500, 500, false}}},
        {"a monitor partly below and right of the virtual screen is cut to it",
         {0, -600, 1024, 768},
         {{{0, 0, 1024, 768}, true}, {{900, 700, 1200, 900}, false}},
         {{{0, 0, 1024, 768}, 0, 600, 1024, 768, true}, {{900, 700, 1024, 768}, 900, 1300, 124, 68, false}}},
        {"the primary itself partly outside a virtual screen that starts inside it",
         {100, 50, 1024, 768},
         {{{0, 0, 1024, 768}, true}},
         {{{100, 50, 1024, 768}, 0, 0, 924, 718, true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto screens = snowScreensFor(c.virtualScreen, c.monitors);
        ASSERT_TRUE(screens);
        ASSERT_EQ(screens->size(), c.screens.size());
        for (size_t i = 0; i < c.screens.size(); ++i) {
            SCOPED_TRACE(i);
            const SnowScreen& s = (*screens)[i];
            const Expected& e = c.screens[i];
            EXPECT_EQ(s.bounds, e.bounds);
            EXPECT_EQ(s.windowX, e.windowX);
            EXPECT_EQ(s.windowY, e.windowY);
            EXPECT_EQ(s.area.drawWidth, e.width);
            EXPECT_EQ(s.area.drawHeight, e.height);
            EXPECT_EQ(s.primary, e.primary);
        }
    }
}

TEST(SnowScreens, TheMessageIsWrittenOnThePrimaryMonitorOnly)
{
    const SnowSettings settings{.messageText = u"雪"};
    SnowScreen screen;
    screen.primary = true;
    EXPECT_EQ(screenSettings(settings, screen).messageText, u"雪");
    screen.primary = false;
    const SnowSettings side = screenSettings(settings, screen);
    EXPECT_EQ(side.messageText, u"");
    EXPECT_EQ(side.precipitation, settings.precipitation);
}

TEST(SnowScreens, OneMonitorIsTheWholeScreenAsBefore)
{
    const ListedMonitor monitors[] = {{{0, 0, 1920, 1080}, true}};
    const auto screens = snowScreensFor({0, 0, 1920, 1080}, monitors);
    ASSERT_TRUE(screens);
    ASSERT_EQ(screens->size(), 1u);
    EXPECT_EQ((*screens)[0].bounds, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ((*screens)[0].windowX, 0);
    EXPECT_EQ((*screens)[0].area.drawWidth, 1920);
    EXPECT_EQ((*screens)[0].area.drawHeight, 1080);
}

TEST(SnowScreens, ExactlyOnePrimaryWhateverTheSystemMarks)
{
    struct Case {
        const char* name;
        std::vector<ListedMonitor> monitors;
        size_t primary;
    };
    const Case cases[] = {
        {"none marked: the one at (0, 0)", {{{-800, 0, 0, 600}, false}, {{0, 0, 1024, 768}, false}}, 1},
        {"none marked and none at (0, 0): the first", {{{100, 0, 500, 300}, false}, {{500, 0, 900, 300}, false}}, 0},
        {"two marked: the first", {{{0, 0, 1024, 768}, true}, {{1024, 0, 2048, 768}, true}}, 0},
        {"a mirrored copy marked", {{{0, 0, 1024, 768}, false}, {{0, 0, 1024, 768}, true}}, 0},
        // The copy's mark must reach the monitor it mirrors: without it, the one at (0, 0) would be taken.
        {"a mirrored copy marked, away from (0, 0)",
         {{{-800, 0, 0, 600}, false}, {{0, 0, 1024, 768}, false}, {{-800, 0, 0, 600}, true}},
         0},
        {"a smaller mirror marked",
         {{{-800, 0, 0, 600}, false}, {{0, 0, 1024, 768}, false}, {{-800, 0, -100, 500}, true}},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto screens = snowScreensFor({-800, 0, 2048, 768}, c.monitors);
        ASSERT_TRUE(screens);
        for (size_t i = 0; i < screens->size(); ++i)
            EXPECT_EQ((*screens)[i].primary, i == c.primary) << i;
    }
}

TEST(SnowScreens, MirroredAndOffScreenMonitorsAddNoArea)
{
    const ListedMonitor monitors[] = {{{0, 0, 1024, 768}, true},
                                      {{0, 0, 1024, 768}, false},      // mirrored
                                      {{5000, 0, 6000, 768}, false},   // outside the virtual screen
                                      {{1024, 0, 1024, 768}, false}};  // empty
    const auto screens = snowScreensFor({0, 0, 1024, 768}, monitors);
    ASSERT_TRUE(screens);
    EXPECT_EQ(screens->size(), 1u);
}

TEST(SnowScreens, AMonitorWhollyInsideAnotherIsAMirror)
{
    // A mirrored monitor of another size shows the same pixels as part of the larger one (xrandr --setmonitor, or a
    // clone at a lower resolution): one snow field there, at the larger monitor's bounds and scale, so the message
    // is written once. Monitors that only overlap keep a field each.
    struct Expected {
        Rect bounds;
        bool primary;
        double scale;
    };
    struct Case {
        const char* name;
        std::vector<ListedMonitor> monitors;
        std::vector<Expected> screens;
    };
    const Case cases[] = {
        {"a smaller mirror after the monitor",
         {{{0, 0, 1920, 1080}, true, 1.5}, {{0, 0, 1024, 600}, false, 1.0}},
         {{{0, 0, 1920, 1080}, true, 1.5}}},
        {"a smaller mirror before the monitor, marked primary",
         {{{0, 0, 1024, 600}, true, 1.0}, {{0, 0, 1920, 1080}, false, 1.5}},
         {{{0, 0, 1920, 1080}, true, 1.5}}},
        {"a mirror inside the second of two side by side",
         {{{0, 0, 1920, 1080}, true, 1.0}, {{1920, 0, 3840, 1080}, false, 1.0}, {{2000, 100, 3000, 700}, false, 1.0}},
         {{{0, 0, 1920, 1080}, true, 1.0}, {{1920, 0, 3840, 1080}, false, 1.0}}},
        {"a chain of three, each inside the next",
         {{{0, 0, 800, 600}, false, 1.0}, {{0, 0, 1024, 768}, false, 1.0}, {{0, 0, 1920, 1080}, true, 2.0}},
         {{{0, 0, 1920, 1080}, true, 2.0}}},
        {"an identical copy keeps the first listing's scale",
         {{{0, 0, 1920, 1080}, true, 1.0}, {{0, 0, 1920, 1080}, false, 2.0}},
         {{{0, 0, 1920, 1080}, true, 1.0}}},
        {"overlapping monitors are no mirrors",
         {{{0, 0, 1920, 1080}, true, 1.0}, {{960, 0, 2880, 1080}, false, 1.0}},
         {{{0, 0, 1920, 1080}, true, 1.0}, {{960, 0, 2880, 1080}, false, 1.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto screens = snowScreensFor({0, 0, 3840, 1080}, c.monitors);
        ASSERT_TRUE(screens);
        ASSERT_EQ(screens->size(), c.screens.size());
        for (size_t i = 0; i < c.screens.size(); ++i) {
            SCOPED_TRACE(i);
            const SnowScreen& s = (*screens)[i];
            EXPECT_EQ(s.bounds, c.screens[i].bounds);
            EXPECT_EQ(s.windowX, c.screens[i].bounds.left);
            EXPECT_EQ(s.area.drawWidth, c.screens[i].bounds.right - c.screens[i].bounds.left);
            EXPECT_EQ(s.area.drawHeight, c.screens[i].bounds.bottom - c.screens[i].bounds.top);
            EXPECT_EQ(s.primary, c.screens[i].primary);
            EXPECT_EQ(s.area.scale, c.screens[i].scale);
        }
    }
}

TEST(SnowScreens, NoAreaWhenAMonitorIsTooLargeOrThereIsNone)
{
    const ListedMonitor huge[] = {{{0, 0, 1024, 768}, true}, {{1024, 0, 1024 + 32758, 768}, false}};
    EXPECT_FALSE(snowScreensFor({0, 0, 1024 + 32758, 768}, huge));
    const ListedMonitor largest[] = {{{0, 0, 32757, 32757}, true}};
    EXPECT_TRUE(snowScreensFor({0, 0, 32757, 32757}, largest));
    EXPECT_FALSE(snowScreensFor({0, 0, 1024, 768}, std::span<const ListedMonitor>{}));
    // Far from the origin, the sides still fit: no 32-bit overflow on the way.
    const ListedMonitor far[] = {{{INT32_MAX - 1000, INT32_MIN, INT32_MAX, INT32_MIN + 1000}, true}};
    const auto screens = snowScreensFor({INT32_MAX - 1000, INT32_MIN, INT32_MAX, INT32_MIN + 1000}, far);
    ASSERT_TRUE(screens);
    EXPECT_EQ((*screens)[0].area.drawWidth, 1000);
}

TEST(SnowScreens, APrimaryMarkOnAMonitorThatShowsNothingPassesToTheOneAtTheOrigin)
{
    // The marked monitor lies wholly outside the virtual screen given: it has no area, and the mark goes by the rule.
    const ListedMonitor monitors[] = {{{0, 0, 800, 600}, false},
                                      {{800, 0, 1600, 600}, false},
                                      {{5000, 0, 5800, 600}, true}};
    const auto screens = snowScreensFor({0, 0, 1600, 600}, monitors);
    ASSERT_TRUE(screens);
    ASSERT_EQ(screens->size(), 2u);
    EXPECT_TRUE((*screens)[0].primary);
    EXPECT_FALSE((*screens)[1].primary);
}

// XScreenSaver's window on one monitor, X11's own window and the root: which monitors get a screen, and where the
// message is written.
TEST(SnowScreens, AWindowShowsTheMessageOnlyWhereItShowsTheLayoutsPrimaryMonitor)
{
    const ListedMonitor twoMarked[] = {{{0, 0, 1024, 768}, true}, {{1024, 0, 2304, 1024}, false}};
    const ListedMonitor twoUnmarked[] = {{{1024, 0, 2304, 1024}, false}, {{0, 0, 1024, 768}, false}};
    struct Case {
        const char* what;
        Rect window;
        std::span<const ListedMonitor> layout;
        std::vector<Rect> bounds;  // of each screen, in order
        std::vector<bool> primary;
    };
    const Case cases[] = {
        {"the root over both",
         {0, 0, 2304, 1024},
         twoMarked,
         {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}},
         {true, false}},
        {"a window on the primary monitor", {0, 0, 1024, 768}, twoMarked, {{0, 0, 1024, 768}}, {true}},
        {"a window on the other monitor", {1024, 0, 2304, 1024}, twoMarked, {{1024, 0, 2304, 1024}}, {false}},
        {"unmarked: the monitor at the origin is primary, and the window elsewhere has no message",
         {1024, 0, 2304, 1024},
         twoUnmarked,
         {{1024, 0, 2304, 1024}},
         {false}},
        {"unmarked, the window at the origin", {0, 0, 1024, 768}, twoUnmarked, {{0, 0, 1024, 768}}, {true}},
        {"no monitor listed: the window is one screen with the message",
         {10, 20, 330, 260},
         {},
         {{10, 20, 330, 260}},
         {true}},
        {"a window across both halves",
         {512, 0, 1536, 768},
         twoMarked,
         {{512, 0, 1024, 768}, {1024, 0, 1536, 768}},
         {true, false}},
    };
    for (const Case& c : cases) {
        const auto screens = snowScreensInWindow(c.window, c.layout, 1.5);
        ASSERT_TRUE(screens) << c.what;
        ASSERT_EQ(screens->size(), c.bounds.size()) << c.what;
        for (size_t i = 0; i < screens->size(); ++i) {
            EXPECT_EQ((*screens)[i].bounds, c.bounds[i]) << c.what;
            EXPECT_EQ((*screens)[i].primary, c.primary[i]) << c.what << ", screen " << i;
            EXPECT_EQ((*screens)[i].windowX, c.bounds[i].left - c.window.left) << c.what;
            EXPECT_EQ((*screens)[i].area.scale, 1.5) << c.what;
        }
    }
}

TEST(SnowScreens, EachOutputWithAPictureOfItsOwnHasAScreenAtItsOrigin)
{
    struct Case {
        const char* what;
        std::vector<OwnOutput> outputs;
        size_t primary;
    };
    const Case cases[] = {
        {"one output", {{{0, 0, 1280, 720}, 2560, 1440, 2.0}}, 0},
        {"the output at the layout's origin carries the message",
         {{{1280, 0, 2560, 720}, 1920, 1080, 1.5}, {{0, 0, 1280, 720}, 1280, 720, 1.0}},
         1},
        {"none at the origin: the first",
         {{{100, 0, 1380, 720}, 1280, 720, 1.0}, {{-1280, 0, -1, 720}, 1279, 720, 1.0}},
         0},
        {"a marked one wins", {{{0, 0, 1280, 720}, 1280, 720, 1.0}, {{1280, 0, 2560, 720}, 1280, 720, 1.0, true}}, 1},
        {"mirrored outputs each get a screen, the message on one",
         {{{0, 0, 1280, 720}, 1280, 720, 1.0}, {{0, 0, 1280, 720}, 2560, 1440, 2.0}},
         0},
    };
    for (const Case& c : cases) {
        const auto screens = snowScreensOfOwnOutputs(c.outputs);
        ASSERT_TRUE(screens) << c.what;
        ASSERT_EQ(screens->size(), c.outputs.size()) << c.what;
        for (size_t i = 0; i < screens->size(); ++i) {
            const SnowScreen& s = (*screens)[i];
            EXPECT_EQ(s.bounds, (Rect{0, 0, c.outputs[i].width, c.outputs[i].height})) << c.what;
            EXPECT_EQ(s.windowX, 0) << c.what;
            EXPECT_EQ(s.windowY, 0) << c.what;
            EXPECT_EQ(s.area.drawWidth, c.outputs[i].width) << c.what;
            EXPECT_EQ(s.area.drawHeight, c.outputs[i].height) << c.what;
            EXPECT_EQ(s.area.mode, SnowMode::FullScreen) << c.what;
            EXPECT_EQ(s.primary, i == c.primary) << c.what << ", screen " << i;
        }
    }
    EXPECT_EQ(snowScreensOfOwnOutputs({}), std::nullopt);
    const OwnOutput tooLarge[] = {{{0, 0, 1280, 720}, 1280, 720, 1.0}, {{1280, 0, 33000, 720}, 32758, 720, 1.0}};
    EXPECT_EQ(snowScreensOfOwnOutputs(tooLarge), std::nullopt);
    const OwnOutput empty[] = {{{0, 0, 0, 0}, 0, 720, 1.0}};
    EXPECT_EQ(snowScreensOfOwnOutputs(empty), std::nullopt);
}

TEST(SnowScreens, ThePreviewBoxIsOneScreenWithItsOwnSpeed)
{
    const std::optional<SnowScreen> box = previewScreen(152, 112, 768);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->bounds, (Rect{0, 0, 152, 112}));
    EXPECT_EQ(box->area.drawWidth, 152);
    EXPECT_EQ(box->area.drawHeight, 112);
    EXPECT_EQ(box->area.mode, SnowMode::Preview);
    EXPECT_FLOAT_EQ(box->area.previewScaleY, 0.14583333f);
    EXPECT_TRUE(box->primary);
    EXPECT_EQ(box->windowX, 0);
    EXPECT_EQ(box->windowY, 0);
    EXPECT_EQ(previewScreen(0, 112, 768), std::nullopt);
    EXPECT_EQ(previewScreen(152, 112, 0), std::nullopt);
}

}  // namespace
}  // namespace nivora

// Nothing drawn that nobody sees, and the screen showing exactly the saver's own picture: notifications of the
// display's power and of the session sent to the snow window as the system sends them, and the picture read back
// from the saver (a test-only request) compared pixel for pixel with a screenshot.
#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <memory>
#include <string>
#include <vector>

#include "readable_saver.h"
#include "saver.h"
#include "win32/readback_protocol.h"

using e2e::ReadableSaver;
using e2e::Saver;
namespace readback = nivora::readback;

namespace {

class PauseAndReadback : public ::testing::Test {
protected:
    void SetUp() override
    {
        e2e::clearStore();
        e2e::storeText(L"reg_precipitation", L"4");  // 3000 flakes: every part of the screen changes all the time
        e2e::storeText(L"messageText", L"IIII");
    }
    void TearDown() override { e2e::clearStore(); }
};

// Frames are drawn again: the count goes on by a few.
bool framesRun(ReadableSaver& s)
{
    const LRESULT before = s.frames();
    return e2e::pumpUntil([&] { return s.frames() >= before + 5; });
}

// The frames have stopped, and the screen shows the last of them. The notice that pauses them was posted before this
// asks for the count: the saver answers between two passes of its loop, and a pass handles every waiting message
// before it draws, so after that answer no frame comes, however slow the machine.
bool framesStop(ReadableSaver& s)
{
    if (s.frames() <= 0)
        return false;
    e2e::Picture shown = e2e::captureScreen();
    return e2e::pumpUntil([&] {
        e2e::Picture now = e2e::captureScreen();
        const bool same = now.pixels == shown.pixels;
        shown = std::move(now);
        return same;
    });
}

bool fading(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

TEST_F(PauseAndReadback, FramesStopWhileNobodyCanSeeThemAndGoOnAfterwards)
{
    ReadableSaver s;
    ASSERT_NE(s.window(), nullptr);
    ASSERT_GT(s.frames(), 0);
    ASSERT_TRUE(framesRun(s));

    struct Step {
        const char* name;
        enum { Display, Session } kind;
        DWORD value;
        bool running;  // after the step
    };
    const Step steps[] = {
        {"display off", Step::Display, 0, false},
        {"display dimmed: seen again", Step::Display, 2, true},
        {"display off again", Step::Display, 0, false},
        {"display on", Step::Display, 1, true},
        {"session locked", Step::Session, WTS_SESSION_LOCK, false},
        {"display off while locked", Step::Display, 0, false},
        {"unlocked, display still off", Step::Session, WTS_SESSION_UNLOCK, false},
        {"display on", Step::Display, 1, true},
        {"console disconnected", Step::Session, WTS_CONSOLE_DISCONNECT, false},
        {"a logon changes nothing", Step::Session, WTS_SESSION_LOGON, false},
        {"connected remotely", Step::Session, WTS_REMOTE_CONNECT, true},
        {"remote disconnected", Step::Session, WTS_REMOTE_DISCONNECT, false},
        {"console connected", Step::Session, WTS_CONSOLE_CONNECT, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.kind == Step::Display)
            s.postDisplayState(step.value);
        else
            s.postSessionChange(step.value);
        if (step.running) {
            EXPECT_TRUE(framesRun(s));
            continue;
        }
        // Paused: not one frame, and the screen stays as it was.
        ASSERT_TRUE(framesStop(s));
        const LRESULT frames = s.frames();
        const e2e::Picture before = e2e::captureScreen();
        EXPECT_TRUE(e2e::holdsFor([&] { return s.frames() == frames; }, 600)) << "a frame while paused";
        EXPECT_TRUE(e2e::captureScreen().pixels == before.pixels);
    }
    ASSERT_TRUE(s.saver().running());
}

TEST_F(PauseAndReadback, InputDuringAPauseStillEndsTheSaver)
{
    ReadableSaver s;
    ASSERT_NE(s.window(), nullptr);
    s.postDisplayState(0);
    ASSERT_TRUE(framesStop(s));
    HWND picMain = e2e::picMainOf(s.window());
    PostMessageW(picMain, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(e2e::pumpUntil([&] { return fading(s.window()); })) << "the first key starts the fade";
    PostMessageW(picMain, WM_KEYDOWN, VK_SPACE, 0);  // the second key ends it at once, fade or no fade
    EXPECT_TRUE(s.saver().waitExit());
}

// Each frame presents only what changed; the screen must still show the whole picture the saver holds, on every
// monitor.
TEST_F(PauseAndReadback, TheScreenShowsExactlyTheSaversOwnPicture)
{
    ReadableSaver s(L"4000");  // a minute and more of snow: all 3000 flakes in the picture, some settled
    ASSERT_NE(s.window(), nullptr);
    ASSERT_TRUE(e2e::waitFrames(s.window(), 10));
    std::vector<e2e::Picture> previous;
    for (int look = 0; look < 3; ++look) {
        SCOPED_TRACE(look);
        std::vector<e2e::Picture> own;
        std::vector<POINT> origins;
        for (int which = 0;; ++which) {
            POINT origin{};
            e2e::Picture picture = s.holdAndRead(which, origin);
            if (picture.pixels.empty())
                break;
            own.push_back(std::move(picture));
            origins.push_back(origin);
        }
        ASSERT_FALSE(own.empty()) << "the saver wrote no picture";
        EXPECT_EQ(own.size(), size_t(GetSystemMetrics(SM_CMONITORS))) << "one picture per monitor";

        for (size_t i = 0; i < own.size(); ++i) {
            SCOPED_TRACE(i);
            // The last frame on its way to the X server: the screen is given until it shows the held picture.
            const RECT area{origins[i].x, origins[i].y, origins[i].x + own[i].width, origins[i].y + own[i].height};
            e2e::Picture screen;
            e2e::pumpUntil([&] {
                screen = e2e::captureScreen(area);
                return screen.pixels == own[i].pixels;
            });
            e2e::Picture difference{own[i].width, own[i].height, std::vector<uint32_t>(own[i].pixels.size(), 0)};
            size_t wrong = 0;
            for (size_t p = 0; p < own[i].pixels.size(); ++p)
                if (screen.pixels[p] != own[i].pixels[p]) {
                    ++wrong;
                    difference.pixels[p] = 0xFF0000;
                }
            if (wrong != 0) {
                const std::wstring n = std::to_wstring(i);
                e2e::saveBmp(own[i], e2e::outputPath((L"readback_own" + n + L".bmp").c_str()));
                e2e::saveBmp(screen, e2e::outputPath((L"readback_screen" + n + L".bmp").c_str()));
                e2e::saveBmp(difference, e2e::outputPath((L"readback_difference" + n + L".bmp").c_str()));
            }
            EXPECT_EQ(wrong, 0u) << "pixels where the screen differs from the saver's picture (readback_*.png)";

            // The snow moved between two looks: the pictures compared are frames presented in parts.
            if (i < previous.size()) {
                size_t moved = 0;
                for (size_t p = 0; p < own[i].pixels.size(); ++p)
                    moved += own[i].pixels[p] != previous[i].pixels[p];
                EXPECT_GT(moved, 5000u);
            }
        }
        previous = std::move(own);
        EXPECT_EQ(s.request(readback::kRelease), 1);
        ASSERT_TRUE(e2e::waitFrames(s.window(), 35)) << "the frames go on once released";
    }
}

TEST_F(PauseAndReadback, WithoutTheTestsAskingTheSaverAnswersNothing)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    DWORD_PTR result = 1;
    SendMessageTimeoutW(window, RegisterWindowMessageW(readback::kMessageName), readback::kHoldAndWrite, 0, SMTO_NORMAL,
                        e2e::kPatienceMs, &result);
    EXPECT_EQ(result, 0u);
    // Nor does it hold its frames.
    EXPECT_TRUE(e2e::screenChanges({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
}

// Any program of the session could make the mapping, and make it so that writing into it faults: the saver
// writes only into committed, writable memory.
TEST_F(PauseAndReadback, AMappingThatCannotBeWrittenIsLeftAlone)
{
    ReadableSaver s;
    ASSERT_NE(s.window(), nullptr);
    // Reserved, not committed: it maps, but the first byte written faults.
    HANDLE mapping = s.makeMapping(PAGE_READWRITE | SEC_RESERVE);
    ASSERT_NE(mapping, nullptr);
    MEMORY_BASIC_INFORMATION region{};
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ASSERT_NE(view, nullptr);
    VirtualQuery(view, &region, sizeof region);
    UnmapViewOfFile(view);
    if (region.State == MEM_COMMIT) {
        CloseHandle(mapping);
        GTEST_SKIP() << "this system reports a SEC_RESERVE view as committed: nothing to tell the saver's check by";
    }
    EXPECT_EQ(s.request(readback::kHoldAndWrite, 0), 0);
    CloseHandle(mapping);
    EXPECT_EQ(s.request(readback::kRelease), 1);
    EXPECT_TRUE(s.saver().running());
    // And it still writes into a sound one.
    POINT origin{};
    EXPECT_GT(s.holdAndRead(0, origin).width, 0);
}

// What users get has no seams, whatever the environment says (the release check also looks for their names).
TEST_F(PauseAndReadback, TheShippedSaverHasNoSeams)
{
    ReadableSaver s(nullptr, e2e::shippedSaverPath());
    ASSERT_NE(s.window(), nullptr);
    POINT origin{};
    EXPECT_EQ(s.holdAndRead(0, origin).width, 0);
    EXPECT_EQ(s.frames(), 0) << "the shipped saver answers no frame count";
    // Not held either: the snow goes on on the screen.
    EXPECT_TRUE(e2e::screenChanges({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
}

}  // namespace

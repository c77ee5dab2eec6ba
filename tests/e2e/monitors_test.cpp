// The full-screen saver over two monitors (the passes of scripts/e2e.sh with two monitors, side by side and one above
// the other): every monitor shows its own dimmed desktop with snow moving, and input on any of them ends the saver.
// Skipped with one monitor, unless the bed says there are two.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "saver.h"

using e2e::MonitorArea;
using e2e::Saver;

namespace {

// The desktop's colour at a desktop x: bands 128 pixels wide, each its own colour.
COLORREF bandColour(int x)
{
    static const COLORREF colours[] = {RGB(200, 100, 50), RGB(0, 128, 255), RGB(90, 200, 90), RGB(250, 250, 250),
                                       RGB(160, 40, 200)};
    const int band = (x + 4096) / 128;
    return colours[band % int(std::size(colours))];
}

bool fading(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

// A pointer move as the system's input delivers it, to a point of the virtual screen.
void movePointerTo(int x, int y)
{
    const RECT all = e2e::virtualScreenRect();
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = LONG((x - all.left) * 65535LL / (all.right - all.left - 1));
    in.mi.dy = LONG((y - all.top) * 65535LL / (all.bottom - all.top - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    SendInput(1, &in, sizeof in);
}

class Monitors : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetSystemMetrics(SM_CMONITORS) < 2) {
            if (e2e::bedHasTwoMonitors())
                GTEST_FAIL() << "one monitor, on a bed said to have two";
            GTEST_SKIP() << "one monitor: the two-monitor passes of scripts/e2e.sh run these";
        }
        e2e::clearStore();
    }
    void TearDown() override { e2e::clearStore(); }
};

TEST_F(Monitors, EveryMonitorShowsItsOwnDesktopDimmedWithSnowMoving)
{
    e2e::storeText(L"reg_precipitation", L"4");
    e2e::storeText(L"blightness", L"2");
    e2e::storeText(L"messageText", L"");
    const RECT all = e2e::virtualScreenRect();
    e2e::TestWindow desktop(all, [&](HDC dc, const RECT& client) {
        for (int x = client.left; x < client.right; ++x) {
            RECT column{x, client.top, x + 1, client.bottom};
            HBRUSH brush = CreateSolidBrush(bandColour(x + all.left));
            FillRect(dc, &column, brush);
            DeleteObject(brush);
        }
    });
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_TRUE(EqualRect(&r, &all)) << "the snow window covers the virtual screen";
    ASSERT_TRUE(e2e::waitFrames(window, 50));

    const std::vector<MonitorArea> shown = e2e::monitors();
    const e2e::Picture first = e2e::captureScreen(all);
    e2e::Picture later;
    auto snowMovesOnEvery = [&] {
        later = e2e::captureScreen(all);
        for (const MonitorArea& m : shown) {
            int changed = 0;
            for (int y = m.bounds.top; y < m.bounds.bottom; ++y)
                for (int x = m.bounds.left; x < m.bounds.right; ++x)
                    changed += first.at(x - all.left, y - all.top) != later.at(x - all.left, y - all.top);
            if (changed < 50)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(e2e::pumpUntil(snowMovesOnEvery)) << "snow falls on every monitor";
    e2e::saveBmp(later, e2e::outputPath(L"two_monitors.bmp"));

    // Each monitor's desktop 1:1: a band's colour, at half its brightness, in the middle of each band.
    for (const MonitorArea& m : shown) {
        SCOPED_TRACE(m.primary ? "primary" : "second");
        for (int x = (m.bounds.left + 4096) / 128 * 128 - 4096 + 128; x + 128 <= m.bounds.right; x += 128) {
            const RECT block{x + 24 - all.left, m.bounds.top + 40 - all.top, x + 104 - all.left,
                             m.bounds.top + 100 - all.top};
            const uint32_t seen = e2e::dominantColour(later, block);
            const COLORREF band = bandColour(x);
            EXPECT_NEAR(int((seen >> 16) & 0xFF), GetRValue(band) * 127 / 255, 2) << "x " << x;
            EXPECT_NEAR(int((seen >> 8) & 0xFF), GetGValue(band) * 127 / 255, 2) << "x " << x;
            EXPECT_NEAR(int(seen & 0xFF), GetBValue(band) * 127 / 255, 2) << "x " << x;
        }
    }
    // Where no monitor shows the virtual screen, nothing is drawn.
    for (int y = all.top; y < all.bottom; y += 16)
        for (int x = all.left; x < all.right; x += 16) {
            const POINT p{x, y};
            if (!MonitorFromPoint(p, MONITOR_DEFAULTTONULL)) {
                ASSERT_EQ(later.at(x - all.left, y - all.top), 0u) << x << "," << y;
            }
        }
}

TEST_F(Monitors, AMoveThatStaysOnTheSecondMonitorEndsTheSaver)
{
    const std::vector<MonitorArea> shown = e2e::monitors();
    const auto side = std::find_if(shown.begin(), shown.end(), [](const MonitorArea& m) { return !m.primary; });
    ASSERT_NE(side, shown.end());
    // The pointer rests on the second monitor when the saver starts; the system may report it there at once,
    // which only arms the pointer test.
    const int cx = (side->bounds.left + side->bounds.right) / 2, cy = (side->bounds.top + side->bounds.bottom) / 2;
    movePointerTo(cx, cy);
    e2e::pumpUntil([&] {
        POINT p{};
        return GetCursorPos(&p) && p.x == cx && p.y == cy;
    });
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(e2e::waitFrames(window, 5));

    movePointerTo(cx + 40, cy);  // along one axis only: arms, or changes one coordinate
    ASSERT_TRUE(e2e::waitFrames(window, 3));
    EXPECT_FALSE(fading(window));
    movePointerTo(cx + 80, cy + 60);
    EXPECT_TRUE(e2e::pumpUntil([&] { return fading(window); })) << "the fade starts";
    EXPECT_TRUE(saver.waitExit());
}

}  // namespace

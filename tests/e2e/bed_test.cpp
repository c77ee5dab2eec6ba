// The test bed of each pass of scripts/e2e.sh is what the pass asked for: its monitors where Wine should report them,
// and its DPI. A pass whose bed is wrong would otherwise skip or quietly test something else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "saver.h"

namespace {

std::string text(const RECT& r)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return buffer;
}

// The system's DPI; an unaware program would always be told 96.
int systemDpi()
{
    using GetDpi = UINT WINAPI();
    auto* get = reinterpret_cast<GetDpi*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForSystem")));
    return get ? int(get()) : 0;
}

TEST(Bed, HasTheMonitorsThisPassAskedFor)
{
    const std::wstring bed = e2e::bed();
    if (bed.empty())
        GTEST_SKIP() << "not run by scripts/e2e.sh: no bed was asked for";
    std::vector<e2e::MonitorArea> shown = e2e::monitors();
    std::sort(shown.begin(), shown.end(),
              [](const e2e::MonitorArea& a, const e2e::MonitorArea& b) { return a.primary > b.primary; });
    std::string seen = "monitors seen:";
    for (const e2e::MonitorArea& s : shown) {
        seen += ' ';
        seen += text(s.bounds);
        if (s.primary)
            seen += " primary";
    }
    SCOPED_TRACE(seen);
    ASSERT_EQ(shown.size(), e2e::bedHasTwoMonitors() ? 2u : 1u);
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), int(shown.size()));
    ASSERT_TRUE(shown[0].primary);
    EXPECT_EQ(shown[0].bounds.left, 0);
    EXPECT_EQ(shown[0].bounds.top, 0);
    if (!e2e::bedHasTwoMonitors())
        return;
    // The primary 1024 x 768, the second 800 x 600 beside it or above it, as Wine reports what xrandr was told.
    const RECT primary{0, 0, 1024, 768};
    const RECT second = bed == L"side" ? RECT{-800, 0, 0, 600} : RECT{112, -600, 912, 0};
    const RECT all = bed == L"side" ? RECT{-800, 0, 1024, 768} : RECT{0, -600, 1024, 768};
    EXPECT_TRUE(EqualRect(&shown[0].bounds, &primary));
    EXPECT_TRUE(EqualRect(&shown[1].bounds, &second)) << "the second monitor should be at " << text(second);
    const RECT virtualScreen = e2e::virtualScreenRect();
    EXPECT_TRUE(EqualRect(&virtualScreen, &all)) << "the virtual screen is " << text(virtualScreen);
}

TEST(Bed, RunsAtTheDpiThisPassAskedFor)
{
    if (e2e::bed().empty())
        GTEST_SKIP() << "not run by scripts/e2e.sh: no bed was asked for";
    // The tests see the saver's windows in physical pixels, as a per-monitor aware program does.
    EXPECT_EQ(e2e::ownDpiAwareness(), DPI_AWARENESS_PER_MONITOR_AWARE) << "this test program is not per-monitor aware";
    EXPECT_EQ(systemDpi(), e2e::bedDpi());
}

}  // namespace

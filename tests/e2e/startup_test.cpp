// Start-up of nivora.scr as the system starts it: the three modes, the single instance, a hostile store.
#include <gtest/gtest.h>

#include "saver.h"

using e2e::Saver;

namespace {

class StartUp : public ::testing::Test {
protected:
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }
};

RECT screenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

std::wstring handleText(HWND hwnd) { return std::to_wstring(reinterpret_cast<INT_PTR>(hwnd)); }

TEST_F(StartUp, FullScreenShowsATopmostWindowCoveringTheScreen)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(e2e::pumpUntil([&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 2000));
    RECT r{};
    GetWindowRect(window, &r);
    const RECT screen = screenRect();
    EXPECT_EQ(r.left, screen.left);
    EXPECT_EQ(r.top, screen.top);
    EXPECT_EQ(r.right, screen.right);
    EXPECT_EQ(r.bottom, screen.bottom);
    EXPECT_TRUE(saver.running());
}

TEST_F(StartUp, WhileAFullScreenSaverRunsEveryOtherStartEndsAtOnceWithoutAWindow)
{
    // The host comes first: a window that takes the foreground from the full-screen saver ends it.
    e2e::TestWindow host({100, 100, 252, 212}, nullptr);
    Saver first(L"/s");
    ASSERT_NE(first.waitForWindow(L"Nivora MAIN"), nullptr);

    for (const std::wstring& arguments : {std::wstring(L"/s"), L"/p " + handleText(host.hwnd()), std::wstring(L"/c")}) {
        SCOPED_TRACE(std::string(arguments.begin(), arguments.end()));
        Saver second(arguments);
        bool sawWindow = false;
        const bool ended = e2e::pumpUntil(
            [&] {
                sawWindow = sawWindow || !e2e::topLevelWindowsOf(second.pid()).empty() ||
                            FindWindowExW(host.hwnd(), nullptr, nullptr, nullptr) != nullptr;
                return !second.running();
            },
            5000);
        EXPECT_TRUE(ended);
        EXPECT_EQ(second.exitCode(), 0u);
        EXPECT_FALSE(sawWindow);
    }
    EXPECT_TRUE(first.running());
}

TEST_F(StartUp, PreviewFillsItsHostAndEndsWithIt)
{
    e2e::TestWindow host({200, 200, 352, 312}, [](HDC dc, const RECT& r) { FillRect(dc, &r, (HBRUSH)GetStockObject(GRAY_BRUSH)); });
    Saver saver(L"/p " + handleText(host.hwnd()));

    HWND child = nullptr;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (child = FindWindowExW(host.hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; }, 10000));
    RECT hostRect{}, childRect{};
    GetWindowRect(host.hwnd(), &hostRect);
    GetWindowRect(child, &childRect);
    EXPECT_EQ(hostRect.right - hostRect.left, 152);
    EXPECT_EQ(hostRect.bottom - hostRect.top, 112);
    EXPECT_EQ(childRect.left, hostRect.left);
    EXPECT_EQ(childRect.top, hostRect.top);
    EXPECT_EQ(childRect.right, hostRect.right);
    EXPECT_EQ(childRect.bottom, hostRect.bottom);
    EXPECT_TRUE(e2e::topLevelWindowsOf(saver.pid()).empty() ||
                !IsWindowVisible(e2e::topLevelWindowsOf(saver.pid()).front()))
        << "the preview shows no top-level window";

    host.destroy();
    EXPECT_TRUE(saver.waitExit(1000)) << "the saver must end with its host";
}

TEST_F(StartUp, PreviewWithoutAUsableHostEndsAtOnce)
{
    for (const wchar_t* arguments : {L"/p 0", L"/p:1234", L"/p", L"/p 99999999"}) {
        SCOPED_TRACE(std::wstring(arguments).size());
        Saver saver(arguments);
        EXPECT_TRUE(saver.waitExit(5000));
        EXPECT_TRUE(e2e::topLevelWindowsOf(saver.pid()).empty());
    }
}

TEST_F(StartUp, CorruptStoredValuesDoNotStopTheSaver)
{
    const DWORD number = 3;
    e2e::storeRaw(L"reg_precipitation", REG_DWORD, &number, sizeof number);
    e2e::storeText(L"velocity", L"abc");
    e2e::storeText(L"direction", L"");
    e2e::storeText(L"blightness", L"100000");
    Saver saver(L"/s");
    EXPECT_NE(saver.waitForWindow(L"Nivora MAIN"), nullptr);
    EXPECT_TRUE(saver.running());
    e2e::pump(200);
    // Loading never writes: the corrupt values are still there as they were.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Nivora\\Settings", 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t text[16] = {};
    DWORD bytes = sizeof text, type = 0;
    RegQueryValueExW(key, L"velocity", nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    RegCloseKey(key);
    EXPECT_STREQ(text, L"abc");
}

}  // namespace

// The snow screen as a user sees it: the dimmed desktop, moving snow, the message written in snow, and the ways the
// saver ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "saver.h"

using e2e::Saver;

namespace {

// Four vertical bands of known colours over the whole screen, to be captured by the saver as "the desktop".
const COLORREF kBands[] = {RGB(200, 100, 50), RGB(255, 255, 255), RGB(0, 128, 255), RGB(90, 90, 90)};

void paintBands(HDC dc, const RECT& r)
{
    const int n = int(std::size(kBands));
    for (int i = 0; i < n; ++i) {
        RECT band{r.right * i / n, 0, r.right * (i + 1) / n, r.bottom};
        HBRUSH brush = CreateSolidBrush(kBands[i]);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

RECT screenRect() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

void storeSettings(int precipitation, int blightness, const std::wstring& message, bool automaticWind = true)
{
    e2e::storeText(L"reg_precipitation", std::to_wstring(precipitation));
    e2e::storeText(L"velocity", L"6");
    e2e::storeText(L"direction", automaticWind ? L"True" : L"False");
    e2e::storeText(L"blightness", std::to_wstring(blightness));
    e2e::storeText(L"messageText", message);
}


int channel(uint32_t pixel, int shift) { return int((pixel >> shift) & 0xFF); }

// The most common colour of a block of the screen: the background there, whatever snow falls through it.
uint32_t dominantColour(const e2e::Picture& picture, const RECT& r)
{
    std::map<uint32_t, int> counts;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            ++counts[picture.at(x, y)];
    return std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
}

class Snow : public ::testing::Test {
protected:
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }
};

TEST_F(Snow, TheDesktopShowsDimmedByTheBrightnessWithSnowMovingOverIt)
{
    struct Case {
        int blightness;
        int alpha;  // the share of each channel that remains, of 255
    };
    for (const Case& c : {Case{2, 127}, Case{0, 0}, Case{4, 255}}) {
        SCOPED_TRACE(c.blightness);
        storeSettings(4, c.blightness, L"");
        e2e::TestWindow desktop(screenRect(), paintBands);
        Saver saver(L"/s");
        ASSERT_NE(saver.waitForWindow(L"Nivora MAIN"), nullptr);
        e2e::pump(700);
        const e2e::Picture first = e2e::captureScreen();
        e2e::pump(300);
        const e2e::Picture second = e2e::captureScreen();
        if (c.blightness == 2)
            e2e::saveBmp(second, e2e::outputPath(L"fullscreen_brightness2.bmp"));

        const int n = int(std::size(kBands));
        for (int i = 0; i < n; ++i) {
            const RECT block{first.width * i / n + 10, first.height / 3, first.width * (i + 1) / n - 10,
                             first.height / 3 + 60};
            const uint32_t seen = dominantColour(second, block);
            const COLORREF band = kBands[i];
            const int expected[3] = {GetRValue(band) * c.alpha / 255, GetGValue(band) * c.alpha / 255,
                                     GetBValue(band) * c.alpha / 255};
            EXPECT_NEAR(channel(seen, 16), expected[0], 2) << "band " << i;
            EXPECT_NEAR(channel(seen, 8), expected[1], 2) << "band " << i;
            EXPECT_NEAR(channel(seen, 0), expected[2], 2) << "band " << i;
        }
        size_t changed = 0;
        for (size_t p = 0; p < first.pixels.size(); ++p)
            changed += first.pixels[p] != second.pixels[p];
        EXPECT_GT(changed, 100u) << "snow falls between two screenshots";
    }
}

TEST_F(Snow, TheMessageIsWrittenInSnowAndNothingElseStaysWhite)
{
    storeSettings(4, 0, L"IIII");
    Saver saver(L"/s");
    ASSERT_NE(saver.waitForWindow(L"Nivora MAIN"), nullptr);
    e2e::pump(10000);

    // White that stays through three screenshots is settled snow, not a flake passing by. How fast snow gathers
    // is random, so look again for a while until enough has settled.
    int inside = 0, outside = 0;
    for (int attempt = 0; attempt < 8 && inside <= 50; ++attempt) {
        std::vector<e2e::Picture> shots;
        for (int i = 0; i < 3; ++i) {
            shots.push_back(e2e::captureScreen());
            e2e::pump(150);
        }
        e2e::saveBmp(shots.back(), e2e::outputPath(L"fullscreen_message.bmp"));
        const int w = shots[0].width, h = shots[0].height;
        inside = outside = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool white = std::all_of(shots.begin(), shots.end(),
                                               [&](const e2e::Picture& p) { return p.at(x, y) == 0xFFFFFF; });
                if (!white)
                    continue;
                // The message ends 5 % before the right edge and its line starts at 80 % of the height; a flake
                // settles with its 6 x 6 sprite at most a few pixels off the mask.
                const bool inBox =
                    x >= w / 2 && x <= w * 19 / 20 + 8 && y >= h * 4 / 5 - 8 && y <= h * 4 / 5 + 80;
                (inBox ? inside : outside)++;
            }
        if (outside > 0)
            break;
        e2e::pump(2000);
    }
    EXPECT_GT(inside, 50) << "snow gathers on the message";
    EXPECT_EQ(outside, 0) << "no snow settles anywhere else";
}

// Opacity of the snow window as the fade leaves it, read back while the fade runs.
std::vector<int> watchFade(Saver& saver, HWND window)
{
    std::vector<int> steps;
    e2e::pumpUntil(
        [&] {
            BYTE alpha = 0;
            DWORD flags = 0;
            if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) &&
                GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
                (steps.empty() || steps.back() != alpha))
                steps.push_back(alpha);
            return !saver.running();
        },
        5000);
    return steps;
}

TEST_F(Snow, AKeyFadesTheSaverOutInSevenStepsAndEndsIt)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    e2e::pump(300);
    const ULONGLONG start = GetTickCount64();
    PostMessageW(e2e::picMainOf(window), WM_KEYDOWN, 'A', 0);
    const std::vector<int> steps = watchFade(saver, window);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_FALSE(saver.running());
    EXPECT_GE(elapsed, 1300u);
    EXPECT_LE(elapsed, 3000u);
    const std::set<int> allowed{255, 223, 191, 159, 127, 95, 63, 31};
    for (int a : steps)
        EXPECT_TRUE(allowed.count(a)) << a;
    EXPECT_GE(steps.size(), 5u) << "most opacity steps are seen";
    EXPECT_TRUE(std::is_sorted(steps.rbegin(), steps.rend()));
}

TEST_F(Snow, ASecondKeyDuringTheFadeEndsTheSaverAtOnce)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    HWND pic = e2e::picMainOf(window);
    PostMessageW(pic, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(e2e::pumpUntil([&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }, 2000));
    PostMessageW(pic, WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(saver.waitExit(500));
}

TEST_F(Snow, PointerMovesEndTheSaverOnlyWhenBothCoordinatesChangeAfterTheFirst)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    HWND pic = e2e::picMainOf(window);
    auto fading = [&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; };

    // The system may already have reported the pointer where it rests; a move there changes nothing.
    POINT p{};
    GetCursorPos(&p);
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));  // the first move only arms
    EXPECT_FALSE(e2e::pumpUntil(fading, 400));
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 40, p.y));  // along one axis
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 40, p.y + 30));
    EXPECT_FALSE(e2e::pumpUntil(fading, 400));
    EXPECT_TRUE(saver.running());
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 50, p.y + 40));  // both
    EXPECT_TRUE(e2e::pumpUntil(fading, 2000));
    EXPECT_TRUE(saver.waitExit(4000));
}

TEST_F(Snow, PreviewSnowsWithSinglePixelFlakesAndIgnoresInput)
{
    storeSettings(4, 0, L"");
    e2e::TestWindow host({300, 300, 452, 412}, nullptr);
    Saver saver(L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host.hwnd())));
    HWND child = nullptr;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (child = FindWindowExW(host.hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; }, 10000));
    HWND pic = e2e::picMainOf(child);
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_MOUSEMOVE), UINT(WM_MOUSEMOVE)})
        PostMessageW(pic, message, 0, MAKELPARAM(rand() % 100, rand() % 100));
    e2e::pump(3000);
    EXPECT_TRUE(saver.running()) << "input never ends a preview";
    EXPECT_FALSE(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_LAYERED);

    // Wine draws no child window that lives in another process than its parent (a plain GDI child shows
    // nothing either), so what the preview draws cannot be seen from here; the frames are tested in the core.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine shows no cross-process child window";
    const e2e::Picture screen = e2e::captureScreen();
    e2e::Picture box;
    box.width = 152;
    box.height = 112;
    for (int y = 0; y < 112; ++y)
        for (int x = 0; x < 152; ++x)
            box.pixels.push_back(screen.at(300 + x, 300 + y));
    e2e::saveBmp(box, e2e::outputPath(L"preview.bmp"));
    // Over a black background a falling flake is a white pixel over a grey one, one pixel wide.
    int flakes = 0, wide = 0;
    for (int y = 0; y + 1 < 112; ++y)
        for (int x = 0; x < 152; ++x)
            if (box.at(x, y) == 0xFFFFFF && box.at(x, y + 1) == 0xB4B4B4) {
                ++flakes;
                wide += (x + 1 < 152 && box.at(x + 1, y) == 0xFFFFFF);
            }
    EXPECT_GT(flakes, 5);
    EXPECT_LT(wide, flakes / 4 + 1) << "preview flakes are single pixels, not sprites";
}

}  // namespace

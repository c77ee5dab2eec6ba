// The snow screen as a user sees it: the dimmed desktop, moving snow, the message written in snow, and the ways the
// saver ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>

#include "fonts.h"
#include "saver.h"
#include "toolkit.h"

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

RECT screenRect()
{
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void storeSettings(int precipitation, int blightness, const std::wstring& message, bool automaticWind = true)
{
    e2e::storeText(L"reg_precipitation", std::to_wstring(precipitation));
    e2e::storeText(L"velocity", L"6");
    e2e::storeText(L"direction", automaticWind ? L"True" : L"False");
    e2e::storeText(L"blightness", std::to_wstring(blightness));
    e2e::storeText(L"messageText", message);
}

int channel(uint32_t pixel, int shift)
{
    return int((pixel >> shift) & 0xFF);
}

size_t changedPixels(const e2e::Picture& a, const e2e::Picture& b)
{
    size_t changed = 0;
    for (size_t p = 0; p < a.pixels.size(); ++p)
        changed += a.pixels[p] != b.pixels[p];
    return changed;
}

// Where a message can catch snow on a primary monitor of this size: the ink of the saver's own message font, printed
// so that the text ends 5 % of the width before the right edge with its line at 80 % of the height, and around it
// the few pixels a settled flake's 6 x 6 sprite may lie off the mask.
RECT messageArea(int width, int height, const wchar_t* message)
{
    e2e::TestWindow parent({0, 0, 10, 10}, nullptr, WS_POPUP);
    nivora::win32::PictureBox box;
    box.create(parent.hwnd(), {{0, 0, 1000, 300}, false, RGB(0, 0, 0), RGB(255, 255, 255)});
    // The passes that run this test keep every monitor at 96 dpi: the snow's scale is 1.
    const nivora::SnowArea area{int16_t(width), int16_t(height), nivora::SnowMode::FullScreen};
    box.setFont(nivora::win32::messageFont(area));
    const int textWidth = box.textWidth(message);
    box.print(0, 0, message);
    RECT ink{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            if ((box.pixels()[size_t(y) * size_t(box.width()) + size_t(x)] & 0xFFFFFF) == 0xFFFFFF)
                ink = {std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                       std::max<LONG>(ink.bottom, y + 1)};
    const int left = width * 19 / 20 - textWidth, top = height * 4 / 5;
    constexpr int kOff = 8;
    return {left + ink.left - kOff, top + ink.top - kOff, left + ink.right + kOff, top + ink.bottom + kOff};
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
        HWND window = saver.waitForWindow(L"Nivora MAIN");
        ASSERT_NE(window, nullptr);
        // Flakes start above the top edge; after a second's frames many have come in.
        ASSERT_TRUE(e2e::waitFrames(window, 50));
        const e2e::Picture first = e2e::captureScreen();
        e2e::Picture second;
        EXPECT_TRUE(e2e::pumpUntil([&] {
            second = e2e::captureScreen();
            return changedPixels(first, second) > 100;
        })) << "snow falls between two screenshots";
        if (c.blightness == 2)
            e2e::saveBmp(second, e2e::outputPath(L"fullscreen_brightness2.bmp"));

        const int n = int(std::size(kBands));
        for (int i = 0; i < n; ++i) {
            const RECT block{first.width * i / n + 10, first.height / 3, first.width * (i + 1) / n - 10,
                             first.height / 3 + 60};
            const uint32_t seen = e2e::dominantColour(second, block);
            const COLORREF band = kBands[i];
            const int expected[3] = {GetRValue(band) * c.alpha / 255, GetGValue(band) * c.alpha / 255,
                                     GetBValue(band) * c.alpha / 255};
            EXPECT_NEAR(channel(seen, 16), expected[0], 2) << "band " << i;
            EXPECT_NEAR(channel(seen, 8), expected[1], 2) << "band " << i;
            EXPECT_NEAR(channel(seen, 0), expected[2], 2) << "band " << i;
        }
    }
}

TEST_F(Snow, TheMessageIsWrittenInSnowAndNothingElseStaysWhite)
{
    storeSettings(4, 0, L"IIII");
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(e2e::waitFrames(window, 500)) << "ten seconds of snow";

    // White that stays through five screenshots is settled snow, not a flake passing by; with 3000 flakes a pixel
    // outside the message is still, rarely, white in all five, so only white that stays through two such looks in a
    // row counts there: settled snow never leaves. How fast snow gathers is random, so look again for a while until
    // enough has settled.
    const RECT all = e2e::virtualScreenRect();  // every monitor: the message goes on the primary one only
    const RECT box = messageArea(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), L"IIII");
    ASSERT_LT(box.right - box.left, 200) << "four narrow letters";
    std::vector<bool> whiteBefore;
    int inside = 0, outside = 0;
    for (int attempt = 0; attempt < 10 && (inside <= 50 || attempt < 2); ++attempt) {
        std::vector<e2e::Picture> shots;
        for (int i = 0; i < 5; ++i) {
            shots.push_back(e2e::captureScreen(all));
            e2e::waitFrames(window, 12);
        }
        e2e::saveBmp(shots.back(), e2e::outputPath(L"fullscreen_message.bmp"));
        std::vector<bool> white(size_t(shots[0].width) * size_t(shots[0].height));
        inside = outside = 0;
        for (int sy = 0; sy < shots[0].height; ++sy)
            for (int sx = 0; sx < shots[0].width; ++sx) {
                const size_t at = size_t(sy) * size_t(shots[0].width) + size_t(sx);
                white[at] = std::all_of(shots.begin(), shots.end(),
                                        [&](const e2e::Picture& p) { return p.at(sx, sy) == 0xFFFFFF; });
                if (!white[at])
                    continue;
                const POINT p{sx + all.left, sy + all.top};
                if (PtInRect(&box, p))
                    ++inside;
                else if (!whiteBefore.empty() && whiteBefore[at])
                    ++outside;
            }
        whiteBefore = std::move(white);
        if (outside > 0)
            break;
        e2e::waitFrames(window, 100);
    }
    EXPECT_GT(inside, 50) << "snow gathers on the message";
    EXPECT_EQ(outside, 0) << "no snow settles anywhere else";
}

// Microseconds of the performance counter, the clock the saver's timers run on.
int64_t clockNow()
{
    LARGE_INTEGER frequency{}, counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return counter.QuadPart / frequency.QuadPart * 1000000 +
           counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
}

// The fade's opacities as they are first seen while it runs, each with the time it was seen.
struct FadeStep {
    int opacity;
    int64_t seenAt;
};
std::vector<FadeStep> watchFade(Saver& saver, HWND window)
{
    std::vector<FadeStep> steps;
    e2e::pumpUntil([&] {
        BYTE alpha = 0;
        DWORD flags = 0;
        if ((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) &&
            GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && (flags & LWA_ALPHA) &&
            (steps.empty() || steps.back().opacity != alpha))
            steps.push_back({alpha, clockNow()});
        return !saver.running();
    });
    return steps;
}

// Whether `seen` holds only opacities of `all`, in its order.
bool inOrderOf(const std::vector<FadeStep>& seen, const std::vector<int>& all)
{
    auto next = all.begin();
    for (const FadeStep& s : seen) {
        next = std::find(next, all.end(), s.opacity);
        if (next == all.end())
            return false;
        ++next;
    }
    return true;
}

const std::vector<int> kFadeOpacities{255, 223, 191, 159, 127, 95, 63, 31};

// The fade's steps come on their clock, never early. A busy machine may show a step so briefly that the poll misses
// it, so the steps are checked by what is seen: in order, each no sooner than its 200 ms after the key. Every step,
// and that the eighth tick ends, the core's tests pin down.
TEST_F(Snow, AKeyFadesTheSaverOutInSevenStepsAndEndsIt)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(e2e::waitFrames(window, 10));
    const int64_t start = clockNow();
    PostMessageW(e2e::picMainOf(window), WM_KEYDOWN, 'A', 0);
    const std::vector<FadeStep> steps = watchFade(saver, window);
    EXPECT_FALSE(saver.running());
    EXPECT_EQ(saver.exitCode(), 0u);
    ASSERT_FALSE(steps.empty()) << "no fade";
    EXPECT_TRUE(inOrderOf(steps, kFadeOpacities));
    for (const FadeStep& s : steps) {
        const int64_t step = (255 - s.opacity) / 32;
        EXPECT_GE(s.seenAt - start, step * 200'000) << "opacity " << s.opacity << " came early";
    }
}

TEST_F(Snow, ASecondKeyDuringTheFadeEndsTheSaverAtOnce)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    HWND pic = e2e::picMainOf(window);
    PostMessageW(pic, WM_KEYDOWN, 'A', 0);
    // The window is made layered first and given its opacity next.
    BYTE atClick = 0;
    ASSERT_TRUE(e2e::pumpUntil([&] {
        DWORD flags = 0;
        return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) &&
               GetLayeredWindowAttributes(window, nullptr, &atClick, &flags) && (flags & LWA_ALPHA);
    }));
    PostMessageW(pic, WM_LBUTTONDOWN, 0, 0);
    // At once: the click waits for no more than the step that may have been on its way when it was posted.
    const std::vector<FadeStep> steps = watchFade(saver, window);
    EXPECT_FALSE(saver.running());
    EXPECT_GE(steps.empty() ? int(atClick) : steps.back().opacity, int(atClick) - 32)
        << "the fade went on after the click, from " << int(atClick);
}

// Frames keep the schedule of their clock, however busy the machine: a frame every 20 ms on a grid that starts with
// the first frame, late when the machine is slow but never early, short delays made up at most two to an interval
// and a stall not made up at all. Each poll asks the saver its frame count; the saver answers between frames, so the
// frames counted between two answers were drawn between the moment the first was asked for and the moment the second
// came. From the clock's rules, n frames within D microseconds after the first frame at S:
//   frame k is drawn no sooner than S + (k - 1) x 20 ms;
//   n <= 2 x D / 20 ms + 1 (never two frames closer than half an interval);
//   n <= D / 20 ms + kCatchUp (at most 5 intervals made up, and one more for the frame late on its grid).
// The rate itself is the benchmarks' figure (scripts/bench_saver.sh).
TEST_F(Snow, FramesComeOnTheirScheduleNeverEarlyNorInBursts)
{
    constexpr int64_t kInterval = 20'000;
    constexpr int64_t kCatchUp = 7;
    struct Sample {
        int64_t askedAt, answeredAt, frames;
    };
    // The window shows just before the first frame is drawn: the last look that did not find it gives the earliest
    // moment of that frame.
    const int64_t launched = clockNow();
    Saver saver(L"/s");
    int64_t notShownAt = launched;
    HWND window = nullptr;
    ASSERT_TRUE(e2e::pumpUntil([&] {
        const int64_t lookedAt = clockNow();
        for (HWND w : e2e::topLevelWindowsOf(saver.pid()))
            if (e2e::captionOf(w) == L"Nivora MAIN" && IsWindowVisible(w))
                window = w;
        if (!window)
            notShownAt = lookedAt;
        return window != nullptr;
    }));
    std::vector<Sample> samples;
    // Polls the count as often as the machine lets this test run, until `frames` frames have come.
    auto sampleUntil = [&](int64_t frames) {
        const ULONGLONG end = GetTickCount64() + e2e::kPatienceMs;
        for (;;) {
            const int64_t asked = clockNow();
            const int64_t count = e2e::frameCount(window);
            samples.push_back({asked, clockNow(), count});
            if (count < 0 || count >= frames)
                return count >= 0;
            if (GetTickCount64() >= end)
                return false;
            Sleep(1);
        }
    };
    // Stops the saver's loop for a while, as a busy machine may.
    auto stall = [&](DWORD milliseconds) {
        ASSERT_NE(SuspendThread(saver.mainThread()), DWORD(-1));
        Sleep(milliseconds);
        ResumeThread(saver.mainThread());
    };
    ASSERT_TRUE(sampleUntil(100));
    // Four intervals missed: made up, but never two frames closer than half an interval.
    stall(80);
    ASSERT_TRUE(sampleUntil(samples.back().frames + 100));
    // Fifty intervals missed: the frames go on from the resume without making them up.
    stall(1000);
    ASSERT_TRUE(sampleUntil(samples.back().frames + 150));
    std::printf("[ snow ] %d polls of the frame count\n", int(samples.size()));

    int early = 0, bursts = 0, madeUp = 0;
    for (size_t k = 0; k < samples.size(); ++k) {
        const Sample& b = samples[k];
        if (b.frames > (b.answeredAt - notShownAt) / kInterval + 1 && early++ == 0)
            ADD_FAILURE() << "frame " << b.frames << " drawn within " << (b.answeredAt - notShownAt) / 1000
                          << " ms of the first";
        for (size_t j = 0; j < k; ++j) {
            const Sample& a = samples[j];
            const int64_t n = b.frames - a.frames, d = b.answeredAt - a.askedAt;
            if (n > 2 * d / kInterval + 1 && bursts++ == 0)
                ADD_FAILURE() << n << " frames within " << d << " us";
            if (n > d / kInterval + kCatchUp && madeUp++ == 0)
                ADD_FAILURE() << n << " frames within " << d << " us: more than a few made up";
        }
    }
    EXPECT_EQ(early, 0);
    EXPECT_EQ(bursts, 0);
    EXPECT_EQ(madeUp, 0);
}

// Only for the benchmark (scripts/bench_saver.sh runs it beside a saver it started): the frames a second of the
// saver whose window is on the screen, over NIVORA_BENCH_SECONDS.
TEST(SaverFrameRate, DISABLED_OfTheRunningSaver)
{
    HWND window = FindWindowW(nullptr, L"Nivora MAIN");
    ASSERT_NE(window, nullptr) << "no saver runs";
    wchar_t text[16] = {};
    const DWORD n = GetEnvironmentVariableW(L"NIVORA_BENCH_SECONDS", text, DWORD(std::size(text)));
    const int seconds = n > 0 && n < std::size(text) ? std::max(1, _wtoi(text)) : 10;
    const int64_t first = e2e::frameCount(window), start = clockNow();
    e2e::pump(DWORD(seconds) * 1000);
    const int64_t last = e2e::frameCount(window), end = clockNow();
    ASSERT_GE(first, 0);
    ASSERT_GE(last, first);
    std::printf("saver_frames_per_second: %.2f\n", double(last - first) * 1e6 / double(end - start));
}

// Keys and buttons as a user presses them, through the system's input: Alt and F10 come as system keys, the other
// buttons as their own messages.
TEST_F(Snow, AltF10AndEveryMouseButtonStartTheFadeAndEndTheSaver)
{
    struct Case {
        const char* name;
        INPUT down;
        INPUT up;
    };
    auto key = [](WORD vk, DWORD flags) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = flags;
        return in;
    };
    auto button = [](DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        return in;
    };
    const Case cases[] = {
        {"Alt", key(VK_MENU, 0), key(VK_MENU, KEYEVENTF_KEYUP)},
        {"F10", key(VK_F10, 0), key(VK_F10, KEYEVENTF_KEYUP)},
        {"right button", button(MOUSEEVENTF_RIGHTDOWN), button(MOUSEEVENTF_RIGHTUP)},
        {"middle button", button(MOUSEEVENTF_MIDDLEDOWN), button(MOUSEEVENTF_MIDDLEUP)},
        {"left button", button(MOUSEEVENTF_LEFTDOWN), button(MOUSEEVENTF_LEFTUP)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Saver saver(L"/s");
        HWND window = saver.waitForWindow(L"Nivora MAIN");
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(e2e::waitFrames(window, 5));
        ASSERT_TRUE(e2e::pumpUntil([&] { return GetForegroundWindow() == window; })) << "the saver takes the input";
        INPUT both[] = {c.down, c.up};
        SendInput(2, both, sizeof(INPUT));
        EXPECT_TRUE(e2e::pumpUntil([&] { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }))
            << "the fade starts";
        EXPECT_TRUE(saver.waitExit());
    }
}

TEST_F(Snow, LosingActivationEndsTheSaverAtOnce)
{
    Saver saver(L"/s");
    HWND window = saver.waitForWindow(L"Nivora MAIN");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(e2e::waitFrames(window, 5));
    ASSERT_TRUE(e2e::pumpUntil([&] { return GetForegroundWindow() == window; }));
    // Another program takes the foreground, as after a click that reached it.
    e2e::TestWindow other({100, 100, 300, 300}, nullptr);
    SetForegroundWindow(other.hwnd());
    bool faded = false;
    EXPECT_TRUE(e2e::pumpUntil([&] {
        faded = faded || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        return !saver.running();
    }));
    EXPECT_FALSE(faded) << "at once, without the fade";
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
    ASSERT_TRUE(e2e::waitFrames(window, 3));
    EXPECT_FALSE(fading());
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 40, p.y));  // along one axis
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 40, p.y + 30));
    ASSERT_TRUE(e2e::waitFrames(window, 3));
    EXPECT_FALSE(fading());
    EXPECT_TRUE(saver.running());
    PostMessageW(pic, WM_MOUSEMOVE, 0, MAKELPARAM(p.x + 50, p.y + 40));  // both
    EXPECT_TRUE(e2e::pumpUntil(fading));
    EXPECT_TRUE(saver.waitExit());
}

// A preview box with no pixels: no picture can be made for it (start-up refuses such a host first, and the snow
// window's own set-up fails on it too), and the program ends at once instead of waiting for a host that will never
// close it.
TEST_F(Snow, ASetUpWhosePicturesCannotBeMadeEndsAtOnce)
{
    e2e::TestWindow host({300, 300, 300, 300}, nullptr);
    Saver saver(L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host.hwnd())));
    EXPECT_TRUE(saver.waitExit());
    EXPECT_EQ(FindWindowExW(host.hwnd(), nullptr, nullptr, nullptr), nullptr);
}

TEST_F(Snow, PreviewSnowsWithSinglePixelFlakesAndIgnoresInput)
{
    storeSettings(4, 0, L"");
    e2e::TestWindow host({300, 300, 452, 412}, nullptr);
    Saver saver(L"/p " + std::to_wstring(reinterpret_cast<INT_PTR>(host.hwnd())));
    HWND child = nullptr;
    ASSERT_TRUE(e2e::pumpUntil(
        [&] { return (child = FindWindowExW(host.hwnd(), nullptr, nullptr, L"Nivora Preview")) != nullptr; }));
    HWND pic = e2e::picMainOf(child);
    for (UINT message : {UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_MOUSEMOVE), UINT(WM_MOUSEMOVE)})
        PostMessageW(pic, message, 0, MAKELPARAM(rand() % 100, rand() % 100));
    // The input is handled before the next frames; a fade would show by then.
    ASSERT_TRUE(e2e::waitFrames(child, 20));
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

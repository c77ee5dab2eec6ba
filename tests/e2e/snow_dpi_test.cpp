// The snow at the display's scale, as a user of a 150 % screen sees it: flakes as much larger, the message at the
// monitor's DPI, and the snow falling as far across the screen in a frame. Run at 96 dpi and at 144 dpi.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/snow/snow_field.h"
#include "core/snow/snow_screens.h"
#include "fonts.h"
#include "readable_saver.h"
#include "saver.h"
#include "toolkit.h"

using e2e::ReadableSaver;

namespace {

// The DPI Wine gives every monitor, and this program's view of it (it is per-monitor aware).
int displayDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

nivora::SnowArea screenArea(double scale)
{
    return {int16_t(GetSystemMetrics(SM_CXSCREEN)), int16_t(GetSystemMetrics(SM_CYSCREEN)),
            nivora::SnowMode::FullScreen, 1.0f, scale};
}

void storeSettings(int precipitation, const std::wstring& message)
{
    e2e::storeText(L"reg_precipitation", std::to_wstring(precipitation));
    e2e::storeText(L"velocity", L"6");        // calm
    e2e::storeText(L"direction", L"False");  // and it stays so
    e2e::storeText(L"blightness", L"0");     // a black background: every pixel that is not black is snow
    e2e::storeText(L"messageText", message);
}

// Connected groups of pixels that are not black: single flakes where they do not touch others.
struct Blob {
    RECT box;
    int pixels;
};
std::vector<Blob> blobs(const e2e::Picture& picture)
{
    std::vector<Blob> found;
    std::vector<bool> seen(picture.pixels.size());
    std::vector<POINT> stack;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const size_t at = size_t(y) * size_t(picture.width) + size_t(x);
            if (seen[at] || picture.pixels[at] == 0)
                continue;
            Blob blob{{x, y, x + 1, y + 1}, 0};
            seen[at] = true;
            stack.push_back({x, y});
            while (!stack.empty()) {
                const POINT p = stack.back();
                stack.pop_back();
                ++blob.pixels;
                blob.box = {std::min(blob.box.left, p.x), std::min(blob.box.top, p.y),
                            std::max(blob.box.right, p.x + 1), std::max(blob.box.bottom, p.y + 1)};
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = p.x + dx, ny = p.y + dy;
                        if (nx < 0 || ny < 0 || nx >= picture.width || ny >= picture.height)
                            continue;
                        const size_t n = size_t(ny) * size_t(picture.width) + size_t(nx);
                        if (!seen[n] && picture.pixels[n] != 0) {
                            seen[n] = true;
                            stack.push_back({nx, ny});
                        }
                    }
            }
            found.push_back(blob);
        }
    }
    return found;
}

// The rows the message covers when printed as the saver prints it: the first one below the text position, and how
// many there are.
struct MessageRows {
    int first = 0;
    int count = 0;
};
MessageRows messageRows(const nivora::SnowArea& area, const wchar_t* message)
{
    e2e::TestWindow parent({0, 0, 10, 10}, nullptr, WS_POPUP);
    nivora::win32::PictureBox box;
    box.create(parent.hwnd(), {{0, 0, 600, 300}, false, RGB(0, 0, 0), RGB(255, 255, 255)});
    box.setFont(nivora::win32::messageFont(area));
    box.print(0, 0, message);
    MessageRows rows{-1, 0};
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            if ((box.pixels()[size_t(y) * size_t(box.width()) + size_t(x)] & 0xFFFFFF) == 0xFFFFFF) {
                if (rows.first < 0)
                    rows.first = y;
                rows.count = y + 1 - rows.first;
                break;
            }
    return rows;
}

class SnowAtDpi : public ::testing::Test {
protected:
    void SetUp() override { e2e::clearStore(); }
    void TearDown() override { e2e::clearStore(); }

    static void SetUpTestSuite()
    {
        std::printf("[ snow ] every monitor at %d dpi: Wine gives all monitors one DPI, so this pass shows the snow "
                    "at one scale; monitors at different scales are checked in the core's unit tests "
                    "(SnowScale.MonitorsAtMixedScalesEachDrawAtTheirOwn)\n",
                    displayDpi());
    }
};

TEST_F(SnowAtDpi, TheLargestFlakesAreSixPixelsTimesTheScaleAndCrisp)
{
    struct Expected {
        int dpi;
        int side;    // of the largest flake
        int pixels;  // its disc
    };
    const Expected table[] = {{96, 6, 24}, {144, 9, 54}, {192, 12, 96}};
    const int dpi = displayDpi();
    const Expected* expected = nullptr;
    for (const Expected& e : table)
        if (e.dpi == dpi)
            expected = &e;
    if (!expected)
        GTEST_SKIP() << "no expectation written for " << dpi << " dpi";
    RecordProperty("dpi", dpi);

    storeSettings(4, L"");
    ReadableSaver saver(L"1000");  // all sizes of flakes in the picture
    ASSERT_NE(saver.window(), nullptr);
    ASSERT_TRUE(e2e::waitFrames(saver.window(), 5));
    // A few screenshots, since only about one flake in a hundred is of the largest kind, and many touch others.
    int largest = 0;
    for (int look = 0; look < 3 && largest < 3; ++look) {
        const e2e::Picture shot = e2e::captureScreen();
        e2e::saveBmp(shot, e2e::outputPath(L"snow_flakes_at_dpi.bmp"));
        for (const Blob& b : blobs(shot)) {
            const int w = b.box.right - b.box.left, h = b.box.bottom - b.box.top;
            largest += w == expected->side && h == expected->side && b.pixels == expected->pixels;
        }
        ASSERT_TRUE(e2e::waitFrames(saver.window(), 25));
    }
    std::printf("[ snow ] %d lone largest flakes of %d x %d pixels in the screenshots\n", largest, expected->side,
                expected->side);
    EXPECT_GT(largest, 0) << "a lone largest flake measures " << expected->side << " x " << expected->side;
}

TEST_F(SnowAtDpi, TheMessageIsWrittenAtTheMonitorsDpi)
{
    const int dpi = displayDpi();
    const double scale = nivora::displayScaleOfDpi(dpi);
    const wchar_t* const message = L"IIII";
    const MessageRows rows = messageRows(screenArea(scale), message);
    const MessageRows rows96 = messageRows(screenArea(1.0), message);
    std::printf("[ snow ] the message is %d rows high at %d dpi and %d at 96 dpi\n", rows.count, dpi, rows96.count);
    EXPECT_NEAR(rows.count, scale * rows96.count, 2) << "48 points at the monitor's DPI";

    // The snow that settles on it covers those rows: from the message's top row to its last, and below that no
    // more than a flake's height.
    storeSettings(4, message);
    ReadableSaver saver(L"10000");  // over three minutes of snow
    ASSERT_NE(saver.window(), nullptr);
    ASSERT_TRUE(e2e::pumpUntil([&] { return e2e::frameCount(saver.window()) > 0; }));
    std::vector<e2e::Picture> looks;
    for (int i = 0; i < 5; ++i) {
        POINT origin{};
        looks.push_back(saver.holdAndRead(0, origin));
        ASSERT_FALSE(looks.back().pixels.empty());
        saver.request(nivora::readback::kRelease);
        ASSERT_TRUE(e2e::waitFrames(saver.window(), 8));
    }
    e2e::saveBmp(looks.back(), e2e::outputPath(L"snow_message_at_dpi.bmp"));
    // Snow that stays through five looks is settled; the message lies in the right half.
    const e2e::Picture& last = looks.back();
    int top = -1, bottom = -1;
    for (int y = 0; y < last.height; ++y) {
        int settled = 0;
        for (int x = last.width / 2; x < last.width; ++x)
            settled += std::all_of(looks.begin(), looks.end(), [&](const e2e::Picture& p) { return p.at(x, y) != 0; });
        if (settled >= 3) {
            if (top < 0)
                top = y;
            bottom = y + 1;
        }
    }
    const int textTop = int(std::lround(last.height / 5.0 * 4.0)) + rows.first;
    const int cell = nivora::FlakeSprites(scale).cellSize();
    std::printf("[ snow ] settled snow from row %d to %d; the message from %d, %d rows\n", top, bottom, textTop,
                rows.count);
    EXPECT_NEAR(top, textTop, 2);
    EXPECT_GE(bottom - top, rows.count - 2);
    EXPECT_LE(bottom - top, rows.count + cell);
}

TEST_F(SnowAtDpi, EachFrameIsTheSnowOfTheScreenAt100PercentMadeLarger)
{
    const int dpi = displayDpi();
    const double scale = nivora::displayScaleOfDpi(dpi);
    const uint64_t seed = 2024;
    storeSettings(1, L"");
    SetEnvironmentVariableW(L"NIVORA_SEED", std::to_wstring(seed).c_str());
    ReadableSaver saver;
    SetEnvironmentVariableW(L"NIVORA_SEED", nullptr);
    ASSERT_NE(saver.window(), nullptr);
    ASSERT_TRUE(e2e::waitFrames(saver.window(), 150));  // three seconds: the first flakes are well into the picture
    POINT origin{};
    const e2e::Picture seen = saver.holdAndRead(0, origin);
    const LRESULT frames = saver.frames();
    ASSERT_FALSE(seen.pixels.empty());
    ASSERT_GT(frames, 0);

    // The same snow made by the core: the monitor at its scale, from the same seed, over the same black background.
    const nivora::SnowArea area = screenArea(scale);
    nivora::SnowSettings settings;
    settings.precipitation = 1;
    settings.direction = false;
    settings.messageText.clear();
    nivora::Random random(seed);
    nivora::SnowField field;
    field.InitData(settings, area, random);
    const int32_t width = area.drawWidth + 10, height = area.drawHeight + 10;
    std::vector<nivora::Pixel> main(size_t(width) * size_t(height)), desk(main.size());
    field.attachSurfaces({{main.data(), width, height, width}, {desk.data(), width, height, width}, {}});
    // And the snow of the screen at 100 % that this monitor shows made larger: drawWidth / s x drawHeight / s.
    nivora::Random random100(seed);
    nivora::SnowField field100;
    field100.InitData(settings,
                      {int16_t(std::lround(area.drawWidth / scale)), int16_t(std::lround(area.drawHeight / scale)),
                       nivora::SnowMode::FullScreen, 1.0f, 1.0},
                      random100);
    std::vector<nivora::Pixel> main100(size_t(width) * size_t(height)), desk100(main100.size());
    field100.attachSurfaces({{main100.data(), width, height, width}, {desk100.data(), width, height, width}, {}});
    int lowest = 0;
    for (LRESULT i = 0; i < frames; ++i) {
        field.DrawSnow();
        field100.DrawSnow();
    }
    for (const nivora::Flake& f : field.flakes)
        lowest = std::max(lowest, int(f.y));

    ASSERT_EQ(seen.width, area.drawWidth);
    ASSERT_EQ(seen.height, area.drawHeight);
    int differ = 0;
    for (int y = 0; y < seen.height; ++y)
        for (int x = 0; x < seen.width; ++x)
            differ += seen.at(x, y) != (main[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFF);
    EXPECT_EQ(differ, 0) << "pixels of frame " << frames << " that are not the core's snow at scale " << scale;

    // Every flake is as high as on the screen at 100 %: it crosses the monitor in as many frames.
    int higher = 0;
    for (size_t i = 0; i < field.flakes.size(); ++i)
        higher += field.flakes[i].y != field100.flakes[i].y;
    EXPECT_EQ(higher, 0);
    std::printf("[ snow ] frame %d at %d dpi is the core's snow at scale %.2f; the lowest flake has fallen %d "
                "rows at 100 %%, %d pixels here\n",
                int(frames), dpi, scale, lowest, int(std::lround(lowest * scale)));
}

}  // namespace

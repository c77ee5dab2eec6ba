// The option pictures decoded from nivora.scr by the saver's own decoding code: every stored picture exactly as the
// artwork generator drew it, and the sizes between the stored scales shrunk from the next larger one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <objbase.h>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "core/dialog/option_picture_scales.h"
#include "option_picture_pixels.h"
#include "option_pictures.h"
#include "saver.h"
#include "win32/dib.h"

namespace {

using nivora::PictureSize;

struct StoredDigest {
    int row;
    int element;
    int percent;
    int width;
    int height;
    uint64_t digest;
};

// What the generator drew: its digest of every picture's pixels.
constexpr StoredDigest kStoredDigests[] = {
#include "../../resources/options/pixel_digests.inc"
};

std::wstring saverPath()
{
    wchar_t path[MAX_PATH];
    std::wstring own(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return own.substr(0, own.find_last_of(L"\\/") + 1) + L"nivora.scr";
}

// nivora.scr's resources, read without running it.
HMODULE saverModule()
{
    static HMODULE module = LoadLibraryExW(saverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

nivora::win32::OptionPictures& saverPictures()
{
    static nivora::win32::OptionPictures pictures(saverModule());
    return pictures;
}

// The pixels of a bitmap as 0x00RRGGBB, top row first, and whether it is the top-down 32-bit DIB section the
// controls expect.
struct Pixels {
    int width = 0;
    int height = 0;
    bool topDown32 = false;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

Pixels pixelsOf(HBITMAP bitmap)
{
    Pixels out;
    DIBSECTION dib{};
    if (!bitmap || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib)
        return out;
    out.width = dib.dsBm.bmWidth;
    out.height = dib.dsBm.bmHeight;
    BITMAPINFO info = nivora::topDownDibInfo(out.width, out.height);
    out.pixels.assign(size_t(out.width) * size_t(out.height), 0);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(out.height), out.pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : out.pixels)
        p &= 0x00FFFFFF;
    // Top-down when the rows lie in memory from the top (GetObject reports the height unsigned either way); no
    // picture reads the same upside down, so bottom-up rows could not pass.
    if (dib.dsBm.bmBitsPixel == 32 && dib.dsBm.bmBits) {
        const auto* memory = static_cast<const uint32_t*>(dib.dsBm.bmBits);
        bool same = true, symmetric = true;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                same = same && (memory[size_t(y) * size_t(out.width) + size_t(x)] & 0x00FFFFFF) == out.at(x, y);
                symmetric = symmetric && out.at(x, y) == out.at(x, out.height - 1 - y);
            }
        out.topDown32 = same && !symmetric;
    }
    return out;
}

uint64_t digestOf(const Pixels& p)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint32_t pixel : p.pixels)
        for (int shift : {16, 8, 0}) {
            hash ^= (pixel >> shift) & 0xFF;
            hash *= 0x100000001b3ull;
        }
    return hash;
}

void save(const Pixels& p, const std::wstring& name)
{
    e2e::Picture picture{p.width, p.height, p.pixels};
    e2e::saveBmp(picture, e2e::outputPath(name.c_str()));
}

int channel(uint32_t p, int shift)
{
    return int((p >> shift) & 0xFF);
}

TEST(OptionPictureDecoding, EveryStoredPictureDecodesToExactlyTheGeneratorsPixels)
{
    ASSERT_NE(saverModule(), nullptr);
    ASSERT_EQ(std::size(kStoredDigests), 26u * nivora::kStoredPictureScales.size());
    for (const StoredDigest& d : kStoredDigests) {
        SCOPED_TRACE(testing::Message() << "row " << d.row << " value " << d.element << " at " << d.percent << " %");
        const Pixels p = pixelsOf(saverPictures().get(d.row, d.element, {d.width, d.height}));
        ASSERT_EQ(p.width, d.width);
        ASSERT_EQ(p.height, d.height);
        EXPECT_TRUE(p.topDown32);
        if (digestOf(p) != d.digest) {
            save(p, L"decoded-" + std::to_wstring(d.row) + L"-" + std::to_wstring(d.element) + L"-" +
                        std::to_wstring(d.percent) + L".bmp");
            ADD_FAILURE() << "the decoded pixels differ from the generator's (picture saved)";
        }
    }
}

// The mean of `large` over the area that pixel (x, y) of a picture `width` x `height` covers, for one channel.
double areaMean(const Pixels& large, int width, int height, int x, int y, int shift)
{
    const double sx = double(large.width) / width, sy = double(large.height) / height;
    double sum = 0;
    for (int py = int(y * sy); py < large.height && py < (y + 1) * sy; ++py)
        for (int px = int(x * sx); px < large.width && px < (x + 1) * sx; ++px) {
            const double w = std::min(px + 1.0, (x + 1) * sx) - std::max(double(px), x * sx);
            const double h = std::min(py + 1.0, (y + 1) * sy) - std::max(double(py), y * sy);
            sum += w * h * channel(large.at(px, py), shift);
        }
    return sum / (sx * sy);
}

// A size between two stored scales is shrunk from the larger, every pixel the mean of the area it covers: thin
// strokes and small digits stay whole, as grey, where dropping pixels would break them.
TEST(OptionPictureDecoding, SizesBetweenStoredScalesAreShrunkFromTheNextLargerByAreaAveraging)
{
    struct Case {
        PictureSize size;
        int from;  // the stored scale expected to serve it
    };
    const Case cases[] = {{{396, 44}, 125}, {{810, 90}, 250}, {{1260, 140}, 400}, {{300, 33}, 100}};
    for (const Case& c : cases)
        for (const auto& [row, element] : {std::pair{2, 1}, std::pair{1, 4}, std::pair{3, 0}}) {
            SCOPED_TRACE(testing::Message() << c.size.width << " x " << c.size.height << ", row " << row);
            ASSERT_EQ(nivora::storedScaleFor(c.size), c.from);
            const Pixels shrunk = pixelsOf(saverPictures().get(row, element, {c.size.width, c.size.height}));
            ASSERT_EQ(shrunk.width, c.size.width);
            ASSERT_EQ(shrunk.height, c.size.height);
            EXPECT_TRUE(shrunk.topDown32);
            const PictureSize stored = nivora::storedPictureSize(c.from);
            const Pixels large = pixelsOf(saverPictures().get(row, element, {stored.width, stored.height}));
            ASSERT_EQ(large.width, stored.width);

            int worst = 0;
            for (int y = 0; y < shrunk.height; ++y)
                for (int x = 0; x < shrunk.width; ++x)
                    for (int shift : {16, 8, 0}) {
                        const double mean = areaMean(large, shrunk.width, shrunk.height, x, y, shift);
                        worst = std::max(worst, int(std::abs(channel(shrunk.at(x, y), shift) - mean) + 0.5));
                    }
            EXPECT_LE(worst, 1) << "a pixel strays from the mean of its area";
            if (worst > 1)
                save(shrunk, L"shrunk-" + std::to_wstring(c.size.width) + L"-" + std::to_wstring(row) + L".bmp");
        }
}

TEST(OptionPictureDecoding, NoPictureForValuesRowsOrSizesThatHaveNone)
{
    struct Case {
        int row;
        int element;
        SIZE size;
    };
    const Case cases[] = {
        {0, 0, {360, 40}}, {6, 0, {360, 40}},  {1, 5, {360, 40}},    {2, 13, {360, 40}},
        {3, 2, {360, 40}}, {5, 1, {360, 40}},  {2, -1, {360, 40}},   {1, 0, {0, 40}},
        {1, 0, {360, 0}},  {1, 0, {-360, 40}}, {1, 0, {100000, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " value " << c.element << " " << c.size.cx << " x "
                                        << c.size.cy);
        EXPECT_EQ(saverPictures().get(c.row, c.element, c.size), nullptr);
    }
}

TEST(OptionPictureDecoding, APictureIsDecodedOnceAndKept)
{
    HBITMAP first = saverPictures().get(2, 6, {540, 60});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(saverPictures().get(2, 6, {540, 60}), first);
    EXPECT_NE(saverPictures().get(2, 7, {540, 60}), first);
}

// COM is initialised for the object's life and no longer: on a thread without COM it is gone again afterwards, and
// on a thread that chose the multithreaded apartment the object works there and leaves that choice alone.
TEST(OptionPictureDecoding, ComIsInitialisedForTheObjectsLifeAndLeftAsItWas)
{
    struct Outcome {
        bool drawnWithout = false, freshAfter = false, drawnInMta = false, mtaKept = false;
    } outcome;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto& o = *static_cast<Outcome*>(p);
            {
                nivora::win32::OptionPictures pictures(saverModule());
                o.drawnWithout = pictures.get(1, 0, {360, 40}) != nullptr;
            }
            const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            o.freshAfter = again == S_OK;  // not S_FALSE: nothing was left initialised, nor RPC_E_CHANGED_MODE
            {
                nivora::win32::OptionPictures pictures(saverModule());
                o.drawnInMta = pictures.get(2, 3, {396, 44}) != nullptr;
            }
            o.mtaKept = CoInitializeEx(nullptr, COINIT_MULTITHREADED) == S_FALSE;  // still there, and ours
            CoUninitialize();
            if (SUCCEEDED(again))
                CoUninitialize();
            return 0;
        },
        &outcome, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
    EXPECT_TRUE(outcome.drawnWithout);
    EXPECT_TRUE(outcome.freshAfter) << "COM left initialised on the thread";
    EXPECT_TRUE(outcome.drawnInMta);
    EXPECT_TRUE(outcome.mtaKept) << "the thread's own COM was uninitialised";
}

}  // namespace

namespace e2e {

std::vector<uint32_t> savedOptionPicture(int row, int element, SIZE size)
{
    return pixelsOf(saverPictures().get(row, element, size)).pixels;
}

}  // namespace e2e

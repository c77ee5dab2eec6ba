// The committed artwork read back as Windows would load it: every option picture at every stored scale with the
// pixel layout of their headings, values and scales, the program icon with its two images and transparency mask, and
// the setup's page picture at each of its sizes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/dialog/option_picture_scales.h"
#include "core/dialog/setting_rows.h"
#include "snow_test_pictures.h"

namespace nivora {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb kBackground{128, 90, 255};
constexpr Rgb kWhite{255, 255, 255};
constexpr int kWidth = 360;
constexpr int kHeight = 40;

Bytes readFile(const std::string& relativePath)
{
    std::ifstream file(std::string(NIVORA_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::uint32_t u16(const Bytes& b, std::size_t at)
{
    return b.at(at) | (b.at(at + 1) << 8);
}
std::uint32_t u32(const Bytes& b, std::size_t at)
{
    return u16(b, at) | (u16(b, at + 2) << 16);
}
std::int32_t i32(const Bytes& b, std::size_t at)
{
    return static_cast<std::int32_t>(u32(b, at));
}

// The fields of a BITMAPINFOHEADER that decide how a loader reads the pixels.
struct InfoHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint32_t planes;
    std::uint32_t bitCount;
    std::uint32_t compression;
};

InfoHeader readInfoHeader(const Bytes& b, std::size_t at)
{
    return {u32(b, at), i32(b, at + 4), i32(b, at + 8), u16(b, at + 12), u16(b, at + 14), u32(b, at + 16)};
}

// Top-down pixels of a bottom-up 24-bit image whose rows start at `at`.
std::vector<Rgb> readPixels24(const Bytes& b, std::size_t at, int width, int height)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<Rgb> pixels;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = at + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::size_t p = row + 3 * static_cast<std::size_t>(x);
            pixels.push_back({b.at(p + 2), b.at(p + 1), b.at(p)});
        }
    }
    return pixels;
}

std::uint32_t be32(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b.at(at)) << 24 | static_cast<std::uint32_t>(b.at(at + 1)) << 16 |
           static_cast<std::uint32_t>(b.at(at + 2)) << 8 | b.at(at + 3);
}

// A decoded PNG of 8 bits per sample, indexed or truecolour, as the saver's pictures are stored.
struct Png {
    int width = 0;
    int height = 0;
    int colourType = -1;
    std::vector<Rgb> pixels;  // top-down
    std::string fault;        // why it could not be read; empty when it was
};

Png failed(std::string why)
{
    Png png;
    png.fault = std::move(why);
    return png;
}

int paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Every chunk's CRC is checked, and every filter type is undone, so the reader holds any valid file to the letter.
Png readPng(const Bytes& b)
{
    Png png;
    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 8 || !std::equal(signature.begin(), signature.end(), b.begin()))
        return failed("no PNG");
    Bytes palette;
    Bytes packed;
    int bitDepth = 0;
    for (std::size_t at = 8; at + 12 <= b.size();) {
        const std::uint32_t length = be32(b, at);
        if (at + 12 + length > b.size())
            return failed("chunk beyond the end");
        const std::string type(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at) + 8);
        const Bytes data(b.begin() + static_cast<long>(at) + 8, b.begin() + static_cast<long>(at + 8 + length));
        if (crc32(0, b.data() + at + 4, 4 + length) != be32(b, at + 8 + length))
            return failed("bad CRC in " + type);
        if (type == "IHDR") {
            png.width = static_cast<int>(be32(data, 0));
            png.height = static_cast<int>(be32(data, 4));
            bitDepth = data.at(8);
            png.colourType = data.at(9);
            if (data.at(10) != 0 || data.at(11) != 0 || data.at(12) != 0)
                return failed("unusual IHDR");
        } else if (type == "PLTE") {
            palette = data;
        } else if (type == "IDAT") {
            packed.insert(packed.end(), data.begin(), data.end());
        } else if (type == "IEND") {
            break;
        } else if (!(type[0] & 0x20)) {
            return failed("unknown critical chunk " + type);
        }
        at += 12 + length;
    }
    const int channels = png.colourType == 3 ? 1 : png.colourType == 2 ? 3 : 0;
    if (bitDepth != 8 || channels == 0 || png.width <= 0 || png.height <= 0)
        return failed("not 8-bit RGB or indexed");
    const std::size_t stride = static_cast<std::size_t>(png.width) * static_cast<std::size_t>(channels);
    Bytes raw(static_cast<std::size_t>(png.height) * (stride + 1));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        rawSize != raw.size())
        return failed("bad image data");
    Bytes previous(stride, 0);
    for (int y = 0; y < png.height; ++y) {
        std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * (stride + 1);
        const int filter = row[0];
        Bytes line(row + 1, row + 1 + stride);
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= static_cast<std::size_t>(channels) ? line[i - static_cast<std::size_t>(channels)] : 0;
            const int up = previous[i];
            const int c = i >= static_cast<std::size_t>(channels) ? previous[i - static_cast<std::size_t>(channels)]
                                                                  : 0;
            const int predictor = filter == 1   ? a
                                  : filter == 2 ? up
                                  : filter == 3 ? (a + up) / 2
                                  : filter == 4 ? paeth(a, up, c)
                                                : 0;
            line[i] = static_cast<std::uint8_t>(line[i] + predictor);
        }
        for (int x = 0; x < png.width; ++x) {
            if (channels == 1) {
                const std::size_t entry = 3 * static_cast<std::size_t>(line[static_cast<std::size_t>(x)]);
                if (entry + 2 >= palette.size())
                    return failed("index beyond the palette");
                png.pixels.push_back({palette[entry], palette[entry + 1], palette[entry + 2]});
            } else {
                const std::size_t p = 3 * static_cast<std::size_t>(x);
                png.pixels.push_back({line[p], line[p + 1], line[p + 2]});
            }
        }
        previous = line;
    }
    return png;
}

// The stored strips: each row's pictures side by side, by scale, read once.
const Png& strip(int row, std::int32_t percent)
{
    static std::map<std::pair<int, std::int32_t>, Png> strips;
    auto [it, added] = strips.try_emplace({row, percent});
    if (added)
        it->second = readPng(readFile("resources/options/" + optionPictureFile(row, percent)));
    return it->second;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // top-down

    Rgb at(int x, int y) const
    {
        return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
    }
    bool ink(int x, int y) const { return at(x, y) != kBackground; }
};

// The picture of `row`, value `element`, cut from its stored strip; nothing when the strip is unreadable.
std::optional<Picture> picture(int row, int element, std::int32_t percent = 100)
{
    const Png& png = strip(row, percent);
    const PictureSize size = storedPictureSize(percent);
    if (!png.fault.empty() || png.height != size.height || png.width != size.width * optionPictureCount(row) ||
        element < 0 || element >= optionPictureCount(row))
        return std::nullopt;
    Picture p{size.width, size.height, {}};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            p.pixels.push_back(png.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(png.width) +
                                          static_cast<std::size_t>(element * size.width + x)]);
    return p;
}

struct PictureName {
    int row;
    int element;
    std::string name;  // "velocity_6", "message"
};

// Every picture of every row of the row table: a row added there is checked with the others.
std::vector<PictureName> pictureNames()
{
    std::vector<PictureName> names;
    for (int row = 1; row <= kRowCount; ++row) {
        const std::string stem(kSettingRows[static_cast<std::size_t>(row - 1)].stem);
        if (rowKind(row) == RowKind::Text)
            names.push_back({row, 0, stem});
        else
            for (int i = 0; i < optionPictureCount(row); ++i)
                names.push_back({row, i, stem + "_" + std::to_string(i)});
    }
    return names;
}

// Whether the row's pictures show a scale: the rows that step through their values.
bool hasScale(int row)
{
    return rowKind(row) == RowKind::Steps;
}

// The picture at 100 % by its name, "velocity_6.bmp" or "message.bmp" as the pictures were once named.
std::optional<Picture> loadPicture(const std::string& name)
{
    for (const PictureName& n : pictureNames())
        if (n.name + ".bmp" == name)
            return picture(n.row, n.element);
    return std::nullopt;
}

// Inclusive runs of white columns along one row, between columns x0 and x1.
using Runs = std::vector<std::pair<int, int>>;

Runs whiteRuns(const Picture& p, int y, int x0 = 160, int x1 = kWidth - 1)
{
    Runs runs;
    for (int x = x0; x <= x1; ++x) {
        if (p.at(x, y) != kWhite)
            continue;
        if (!runs.empty() && runs.back().second == x - 1) {
            runs.back().second = x;
        } else {
            runs.push_back({x, x});
        }
    }
    return runs;
}

struct Box {
    int left = 1 << 20;  // beyond any picture until ink is found
    int right = -1;
    int top = 1 << 20;
    int bottom = -1;
    bool empty() const { return right < 0; }
};

// Where the non-background pixels of a region lie.
Box inkBox(const Picture& p, int x0, int x1, int y0, int y1)
{
    Box box;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (p.ink(x, y))
                box = {std::min(box.left, x), std::max(box.right, x), std::min(box.top, y), std::max(box.bottom, y)};
    return box;
}

// Where an edge between pixels of the 100 % picture lies at `percent`: the generator rounds each to the nearest pixel.
int edgeAt(int designEdge, std::int32_t percent)
{
    return static_cast<int>(std::nearbyint(designEdge * percent / 100.0));
}

TEST(OptionPictures, EveryRowIsStoredAtEveryScaleAsOneIndexedPngOfItsPicturesSideBySide)
{
    for (std::int32_t percent : kStoredPictureScales)
        for (int row = 1; row <= kRowCount; ++row) {
            SCOPED_TRACE(optionPictureFile(row, percent));
            const Png& png = strip(row, percent);
            ASSERT_EQ(png.fault, "");
            EXPECT_EQ(png.colourType, 3) << "indexed: a picture has at most 256 colours";
            EXPECT_EQ(png.width, edgeAt(kWidth, percent) * optionPictureCount(row));
            EXPECT_EQ(png.height, edgeAt(kHeight, percent));
        }
}

TEST(OptionPictures, CornersShowTheBackgroundAndEveryPixelBlendsWhiteWithIt)
{
    for (std::int32_t percent : kStoredPictureScales)
        for (const auto& n : pictureNames()) {
            SCOPED_TRACE(n.name + " at " + std::to_string(percent));
            const auto p = picture(n.row, n.element, percent);
            ASSERT_TRUE(p.has_value());
            const int right = p->width - 1, bottom = p->height - 1;
            for (const auto& [x, y] :
                 {std::pair{0, 0}, std::pair{right, 0}, std::pair{0, bottom}, std::pair{right, bottom}})
                EXPECT_EQ(p->at(x, y), kBackground) << "corner " << x << "," << y;
            // Anti-aliased white on the accent colour: every channel sits the same share of the way to white.
            for (const Rgb& c : p->pixels) {
                const double share = (c.r - kBackground.r) / 127.0;
                ASSERT_GE(share, 0.0);
                ASSERT_NEAR((c.g - kBackground.g) / 165.0, share, 0.01);
                ASSERT_EQ(c.b, 255);
            }
        }
}

// Writes the picture beside the other failure pictures of the unit tests, for a person to look at.
void writeFailedPicture(const Picture& p, const std::string& name)
{
    std::vector<Pixel> pixels;
    for (const Rgb& c : p.pixels)
        pixels.push_back(static_cast<Pixel>(c.r << 16 | c.g << 8 | c.b));
    const auto path = snowtest::failureDir() / ("artwork-" + name + ".png");
    snowtest::writePng(path, ConstSurface(pixels.data(), p.width, p.height, p.width));
    std::cerr << "picture written to " << path.string() << '\n';
}

// At every scale the pictures keep the 100 % geometry, each edge scaled: headings, scale baseline and posts, and the
// blocks that tell the value.
TEST(OptionPictures, EveryScaleKeepsTheGeometryOfTheHundredPercentPicture)
{
    for (std::int32_t percent : kStoredPictureScales) {
        const auto edge = [percent](int designEdge) { return edgeAt(designEdge, percent); };
        for (const auto& n : pictureNames()) {
            SCOPED_TRACE(n.name + " at " + std::to_string(percent));
            const auto p = picture(n.row, n.element, percent);
            ASSERT_TRUE(p.has_value());
            // The checks of one picture; the first picture that fails them is written out.
            const bool failedBefore = HasFailure();
            const auto check = [&] {
                const Box japanese = inkBox(*p, 0, edge(76) - 1, 0, edge(28) - 1);
                EXPECT_EQ(japanese.left, edge(9));
                EXPECT_EQ(japanese.top, edge(7));
                EXPECT_EQ(japanese.bottom, edge(26) - 1);
                const Box english = inkBox(*p, 0, edge(76) - 1, edge(28), p->height - 1);
                EXPECT_EQ(english.left, edge(10));
                EXPECT_EQ(english.top, edge(29));
                if (!hasScale(n.row))
                    return;

                for (int y = edge(25); y < edge(28); ++y)
                    EXPECT_EQ(whiteRuns(*p, y, edge(160), p->width - 1), (Runs{{edge(164), edge(357) - 1}}))
                        << "baseline row " << y;
                const int postRow = edge(12);
                EXPECT_EQ(whiteRuns(*p, postRow, edge(160), edge(167) - 1), (Runs{{edge(164), edge(167) - 1}}));
                EXPECT_TRUE(whiteRuns(*p, postRow - 1, edge(164), edge(167) - 1).empty())
                    << "the post rises from its row";
                const Box labels = inkBox(*p, edge(163), p->width - 1, edge(28), p->height - 1);
                EXPECT_EQ(labels.left, edge(164)) << "the first label starts at the scale";
                EXPECT_EQ(labels.right, edge(357) - 1) << "the last label ends at the scale";
                const Box value = inkBox(*p, edge(76), edge(163) - 1, 0, edge(28) - 1);
                // The last column of each scaled row's value at 100 %, by the row's picture stem.
                const std::map<std::string_view, int> valueRight = {{"precipitation", 132},
                                                                    {"velocity", 116},
                                                                    {"blightness", 120}};
                const auto right = valueRight.find(kSettingRows[static_cast<std::size_t>(n.row - 1)].stem);
                ASSERT_TRUE(right != valueRight.end()) << "no value column written down for this row";
                EXPECT_EQ(value.right, edge(right->second + 1) - 1) << "the value is right-aligned";
                // Row 10 crosses only blocks: as many at every scale as at 100 %, and none of them merged.
                const auto atHundred = picture(n.row, n.element);
                ASSERT_TRUE(atHundred.has_value());
                EXPECT_EQ(whiteRuns(*p, edge(10), edge(160), p->width - 1).size(), whiteRuns(*atHundred, 10).size());
            };
            check();
            if (!failedBefore && HasFailure())
                writeFailedPicture(*p, n.name + "-" + std::to_string(percent));
        }
    }
}

TEST(OptionPictures, HeadingsValuesAndCaptionsSitOnTheirRowsAndColumns)
{
    // Regions: headings left of x = 76, values and captions from 76 to 162, the scale from 163 on.
    struct Case {
        const char* name;
        int valueLeft;   // first column of the value, -1 where the value is right-aligned instead
        int valueRight;  // last column of the value, -1 where it is left-aligned
        int valueTop;
        int valueBottom;
        int captionLeft;  // -1 where the caption is centred under the value
    };
    const Case cases[] = {
        {"precipitation_0.bmp", -1, 132, 8, 26, 90}, {"precipitation_4.bmp", -1, 132, 8, 26, 90},
        {"velocity_0.bmp", -1, 116, 8, 26, 90},      {"velocity_5.bmp", -1, 116, 8, 26, 90},
        {"velocity_6.bmp", -1, 116, 8, 26, 90},      {"velocity_12.bmp", -1, 116, 8, 26, 90},
        {"direction_0.bmp", 90, -1, 6, 24, -1},      {"direction_1.bmp", 90, -1, 6, 24, 90},
        {"blightness_0.bmp", -1, 120, 8, 26, 90},    {"blightness_3.bmp", -1, 120, 8, 26, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = loadPicture(c.name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        const Box value = inkBox(*p, 76, 162, 0, 27);
        if (c.valueLeft >= 0) {
            EXPECT_EQ(value.left, c.valueLeft);
        }
        if (c.valueRight >= 0) {
            EXPECT_EQ(value.right, c.valueRight);
        }
        EXPECT_EQ(value.top, c.valueTop);
        EXPECT_EQ(value.bottom, c.valueBottom);
        const Box caption = inkBox(*p, 76, 162, 28, kHeight - 1);
        ASSERT_FALSE(caption.empty());
        if (c.captionLeft >= 0) {
            EXPECT_EQ(caption.left, c.captionLeft);
        } else {
            EXPECT_NEAR(caption.left + caption.right, value.left + value.right, 1);
        }
        EXPECT_GE(caption.top, 28);
        EXPECT_LE(caption.bottom, 37);
        EXPECT_LE(caption.right, 160) << "the caption runs into the scale";
    }
}

TEST(OptionPictures, EveryHeadingStartsAtItsColumnsWithinItsRows)
{
    for (const auto& n : pictureNames()) {
        SCOPED_TRACE(n.name);
        const auto p = picture(n.row, n.element);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        const Box japanese = inkBox(*p, 0, 75, 0, 27);
        EXPECT_EQ(japanese.left, 9);
        EXPECT_EQ(japanese.top, 7);
        EXPECT_EQ(japanese.bottom, 25);
        const Box english = inkBox(*p, 0, 75, 28, kHeight - 1);
        EXPECT_EQ(english.left, 10);
        EXPECT_EQ(english.top, 29);
        EXPECT_LE(english.bottom, 37);
    }
}

TEST(OptionPictures, RowsWithoutAScaleShowNothingRightOfTheirTexts)
{
    for (const char* name : {"direction_0.bmp", "direction_1.bmp", "message.bmp"}) {
        SCOPED_TRACE(name);
        const auto p = loadPicture(name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        EXPECT_TRUE(inkBox(*p, 140, kWidth - 1, 0, kHeight - 1).empty());
    }
    const auto message = loadPicture("message.bmp");
    ASSERT_TRUE(message.has_value() && !message->pixels.empty());
    EXPECT_TRUE(inkBox(*message, 76, kWidth - 1, 0, kHeight - 1).empty()) << "the message row shows only its heading";
}

// The parts every scale shares: baseline, end posts, and nothing above the blocks.
TEST(OptionPictureScales, BaselineAndEndPostsFrameEveryScale)
{
    for (const auto& n : pictureNames()) {
        if (!hasScale(n.row))
            continue;
        SCOPED_TRACE(n.name);
        const auto p = picture(n.row, n.element);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        for (int y = 25; y <= 27; ++y)
            EXPECT_EQ(whiteRuns(*p, y), (Runs{{164, 356}})) << "baseline row " << y;
        for (int y = 12; y <= 24; ++y) {
            EXPECT_EQ(whiteRuns(*p, y, 160, 166), (Runs{{164, 166}})) << "left post row " << y;
            EXPECT_EQ(whiteRuns(*p, y, 353, kWidth - 1), (Runs{{354, 356}})) << "right post row " << y;
        }
        EXPECT_TRUE(whiteRuns(*p, 11, 164, 166).empty()) << "the left post rises from row 12";
        EXPECT_TRUE(inkBox(*p, 163, kWidth - 1, 0, 2).empty()) << "nothing above the blocks";
        EXPECT_TRUE(inkBox(*p, 157, 163, 0, kHeight - 1).empty()) << "a clear gap left of the scale";
        const Box labels = inkBox(*p, 163, kWidth - 1, 28, kHeight - 1);
        EXPECT_EQ(labels.left, 164) << "the first label starts at the scale";
        EXPECT_EQ(labels.right, 356) << "the last label ends at the scale";
        EXPECT_EQ(labels.top, 29);
        EXPECT_EQ(labels.bottom, 36);
    }
}

TEST(OptionPictureScales, MarksAndBlocksStandOnTheirColumns)
{
    // Row 20 crosses inner marks and blocks, row 18 only the precipitation marks and the blocks, row 10 only blocks,
    // row 24 only marks (blocks end at row 23).
    struct Case {
        const char* name;
        int y;
        Runs white;
    };
    const Runs velocityMarks{{164, 166}, {180, 182}, {196, 198}, {212, 214}, {228, 230}, {244, 246}, {259, 261},
                             {275, 277}, {291, 293}, {307, 309}, {323, 325}, {339, 341}, {354, 356}};
    const Case cases[] = {
        {"precipitation_0.bmp", 10, {{168, 170}}},
        {"precipitation_1.bmp", 10, {{168, 170}, {175, 190}}},
        {"precipitation_4.bmp", 10, {{168, 170}, {175, 190}, {195, 223}, {228, 289}, {294, 352}}},
        {"precipitation_0.bmp", 16, {{164, 166}, {168, 170}, {354, 356}}},
        {"precipitation_0.bmp",
         17,
         {{164, 166}, {168, 170}, {172, 173}, {192, 193}, {225, 226}, {291, 292}, {354, 356}}},
        {"precipitation_4.bmp", 24, {{164, 166}, {172, 173}, {192, 193}, {225, 226}, {291, 292}, {354, 356}}},
        {"precipitation_4.bmp",
         20,
         {{164, 166},
          {168, 170},
          {172, 173},
          {175, 190},
          {192, 193},
          {195, 223},
          {225, 226},
          {228, 289},
          {291, 292},
          {294, 352},
          {354, 356}}},
        {"velocity_6.bmp", 10, {{257, 263}}},
        {"velocity_6.bmp", 18, {{164, 166}, {257, 263}, {354, 356}}},
        {"velocity_6.bmp", 24, velocityMarks},
        {"velocity_6.bmp",
         20,
         {{164, 166},
          {180, 182},
          {196, 198},
          {212, 214},
          {228, 230},
          {244, 246},
          {257, 263},
          {275, 277},
          {291, 293},
          {307, 309},
          {323, 325},
          {339, 341},
          {354, 356}}},
        {"velocity_5.bmp", 10, {{248, 255}, {257, 263}}},
        {"velocity_7.bmp", 10, {{257, 263}, {265, 273}}},
        {"velocity_0.bmp", 10, {{168, 178}, {184, 194}, {200, 210}, {216, 226}, {232, 242}, {248, 255}, {257, 263}}},
        {"velocity_12.bmp", 10, {{257, 263}, {265, 273}, {279, 289}, {295, 305}, {311, 321}, {327, 337}, {343, 352}}},
        {"velocity_0.bmp", 24, velocityMarks},
        {"blightness_0.bmp", 10, {}},
        {"blightness_0.bmp", 20, {{164, 166}, {212, 214}, {259, 261}, {307, 309}, {354, 356}}},
        {"blightness_1.bmp", 10, {{168, 210}}},
        {"blightness_4.bmp", 10, {{168, 210}, {216, 257}, {263, 305}, {311, 352}}},
        {"blightness_4.bmp", 24, {{164, 166}, {212, 214}, {259, 261}, {307, 309}, {354, 356}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " row " + std::to_string(c.y));
        const auto p = loadPicture(c.name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        EXPECT_EQ(whiteRuns(*p, c.y), c.white);
    }
}

TEST(OptionPictureScales, InnerMarksRiseFromTheirRowAndBlocksSpanRowsThreeToTwentyThree)
{
    struct Case {
        const char* name;
        int markColumn;  // an inner mark
        int markTop;
        int blockColumn;  // inside a filled block
    };
    const Case cases[] = {
        {"precipitation_4.bmp", 172, 17, 200},
        {"velocity_0.bmp", 180, 19, 170},
        {"velocity_12.bmp", 340, 19, 300},
        {"blightness_4.bmp", 213, 19, 230},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = loadPicture(c.name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        EXPECT_EQ(p->at(c.markColumn, c.markTop - 1), kBackground);
        for (int y = c.markTop; y <= 27; ++y)
            EXPECT_EQ(p->at(c.markColumn, y), kWhite) << "mark row " << y;
        EXPECT_EQ(p->at(c.blockColumn, 2), kBackground);
        for (int y = 3; y <= 23; ++y)
            EXPECT_EQ(p->at(c.blockColumn, y), kWhite) << "block row " << y;
        EXPECT_EQ(p->at(c.blockColumn, 24), kBackground);
    }
}

TEST(OptionPictureScales, EachValueFillsItsNumberOfSegments)
{
    // Row 10 crosses only blocks; row 2's fixed block over the 0 mark counts as one.
    struct Case {
        const char* stem;
        int count;
        int (*blocks)(int index);
    };
    const Case cases[] = {
        {"precipitation", 5, [](int i) { return i + 1; }},
        {"velocity", 13, [](int i) { return std::abs(i - 6) + 1; }},
        {"blightness", 5, [](int i) { return i; }},
    };
    // Every row with a scale is in the table above: a row added without its case fails here.
    for (int row = 1; row <= kRowCount; ++row) {
        const std::string_view stem = kSettingRows[static_cast<std::size_t>(row - 1)].stem;
        const bool listed = std::any_of(std::begin(cases), std::end(cases),
                                        [&](const Case& c) { return c.stem == stem; });
        EXPECT_EQ(listed, hasScale(row)) << stem;
    }
    for (const Case& c : cases)
        for (int i = 0; i < c.count; ++i) {
            const std::string name = std::string(c.stem) + "_" + std::to_string(i) + ".bmp";  // as once named
            SCOPED_TRACE(name);
            const auto p = loadPicture(name);
            ASSERT_TRUE(p.has_value() && !p->pixels.empty());
            EXPECT_EQ(whiteRuns(*p, 10).size(), static_cast<std::size_t>(c.blocks(i)));
        }
}

TEST(OptionPictureScales, FirstPrecipitationLabelsStartAtTheirMarks)
{
    const auto p = loadPicture("precipitation_2.bmp");
    ASSERT_TRUE(p.has_value() && !p->pixels.empty());
    EXPECT_EQ(inkBox(*p, 163, 170, 28, kHeight - 1).left, 164) << "\"0\" starts at the scale";
    const Box hundred = inkBox(*p, 168, 184, 28, kHeight - 1);
    EXPECT_EQ(hundred.left, 172) << "\"100\" starts at its mark";
    EXPECT_TRUE(inkBox(*p, 184, 185, 28, kHeight - 1).empty()) << "\"100\" and \"500\" keep apart";
}

// ---- The icon ----

struct IconImage {
    InfoHeader header{};
    int size = 0;
    std::vector<Rgb> colour;
    std::vector<bool> transparent;  // the AND mask, top-down

    Rgb at(int x, int y) const { return colour.at(static_cast<std::size_t>(y) * size + x); }
    bool clear(int x, int y) const { return transparent.at(static_cast<std::size_t>(y) * size + x); }
};

std::vector<IconImage> loadIcon()
{
    const Bytes b = readFile("resources/nivora.ico");
    std::vector<IconImage> images;
    if (b.size() < 6 || u16(b, 0) != 0 || u16(b, 2) != 1)
        return images;
    for (std::uint32_t i = 0; i < u16(b, 4); ++i) {
        const std::size_t entry = 6 + 16 * i;
        IconImage image;
        image.size = b.at(entry) == 0 ? 256 : b.at(entry);
        const std::uint32_t bytes = u32(b, entry + 8);
        const std::uint32_t offset = u32(b, entry + 12);
        if (offset + bytes > b.size())
            return {};
        image.header = readInfoHeader(b, offset);
        if (image.header.bitCount == 24 && image.header.width == image.size) {
            const std::size_t colourAt = offset + image.header.size;
            image.colour = readPixels24(b, colourAt, image.size, image.size);
            const std::size_t maskAt = colourAt + (static_cast<std::size_t>(image.size) * 3 + 3) / 4 * 4 * image.size;
            const std::size_t maskStride = (static_cast<std::size_t>(image.size) + 31) / 32 * 4;
            if (maskAt + maskStride * image.size != offset + bytes)
                return {};
            for (int y = 0; y < image.size; ++y)
                for (int x = 0; x < image.size; ++x) {
                    const std::size_t row = maskAt + static_cast<std::size_t>(image.size - 1 - y) * maskStride;
                    image.transparent.push_back((b.at(row + x / 8) >> (7 - x % 8)) & 1);
                }
        }
        images.push_back(std::move(image));
    }
    return images;
}

TEST(ProgramIcon, HoldsA16And32PixelImageOf24BitsWithAMask)
{
    const auto images = loadIcon();
    ASSERT_EQ(images.size(), 2u);
    const int sizes[] = {16, 32};
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(sizes[i]);
        EXPECT_EQ(images[i].size, sizes[i]);
        EXPECT_EQ(images[i].header.size, 40u);
        EXPECT_EQ(images[i].header.width, sizes[i]);
        EXPECT_EQ(images[i].header.height, 2 * sizes[i]) << "colour and mask heights together";
        EXPECT_EQ(images[i].header.bitCount, 24u);
        EXPECT_EQ(images[i].header.compression, 0u);
        EXPECT_EQ(images[i].transparent.size(), static_cast<std::size_t>(sizes[i] * sizes[i]));
    }
}

TEST(ProgramIcon, CornersAreTransparentAndTheChestIsOpaque)
{
    for (const auto& icon : loadIcon()) {
        SCOPED_TRACE(icon.size);
        ASSERT_EQ(icon.transparent.size(), static_cast<std::size_t>(icon.size * icon.size));
        const int last = icon.size - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{last, 0}, std::pair{0, last}, std::pair{last, last}})
            EXPECT_TRUE(icon.clear(x, y)) << "corner " << x << "," << y;
        for (int y = icon.size * 3 / 8; y < icon.size * 3 / 4; ++y)
            for (int x = icon.size * 3 / 8; x < icon.size * 5 / 8; ++x)
                EXPECT_FALSE(icon.clear(x, y));
        // A transparent pixel must be black, or the screen behind it would be XOR-ed with its colour.
        for (int y = 0; y < icon.size; ++y)
            for (int x = 0; x < icon.size; ++x)
                if (icon.clear(x, y)) {
                    EXPECT_EQ(icon.at(x, y), Rgb{}) << x << "," << y;
                }
    }
}

TEST(ProgramIcon, ShirtIsOutlinedSoItShowsOnWhite)
{
    for (const auto& icon : loadIcon()) {
        SCOPED_TRACE(icon.size);
        ASSERT_EQ(icon.transparent.size(), static_cast<std::size_t>(icon.size * icon.size));
        int edge = 0;
        for (int y = 0; y < icon.size; ++y)
            for (int x = 0; x < icon.size; ++x) {
                if (icon.clear(x, y))
                    continue;
                const bool border = x == 0 || y == 0 || x == icon.size - 1 || y == icon.size - 1 ||
                                    icon.clear(x - 1, y) || icon.clear(x + 1, y) || icon.clear(x, y - 1) ||
                                    icon.clear(x, y + 1);
                if (!border)
                    continue;
                ++edge;
                const Rgb c = icon.at(x, y);
                EXPECT_LT(c.r + c.g + c.b, 3 * 160) << "light edge pixel at " << x << "," << y;
            }
        EXPECT_GT(edge, icon.size * 2);
    }
}

TEST(ProgramIcon, ChestCarriesAnAccentSquareWithAWhiteLetter)
{
    struct Case {
        int size;
        int squareLeft;
        int squareTop;
        int squareSize;
    };
    for (const Case& c : {Case{16, 5, 6, 6}, Case{32, 10, 11, 12}}) {
        SCOPED_TRACE(c.size);
        const auto images = loadIcon();
        const IconImage* icon = nullptr;
        for (const auto& image : images)
            if (image.size == c.size)
                icon = &image;
        ASSERT_NE(icon, nullptr);
        ASSERT_EQ(icon->colour.size(), static_cast<std::size_t>(c.size * c.size));
        int accent = 0;
        int white = 0;
        for (int y = c.squareTop; y < c.squareTop + c.squareSize; ++y)
            for (int x = c.squareLeft; x < c.squareLeft + c.squareSize; ++x) {
                const Rgb p = icon->at(x, y);
                accent += p == kBackground;
                white += p == kWhite;
                EXPECT_TRUE(p == kBackground || p == kWhite) << x << "," << y;
            }
        // The square's rim is accent-coloured all round; the letter takes a good share of its inside.
        for (int i = 0; i < c.squareSize; ++i) {
            EXPECT_EQ(icon->at(c.squareLeft + i, c.squareTop), kBackground);
            EXPECT_EQ(icon->at(c.squareLeft + i, c.squareTop + c.squareSize - 1), kBackground);
            EXPECT_EQ(icon->at(c.squareLeft, c.squareTop + i), kBackground);
            EXPECT_EQ(icon->at(c.squareLeft + c.squareSize - 1, c.squareTop + i), kBackground);
        }
        EXPECT_GT(white, c.squareSize * c.squareSize / 4);
        EXPECT_GT(accent, c.squareSize * c.squareSize / 3);
        // White cloth around the square.
        EXPECT_EQ(icon->at(c.squareLeft - 1, c.squareTop + c.squareSize / 2), kWhite);
        EXPECT_EQ(icon->at(c.squareLeft + c.squareSize, c.squareTop + c.squareSize / 2), kWhite);
    }
}

// ---- The setup's page picture ----

struct SetupPictureCase {
    const char* file;
    int width;
    int height;
    int iconLeft;  // the 32 x 32 icon enlarged by a whole factor, centred across the picture
    int iconTop;
    int iconZoom;
};

constexpr SetupPictureCase kSetupPictures[] = {
    {"resources/setup/wizard-100.bmp", 164, 314, 50, 40, 2},
    {"resources/setup/wizard-125.bmp", 205, 393, 70, 50, 2},
    {"resources/setup/wizard-150.bmp", 246, 471, 75, 60, 3},
    {"resources/setup/wizard-200.bmp", 328, 628, 100, 80, 4},
};

std::size_t bmpBytes(const SetupPictureCase& c)
{
    return 54 + (static_cast<std::size_t>(c.width) * 3 + 3) / 4 * 4 * c.height;
}

TEST(SetupPicture, EachScaleIsAWholeBottomUp24BitBmpOfItsSize)
{
    for (const auto& c : kSetupPictures) {
        SCOPED_TRACE(c.file);
        const Bytes b = readFile(c.file);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(u16(b, 0), 0x4D42u) << "\"BM\"";
        EXPECT_EQ(u32(b, 2), b.size()) << "the file header's size is the file's";
        EXPECT_EQ(u32(b, 10), 54u) << "pixels right after the two headers";
        const InfoHeader h = readInfoHeader(b, 14);
        EXPECT_EQ(h.size, 40u);
        EXPECT_EQ(h.width, c.width);
        EXPECT_EQ(h.height, c.height) << "positive: bottom-up, as every loader reads";
        EXPECT_EQ(h.bitCount, 24u);
        EXPECT_EQ(h.compression, 0u);
        EXPECT_EQ(b.size(), bmpBytes(c));
    }
}

TEST(SetupPicture, ShowsTheIconOnTheNightSkyAboveADriftOfSnow)
{
    const auto icon = loadIcon();
    ASSERT_EQ(icon.size(), 2u);
    const IconImage& big = icon[1];
    for (const auto& c : kSetupPictures) {
        SCOPED_TRACE(c.file);
        const Bytes b = readFile(c.file);
        ASSERT_EQ(b.size(), bmpBytes(c));
        const std::vector<Rgb> pixels = readPixels24(b, 54, c.width, c.height);
        auto at = [&](int x, int y) { return pixels.at(static_cast<std::size_t>(y) * c.width + x); };
        // Every opaque pixel of the icon, enlarged and unblended, so its pixel art stays crisp.
        int mismatches = 0;
        for (int y = 0; y < 32 * c.iconZoom; ++y)
            for (int x = 0; x < 32 * c.iconZoom; ++x)
                if (!big.clear(x / c.iconZoom, y / c.iconZoom) &&
                    at(c.iconLeft + x, c.iconTop + y) != big.at(x / c.iconZoom, y / c.iconZoom))
                    ++mismatches;
        EXPECT_EQ(mismatches, 0);
        // The night above is dark blue; the drift along the bottom edge is snow white to pale blue.
        const Rgb sky = at(2, c.height / 40);
        EXPECT_LT(sky.r, 40);
        EXPECT_GT(sky.b, sky.r);
        for (int x = 0; x < c.width; x += c.width / 8) {
            const Rgb drift = at(x, c.height - 1);
            EXPECT_GE(std::min({drift.r, drift.g, drift.b}), 190) << "column " << x;
        }
    }
}

}  // namespace
}  // namespace nivora

// The committed artwork read back as Windows would load it: the 26 option pictures with the pixel layout of their
// headings, values and scales, and the program icon with its two images and transparency mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

Bytes readFile(const std::string& relativePath) {
    std::ifstream file(std::string(NIVORA_SOURCE_DIR) + "/" + relativePath, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::uint32_t u16(const Bytes& b, std::size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
std::uint32_t u32(const Bytes& b, std::size_t at) { return u16(b, at) | (u16(b, at + 2) << 16); }
std::int32_t i32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(u32(b, at)); }

// The fields of a BITMAPINFOHEADER that decide how a loader reads the pixels.
struct InfoHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint32_t planes;
    std::uint32_t bitCount;
    std::uint32_t compression;
};

InfoHeader readInfoHeader(const Bytes& b, std::size_t at) {
    return {u32(b, at), i32(b, at + 4), i32(b, at + 8), u16(b, at + 12), u16(b, at + 14), u32(b, at + 16)};
}

// Top-down pixels of a bottom-up 24-bit image whose rows start at `at`.
std::vector<Rgb> readPixels24(const Bytes& b, std::size_t at, int width, int height) {
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

struct Picture {
    InfoHeader header{};
    std::uint32_t fileSize = 0;
    std::uint32_t pixelOffset = 0;
    std::vector<Rgb> pixels;  // top-down

    Rgb at(int x, int y) const { return pixels.at(static_cast<std::size_t>(y) * kWidth + x); }
    bool ink(int x, int y) const { return at(x, y) != kBackground; }
};

std::optional<Picture> loadPicture(const std::string& name) {
    const Bytes b = readFile("resources/options/" + name);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return std::nullopt;
    Picture p;
    p.fileSize = u32(b, 2);
    p.pixelOffset = u32(b, 10);
    p.header = readInfoHeader(b, 14);
    if (p.header.width != kWidth || p.header.height != kHeight || p.header.bitCount != 24) return p;
    if (b.size() < p.pixelOffset + kWidth * 3 * kHeight) return std::nullopt;
    p.pixels = readPixels24(b, p.pixelOffset, kWidth, kHeight);
    return p;
}

std::vector<std::string> pictureNames() {
    std::vector<std::string> names;
    for (const auto& [stem, count] : {std::pair{"precipitation", 5}, std::pair{"velocity", 13},
                                      std::pair{"direction", 2}, std::pair{"blightness", 5}})
        for (int i = 0; i < count; ++i) names.push_back(std::string(stem) + "_" + std::to_string(i) + ".bmp");
    names.push_back("message.bmp");
    return names;
}

// Inclusive runs of white columns along one row, between columns x0 and x1.
using Runs = std::vector<std::pair<int, int>>;

Runs whiteRuns(const Picture& p, int y, int x0 = 160, int x1 = kWidth - 1) {
    Runs runs;
    for (int x = x0; x <= x1; ++x) {
        if (p.at(x, y) != kWhite) continue;
        if (!runs.empty() && runs.back().second == x - 1) {
            runs.back().second = x;
        } else {
            runs.push_back({x, x});
        }
    }
    return runs;
}

struct Box {
    int left = kWidth;
    int right = -1;
    int top = kHeight;
    int bottom = -1;
    bool empty() const { return right < 0; }
};

// Where the non-background pixels of a region lie.
Box inkBox(const Picture& p, int x0, int x1, int y0, int y1) {
    Box box;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (p.ink(x, y)) box = {std::min(box.left, x), std::max(box.right, x), std::min(box.top, y),
                                    std::max(box.bottom, y)};
    return box;
}

TEST(OptionPictures, EveryPictureIsA360By40TwentyFourBitBitmapStoredBottomUp) {
    const auto names = pictureNames();
    ASSERT_EQ(names.size(), 26u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto p = loadPicture(name);
        ASSERT_TRUE(p.has_value());
        EXPECT_EQ(p->header.size, 40u);  // BITMAPINFOHEADER, which LoadImage and the resource compiler take
        EXPECT_EQ(p->header.width, kWidth);
        EXPECT_EQ(p->header.height, kHeight);  // positive: bottom-up rows
        EXPECT_EQ(p->header.planes, 1u);
        EXPECT_EQ(p->header.bitCount, 24u);
        EXPECT_EQ(p->header.compression, 0u);  // BI_RGB
        EXPECT_EQ(p->pixelOffset, 54u);
        EXPECT_EQ(p->fileSize, 54u + kWidth * 3 * kHeight);
    }
}

TEST(OptionPictures, CornersShowTheBackgroundAndEveryPixelBlendsWhiteWithIt) {
    for (const auto& name : pictureNames()) {
        SCOPED_TRACE(name);
        const auto p = loadPicture(name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{kWidth - 1, 0}, std::pair{0, kHeight - 1},
                                   std::pair{kWidth - 1, kHeight - 1}})
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

TEST(OptionPictures, HeadingsValuesAndCaptionsSitOnTheirRowsAndColumns) {
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

TEST(OptionPictures, EveryHeadingStartsAtItsColumnsWithinItsRows) {
    for (const auto& name : pictureNames()) {
        SCOPED_TRACE(name);
        const auto p = loadPicture(name);
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

TEST(OptionPictures, RowsWithoutAScaleShowNothingRightOfTheirTexts) {
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
TEST(OptionPictureScales, BaselineAndEndPostsFrameEveryScale) {
    for (const auto& name : pictureNames()) {
        if (name.starts_with("direction") || name.starts_with("message")) continue;
        SCOPED_TRACE(name);
        const auto p = loadPicture(name);
        ASSERT_TRUE(p.has_value() && !p->pixels.empty());
        for (int y = 25; y <= 27; ++y) EXPECT_EQ(whiteRuns(*p, y), (Runs{{164, 356}})) << "baseline row " << y;
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

TEST(OptionPictureScales, MarksAndBlocksStandOnTheirColumns) {
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
        {"precipitation_0.bmp", 17, {{164, 166}, {168, 170}, {172, 173}, {192, 193}, {225, 226}, {291, 292}, {354, 356}}},
        {"precipitation_4.bmp", 24, {{164, 166}, {172, 173}, {192, 193}, {225, 226}, {291, 292}, {354, 356}}},
        {"precipitation_4.bmp",
         20,
         {{164, 166}, {168, 170}, {172, 173}, {175, 190}, {192, 193}, {195, 223}, {225, 226}, {228, 289}, {291, 292},
          {294, 352}, {354, 356}}},
        {"velocity_6.bmp", 10, {{257, 263}}},
        {"velocity_6.bmp", 18, {{164, 166}, {257, 263}, {354, 356}}},
        {"velocity_6.bmp", 24, velocityMarks},
        {"velocity_6.bmp",
         20,
         {{164, 166}, {180, 182}, {196, 198}, {212, 214}, {228, 230}, {244, 246}, {257, 263}, {275, 277}, {291, 293},
          {307, 309}, {323, 325}, {339, 341}, {354, 356}}},
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

TEST(OptionPictureScales, InnerMarksRiseFromTheirRowAndBlocksSpanRowsThreeToTwentyThree) {
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
        for (int y = c.markTop; y <= 27; ++y) EXPECT_EQ(p->at(c.markColumn, y), kWhite) << "mark row " << y;
        EXPECT_EQ(p->at(c.blockColumn, 2), kBackground);
        for (int y = 3; y <= 23; ++y) EXPECT_EQ(p->at(c.blockColumn, y), kWhite) << "block row " << y;
        EXPECT_EQ(p->at(c.blockColumn, 24), kBackground);
    }
}

TEST(OptionPictureScales, EachValueFillsItsNumberOfSegments) {
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
    for (const Case& c : cases)
        for (int i = 0; i < c.count; ++i) {
            const std::string name = std::string(c.stem) + "_" + std::to_string(i) + ".bmp";
            SCOPED_TRACE(name);
            const auto p = loadPicture(name);
            ASSERT_TRUE(p.has_value() && !p->pixels.empty());
            EXPECT_EQ(whiteRuns(*p, 10).size(), static_cast<std::size_t>(c.blocks(i)));
        }
}

TEST(OptionPictureScales, FirstPrecipitationLabelsStartAtTheirMarks) {
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

std::vector<IconImage> loadIcon() {
    const Bytes b = readFile("resources/nivora.ico");
    std::vector<IconImage> images;
    if (b.size() < 6 || u16(b, 0) != 0 || u16(b, 2) != 1) return images;
    for (std::uint32_t i = 0; i < u16(b, 4); ++i) {
        const std::size_t entry = 6 + 16 * i;
        IconImage image;
        image.size = b.at(entry) == 0 ? 256 : b.at(entry);
        const std::uint32_t bytes = u32(b, entry + 8);
        const std::uint32_t offset = u32(b, entry + 12);
        if (offset + bytes > b.size()) return {};
        image.header = readInfoHeader(b, offset);
        if (image.header.bitCount == 24 && image.header.width == image.size) {
            const std::size_t colourAt = offset + image.header.size;
            image.colour = readPixels24(b, colourAt, image.size, image.size);
            const std::size_t maskAt = colourAt + (static_cast<std::size_t>(image.size) * 3 + 3) / 4 * 4 * image.size;
            const std::size_t maskStride = (static_cast<std::size_t>(image.size) + 31) / 32 * 4;
            if (maskAt + maskStride * image.size != offset + bytes) return {};
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

TEST(ProgramIcon, HoldsA16And32PixelImageOf24BitsWithAMask) {
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

TEST(ProgramIcon, CornersAreTransparentAndTheChestIsOpaque) {
    for (const auto& icon : loadIcon()) {
        SCOPED_TRACE(icon.size);
        ASSERT_EQ(icon.transparent.size(), static_cast<std::size_t>(icon.size * icon.size));
        const int last = icon.size - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{last, 0}, std::pair{0, last}, std::pair{last, last}})
            EXPECT_TRUE(icon.clear(x, y)) << "corner " << x << "," << y;
        for (int y = icon.size * 3 / 8; y < icon.size * 3 / 4; ++y)
            for (int x = icon.size * 3 / 8; x < icon.size * 5 / 8; ++x) EXPECT_FALSE(icon.clear(x, y));
        // A transparent pixel must be black, or the screen behind it would be XOR-ed with its colour.
        for (int y = 0; y < icon.size; ++y)
            for (int x = 0; x < icon.size; ++x)
                if (icon.clear(x, y)) {
                    EXPECT_EQ(icon.at(x, y), Rgb{}) << x << "," << y;
                }
    }
}

TEST(ProgramIcon, ShirtIsOutlinedSoItShowsOnWhite) {
    for (const auto& icon : loadIcon()) {
        SCOPED_TRACE(icon.size);
        ASSERT_EQ(icon.transparent.size(), static_cast<std::size_t>(icon.size * icon.size));
        int edge = 0;
        for (int y = 0; y < icon.size; ++y)
            for (int x = 0; x < icon.size; ++x) {
                if (icon.clear(x, y)) continue;
                const bool border = x == 0 || y == 0 || x == icon.size - 1 || y == icon.size - 1 ||
                                    icon.clear(x - 1, y) || icon.clear(x + 1, y) || icon.clear(x, y - 1) ||
                                    icon.clear(x, y + 1);
                if (!border) continue;
                ++edge;
                const Rgb c = icon.at(x, y);
                EXPECT_LT(c.r + c.g + c.b, 3 * 160) << "light edge pixel at " << x << "," << y;
            }
        EXPECT_GT(edge, icon.size * 2);
    }
}

TEST(ProgramIcon, ChestCarriesAnAccentSquareWithAWhiteLetter) {
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
            if (image.size == c.size) icon = &image;
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

}  // namespace
}  // namespace nivora

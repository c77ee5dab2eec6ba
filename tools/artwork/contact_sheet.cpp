// Layout of the contact sheet; it is documentation only, the saver never reads it.
#include "contact_sheet.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace nivora::artwork {
namespace {

constexpr Rgb kPaper{232, 232, 236};
constexpr Rgb kLight{255, 255, 255};
constexpr Rgb kDark{36, 36, 44};
constexpr int kMargin = 16;
constexpr int kGap = 4;
constexpr int kGroupGap = 14;

void blit(Image& sheet, const Image& picture, int left, int top, int zoom) {
    for (int y = 0; y < picture.height * zoom; ++y)
        for (int x = 0; x < picture.width * zoom; ++x) sheet.at(left + x, top + y) = picture.at(x / zoom, y / zoom);
}

void fillRect(Image& sheet, int left, int top, int width, int height, Rgb colour) {
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) sheet.at(x, y) = colour;
}

void blitIcon(Image& sheet, const IconImage& icon, int left, int top, int zoom) {
    const Image& c = icon.colour;
    for (int y = 0; y < c.height * zoom; ++y)
        for (int x = 0; x < c.width * zoom; ++x)
            if (icon.opaque[static_cast<std::size_t>(y / zoom) * c.width + x / zoom])
                sheet.at(left + x, top + y) = c.at(x / zoom, y / zoom);
}

const Image& find(const std::vector<NamedPicture>& pictures, const std::string& name) {
    for (const auto& p : pictures)
        if (p.fileName == name) return p.image;
    throw std::logic_error("no picture " + name);
}

std::string stemOf(const std::string& fileName) { return fileName.substr(0, fileName.find_first_of("_.")); }

}  // namespace

Image drawContactSheet(const std::vector<NamedPicture>& pictures, const std::vector<IconImage>& icons) {
    // Left column: every picture at its size, grouped by setting.
    int columnHeight = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const bool newGroup = i > 0 && stemOf(pictures[i].fileName) != stemOf(pictures[i - 1].fileName);
        columnHeight += (i == 0 ? 0 : newGroup ? kGroupGap : kGap) + kPictureHeight;
    }
    const int right = kMargin + kPictureWidth + 2 * kMargin;
    const int zoomedHeight = 5 * kPictureHeight * 2;
    const int iconPanel = 32 * 8 + 2 * kMargin;
    const int width = right + kPictureWidth * 2 + kMargin;
    const int height = std::max(columnHeight, 2 * zoomedHeight + 2 * kMargin + iconPanel) + 2 * kMargin;
    Image sheet(width, height, kPaper);

    int y = kMargin;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const bool newGroup = i > 0 && stemOf(pictures[i].fileName) != stemOf(pictures[i - 1].fileName);
        if (i > 0) y += newGroup ? kGroupGap : kGap;
        blit(sheet, pictures[i].image, kMargin, y, 1);
        y += kPictureHeight;
    }

    // Right column: the five rows as the settings window stacks them, at the defaults and at other values, twice
    // their size.
    const std::vector<std::vector<std::string>> stacks{
        {"precipitation_1.bmp", "velocity_6.bmp", "direction_1.bmp", "blightness_2.bmp", "message.bmp"},
        {"precipitation_4.bmp", "velocity_1.bmp", "direction_0.bmp", "blightness_0.bmp", "velocity_11.bmp"}};
    y = kMargin;
    for (const auto& stack : stacks) {
        for (const auto& name : stack) {
            blit(sheet, find(pictures, name), right, y, 2);
            y += 2 * kPictureHeight;
        }
        y += kMargin;
    }

    // The icon eight times enlarged on white, and at its size and four times enlarged on a dark background.
    const int lightWidth = 16 * 8 + 32 * 8 + 3 * kMargin;
    fillRect(sheet, right, y, lightWidth, iconPanel, kLight);
    blitIcon(sheet, icons.at(0), right + kMargin, y + kMargin, 8);
    blitIcon(sheet, icons.at(1), right + 2 * kMargin + 16 * 8, y + kMargin, 8);
    const int darkLeft = right + lightWidth + kMargin;
    fillRect(sheet, darkLeft, y, right + 2 * kPictureWidth - darkLeft, iconPanel, kDark);
    int x = darkLeft + kMargin;
    for (const auto& [icon, zoom] : {std::pair{0, 1}, std::pair{1, 1}, std::pair{0, 4}, std::pair{1, 4}}) {
        blitIcon(sheet, icons.at(static_cast<std::size_t>(icon)), x, y + kMargin, zoom);
        x += icons.at(static_cast<std::size_t>(icon)).colour.width * zoom + kMargin / 2;
    }
    return sheet;
}

Bytes encodePng(const Image& image) {
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(image.height) * (1 + 3 * static_cast<std::size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.at(x, y);
            raw.insert(raw.end(), {p.r, p.g, p.b});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        throw std::runtime_error("zlib failed");
    packed.resize(packedSize);

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put32 = [](Bytes& b, std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    auto chunk = [&](const char* type, const Bytes& data) {
        put32(out, static_cast<std::uint32_t>(data.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
        put32(out, static_cast<std::uint32_t>(crc));
    };
    Bytes header;
    put32(header, static_cast<std::uint32_t>(image.width));
    put32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, no filter choice, not interlaced
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

}  // namespace nivora::artwork

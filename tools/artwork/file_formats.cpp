// Byte layouts follow the Win32 structures BITMAPFILEHEADER, BITMAPINFOHEADER, ICONDIR and ICONDIRENTRY, and the
// PNG format (chunks IHDR, PLTE, IDAT, IEND).
#include "file_formats.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>
#include <tuple>

namespace nivora::artwork {
namespace {

void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::uint32_t paddedRowBytes(int bits)
{
    return static_cast<std::uint32_t>((bits + 31) / 32 * 4);
}

// BITMAPINFOHEADER; icons store the colour and mask heights added together.
void putInfoHeader(Bytes& out, int width, int storedHeight, std::uint32_t imageBytes)
{
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(storedHeight));
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, 0);   // BI_RGB
    put32(out, imageBytes);
    put32(out, 3780);  // 96 dpi, so editors show the pictures at their pixel size
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
}

void putPixelsBottomUp(Bytes& out, const Image& image)
{
    const std::uint32_t rowBytes = paddedRowBytes(image.width * 24);
    for (int y = image.height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.at(x, y);
            out.insert(out.end(), {p.b, p.g, p.r});
            written += 3;
        }
        for (; written < rowBytes; ++written)
            out.push_back(0);
    }
}

void putBigEndian32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

Bytes deflate(const Bytes& raw)
{
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("zlib failed");
    packed.resize(packedSize);
    return packed;
}

}  // namespace

Bytes encodePng(const Image& image)
{
    // The palette in colour order, so the same colours always get the same indices.
    std::map<std::tuple<int, int, int>, std::uint8_t> palette;
    for (const Rgb& p : image.pixels) {
        palette.emplace(std::tuple{p.r, p.g, p.b}, 0);
        if (palette.size() > 256)
            break;
    }
    const bool indexed = palette.size() <= 256;
    if (indexed) {
        std::uint8_t index = 0;
        for (auto& entry : palette)
            entry.second = index++;
    }

    // Each row is stored unfiltered: these flat pictures pack best that way, and the decoder has least to do.
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(image.height) *
                (1 + (indexed ? 1 : 3) * static_cast<std::size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.at(x, y);
            if (indexed) {
                raw.push_back(palette.at({p.r, p.g, p.b}));
            } else {
                raw.insert(raw.end(), {p.r, p.g, p.b});
            }
        }
    }

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
        const std::size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), data.begin(), data.end());
        putBigEndian32(out,
                       static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    };
    Bytes header;
    putBigEndian32(header, static_cast<std::uint32_t>(image.width));
    putBigEndian32(header, static_cast<std::uint32_t>(image.height));
    // 8 bits, indexed (3) or truecolour (2), deflate, adaptive filtering, not interlaced
    header.insert(header.end(), {8, static_cast<std::uint8_t>(indexed ? 3 : 2), 0, 0, 0});
    chunk("IHDR", header);
    if (indexed) {
        Bytes colours;
        for (const auto& entry : palette) {
            colours.push_back(static_cast<std::uint8_t>(std::get<0>(entry.first)));
            colours.push_back(static_cast<std::uint8_t>(std::get<1>(entry.first)));
            colours.push_back(static_cast<std::uint8_t>(std::get<2>(entry.first)));
        }
        chunk("PLTE", colours);
    }
    chunk("IDAT", deflate(raw));
    chunk("IEND", {});
    return out;
}

Bytes encodeBmp(const Image& image)
{
    constexpr std::uint32_t kHeaders = 14 + 40;
    const std::uint32_t pixelBytes = paddedRowBytes(image.width * 24) * static_cast<std::uint32_t>(image.height);
    Bytes out;
    put16(out, 'B' | 'M' << 8);
    put32(out, kHeaders + pixelBytes);
    put32(out, 0);  // reserved
    put32(out, kHeaders);
    putInfoHeader(out, image.width, image.height, pixelBytes);
    putPixelsBottomUp(out, image);
    return out;
}

Bytes encodeIco(const std::vector<IconImage>& images)
{
    std::vector<Bytes> bodies;
    for (const auto& icon : images) {
        const Image& c = icon.colour;
        if (c.width > 256 || c.height > 256 || icon.opaque.size() != c.pixels.size())
            throw std::invalid_argument("icon image of unsupported size");
        const std::uint32_t colourBytes = paddedRowBytes(c.width * 24) * static_cast<std::uint32_t>(c.height);
        const std::uint32_t maskRow = paddedRowBytes(c.width);
        Bytes body;
        putInfoHeader(body, c.width, 2 * c.height, colourBytes + maskRow * static_cast<std::uint32_t>(c.height));
        // Transparent pixels are black in the colour image, so AND with the screen then XOR leaves the screen as is.
        Image colour = c;
        for (std::size_t i = 0; i < colour.pixels.size(); ++i)
            if (!icon.opaque[i])
                colour.pixels[i] = Rgb{};
        putPixelsBottomUp(body, colour);
        for (int y = c.height - 1; y >= 0; --y) {
            Bytes row(maskRow, 0);
            for (int x = 0; x < c.width; ++x)
                if (!icon.opaque[static_cast<std::size_t>(y) * c.width + x])
                    row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }

    Bytes out;
    put16(out, 0);
    put16(out, 1);  // icon, not cursor
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Image& c = images[i].colour;
        out.push_back(static_cast<std::uint8_t>(c.width % 256));  // 0 stands for 256
        out.push_back(static_cast<std::uint8_t>(c.height % 256));
        out.push_back(0);  // no palette
        out.push_back(0);
        put16(out, 1);   // planes
        put16(out, 24);  // bits per pixel
        put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace nivora::artwork

// Byte layouts follow the Win32 structures BITMAPFILEHEADER, BITMAPINFOHEADER, ICONDIR and ICONDIRENTRY.
#include "file_formats.h"

#include <fstream>
#include <stdexcept>

namespace nivora::artwork {
namespace {

void put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::uint32_t paddedRowBytes(int bits) { return static_cast<std::uint32_t>((bits + 31) / 32 * 4); }

// BITMAPINFOHEADER; icons store the colour and mask heights added together.
void putInfoHeader(Bytes& out, int width, int storedHeight, std::uint32_t imageBytes) {
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

void putPixelsBottomUp(Bytes& out, const Image& image) {
    const std::uint32_t rowBytes = paddedRowBytes(image.width * 24);
    for (int y = image.height - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.at(x, y);
            out.insert(out.end(), {p.b, p.g, p.r});
            written += 3;
        }
        for (; written < rowBytes; ++written) out.push_back(0);
    }
}

}  // namespace

Bytes encodeBmp24(const Image& image) {
    const std::uint32_t pixelBytes = paddedRowBytes(image.width * 24) * static_cast<std::uint32_t>(image.height);
    constexpr std::uint32_t kHeaders = 14 + 40;
    Bytes out;
    out.reserve(kHeaders + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, kHeaders + pixelBytes);
    put32(out, 0);
    put32(out, kHeaders);
    putInfoHeader(out, image.width, image.height, pixelBytes);
    putPixelsBottomUp(out, image);
    return out;
}

Bytes encodeIco(const std::vector<IconImage>& images) {
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
            if (!icon.opaque[i]) colour.pixels[i] = Rgb{};
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
    for (const auto& body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace nivora::artwork

// Test support for the snow pictures: owned 32-bit images, and PNG files of a failed comparison (actual, expected,
// difference) written to the build tree for a person to look at.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/raster.h"

namespace nivora::snowtest {

struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<Pixel> pixels;

    Image() = default;
    Image(int32_t w, int32_t h, Pixel fill = 0)
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill)
    {}
    Surface view() { return {pixels.data(), width, height, width}; }
    ConstSurface view() const { return {pixels.data(), width, height, width}; }
    Pixel at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
    Pixel& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

inline uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// An RGB PNG with uncompressed deflate blocks: small code, any viewer opens it.
inline void writePng(const std::filesystem::path& path, const ConstSurface& image)
{
    std::vector<uint8_t> raw;
    for (int32_t y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int32_t x = 0; x < image.width; ++x) {
            const Pixel p = image.at(x, y);
            raw.push_back(static_cast<uint8_t>(p >> 16));
            raw.push_back(static_cast<uint8_t>(p >> 8));
            raw.push_back(static_cast<uint8_t>(p));
        }
    }
    std::vector<uint8_t> z{0x78, 0x01};
    for (size_t pos = 0; pos < raw.size() || pos == 0;) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                 raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        if (last)
            break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const uint32_t adler = (b << 16) | a;
    for (int s = 24; s >= 0; s -= 8)
        z.push_back(static_cast<uint8_t>(adler >> s));

    std::ofstream out(path, std::ios::binary);
    auto be32 = [&](uint32_t v) {
        const std::array<char, 4> bytes{static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                                        static_cast<char>(v >> 8), static_cast<char>(v)};
        out.write(bytes.data(), 4);
    };
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        be32(static_cast<uint32_t>(data.size()));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
        be32(crc32(body.data(), body.size()));
    };
    out.write("\x89PNG\r\n\x1a\n", 8);
    std::vector<uint8_t> header;
    for (uint32_t v : {static_cast<uint32_t>(image.width), static_cast<uint32_t>(image.height)})
        for (int s = 24; s >= 0; s -= 8)
            header.push_back(static_cast<uint8_t>(v >> s));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB
    chunk("IHDR", header);
    chunk("IDAT", z);
    chunk("IEND", {});
}

inline std::filesystem::path failureDir()
{
    std::filesystem::path dir = NIVORA_OUTPUT_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

// Writes <tag>-<picture>-actual.png, -expected.png and -difference.png (red where the pixels differ).
inline std::string writeMismatch(const std::string& tag, const char* picture, const ConstSurface& actual,
                                 const ConstSurface& expected)
{
    std::string name = tag;
    name += '-';
    name += picture;
    const std::filesystem::path dir = failureDir();
    Image diff(actual.width, actual.height);
    for (int32_t y = 0; y < actual.height && y < expected.height; ++y)
        for (int32_t x = 0; x < actual.width && x < expected.width; ++x)
            diff.at(x, y) = actual.at(x, y) != expected.at(x, y) ? 0x00FF0000u : (actual.at(x, y) >> 2) & 0x3F3F3Fu;
    auto file = [&](const char* what) {
        std::string f = name;
        f += what;
        return dir / f;
    };
    writePng(file("-actual.png"), actual);
    writePng(file("-expected.png"), expected);
    writePng(file("-difference.png"), diff.view());
    return file("-difference.png").string();
}

}  // namespace nivora::snowtest

// Encoders of the Windows picture files the saver embeds: 24-bit BMP and ICO with a 1-bit transparency mask.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "image.h"

namespace nivora::artwork {

using Bytes = std::vector<std::uint8_t>;

// A plain BITMAPFILEHEADER + BITMAPINFOHEADER file, bottom-up, BI_RGB, rows padded to four bytes.
Bytes encodeBmp24(const Image& image);

struct IconImage {
    Image colour;
    std::vector<bool> opaque;  // top-down, one per pixel; false pixels show what lies behind the icon
};

// An icon directory with one 24-bit image (colour plus AND mask) per entry, in the order given.
Bytes encodeIco(const std::vector<IconImage>& images);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace nivora::artwork

// Encoders of the picture files the saver embeds: PNG for the option pictures, ICO with a 1-bit transparency mask for
// the icon; and BMP for the setup's page picture.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "image.h"

namespace nivora::artwork {

using Bytes = std::vector<std::uint8_t>;

// A PNG of 8 bits per sample: indexed with a palette of the picture's colours when it has 256 or fewer (an option
// picture is white blended over one background, so it always has), truecolour otherwise. Compressed with zlib at
// its highest level; the same picture gives the same bytes on every run with the same zlib.
Bytes encodePng(const Image& image);

struct IconImage {
    Image colour;
    std::vector<bool> opaque;  // top-down, one per pixel; false pixels show what lies behind the icon
};

// A 24-bit bottom-up BMP, as the setup's pages load their picture.
Bytes encodeBmp(const Image& image);

// An icon directory with one 24-bit image (colour plus AND mask) per entry, in the order given.
Bytes encodeIco(const std::vector<IconImage>& images);

void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace nivora::artwork

// What the saver and its tests learn about the stored option pictures from the generator: the resource script that
// names each picture file, and a digest of each picture's pixels.
#pragma once

#include <string>
#include <vector>

#include "option_pictures.h"

namespace nivora::artwork {

// The pictures of one row at one scale, side by side in the order of their values: what one PNG file stores.
struct PictureStrip {
    int row = 0;
    std::int32_t percent = 100;
    Image image;
};
std::vector<PictureStrip> stripsOf(const std::vector<NamedPicture>& pictures);

// Resource statements, one per strip: the resource named as the program looks it up, of type RCDATA, holding the
// PNG file, its path relative to the resource directory.
std::string resourceScript(const std::vector<PictureStrip>& strips);

// FNV-1a (64 bits) of the picture's pixels, R, G and B of each, rows from the top: what a decoder must give back.
std::uint64_t pixelDigest(const Image& image);

// C++ initialisers {row, element, per cent, width, height, 0xDIGEST}, one line per picture, for the end-to-end tests.
std::string digestTable(const std::vector<NamedPicture>& pictures);

}  // namespace nivora::artwork

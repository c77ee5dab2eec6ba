// Both files are generated and committed with the pictures, so they cannot drift from them.
#include "picture_index.h"

#include <cstdio>
#include <stdexcept>

#include "core/dialog/option_picture_scales.h"

namespace nivora::artwork {

std::vector<PictureStrip> stripsOf(const std::vector<NamedPicture>& pictures)
{
    std::vector<PictureStrip> strips;
    for (const NamedPicture& p : pictures) {
        if (p.element == 0) {
            const int count = optionPictureCount(p.row);
            strips.push_back({p.row, p.percent, Image(p.image.width * count, p.image.height, Rgb{})});
        }
        PictureStrip& strip = strips.back();
        if (strip.row != p.row || strip.percent != p.percent)
            throw std::logic_error("pictures out of order");
        for (int y = 0; y < p.image.height; ++y)
            for (int x = 0; x < p.image.width; ++x)
                strip.image.at(p.element * p.image.width + x, y) = p.image.at(x, y);
    }
    return strips;
}

std::string resourceScript(const std::vector<PictureStrip>& strips)
{
    std::string out =
        "// Written by the artwork generator (tools/artwork): the option pictures at every stored display scale, each\n"
        "// row's pictures side by side in one PNG.\n";
    for (const PictureStrip& s : strips)
        out += optionPictureResource(s.row, s.percent) + " RCDATA \"options/" + optionPictureFile(s.row, s.percent) +
               "\"\n";
    return out;
}

std::uint64_t pixelDigest(const Image& image)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const Rgb& p : image.pixels)
        for (std::uint8_t byte : {p.r, p.g, p.b}) {
            hash ^= byte;
            hash *= 0x100000001b3ull;
        }
    return hash;
}

std::string digestTable(const std::vector<NamedPicture>& pictures)
{
    std::string out =
        "// Written by the artwork generator (tools/artwork): each option picture's name, size and FNV-1a digest of\n"
        "// its pixels (R, G, B, rows from the top): row, element, per cent, width, height, digest.\n";
    for (const NamedPicture& p : pictures) {
        char line[128];
        std::snprintf(line, sizeof line, "{%d, %d, %d, %d, %d, 0x%016llxull},\n", p.row, p.element,
                      static_cast<int>(p.percent), p.image.width, p.image.height,
                      static_cast<unsigned long long>(pixelDigest(p.image)));
        out += line;
    }
    return out;
}

}  // namespace nivora::artwork

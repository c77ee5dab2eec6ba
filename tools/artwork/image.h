// Small raster types of the artwork generator: an RGB picture and a white-ink coverage map laid over a background.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/dialog/dialog_layout.h"

namespace nivora::artwork {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kWhite{255, 255, 255};
// The accent colour that every option picture and the icon's chest square share.
inline constexpr Rgb kAccent{kAccentColour.r, kAccentColour.g, kAccentColour.b};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // top-down rows

    Image() = default;
    Image(int w, int h, Rgb fill) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}

    Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// How much white ink covers each pixel, 0 (none) to 255 (solid). Text and scale marks are collected here first and
// blended over the background once, so glyphs that share an edge pixel add up instead of overwriting each other.
struct Coverage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;

    Coverage(int w, int h) : width(w), height(h), values(static_cast<std::size_t>(w) * h, 0) {}

    void add(int x, int y, int amount)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        auto& v = values[static_cast<std::size_t>(y) * width + x];
        v = static_cast<std::uint8_t>(std::min(255, v + amount));
    }

    // Solid ink over the inclusive rectangle x0..x1, y0..y1.
    void fill(int x0, int y0, int x1, int y1)
    {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                add(x, y, 255);
    }

    std::uint8_t at(int x, int y) const { return values[static_cast<std::size_t>(y) * width + x]; }
};

// White over the background in proportion to the coverage, rounded to nearest.
inline Image blendWhite(const Coverage& ink, Rgb background)
{
    Image out(ink.width, ink.height, background);
    auto mix = [](int base, int a) { return static_cast<std::uint8_t>((base * (255 - a) + 255 * a + 127) / 255); };
    for (int y = 0; y < ink.height; ++y)
        for (int x = 0; x < ink.width; ++x) {
            const int a = ink.at(x, y);
            out.at(x, y) = Rgb{mix(background.r, a), mix(background.g, a), mix(background.b, a)};
        }
    return out;
}

}  // namespace nivora::artwork

// Lays the wallpaper over an output the way GNOME's picture-options (and Plasma's fill modes) do.
#include "core/desktop/wallpaper_cover.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace nivora {
namespace {

// The source pixels one target pixel covers along one axis, each with the length of its overlap, in units where a
// source pixel is `to` long and a target pixel `from` long: every overlap is a whole number.
struct Taps {
    int32_t first = 0;
    std::vector<int64_t> weights;
};

std::vector<Taps> tapsFor(int32_t from, int32_t to)
{
    std::vector<Taps> out(static_cast<size_t>(to));
    for (int32_t t = 0; t < to; ++t) {
        const int64_t begin = int64_t{t} * from, end = int64_t{t + 1} * from;
        Taps& taps = out[static_cast<size_t>(t)];
        taps.first = static_cast<int32_t>(begin / to);
        for (int64_t s = taps.first; s * to < end; ++s)
            taps.weights.push_back(std::min(end, (s + 1) * to) - std::max(begin, s * to));
    }
    return out;
}

void fill(Surface target, Pixel colour)
{
    for (int32_t y = 0; y < target.height; ++y)
        std::fill_n(target.row(y), target.width, colour & 0x00FFFFFFu);
}

Surface part(Surface s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {s.row(y) + x, w, h, s.stride};
}

ConstSurface part(ConstSurface s, int32_t x, int32_t y, int32_t w, int32_t h)
{
    return {s.row(y) + x, w, h, s.stride};
}

int32_t roundedRatio(int64_t numerator, int64_t denominator)
{
    return static_cast<int32_t>(std::max<int64_t>(1, (2 * numerator + denominator) / (2 * denominator)));
}

// The middle of `image` with the aspect of width x height.
ConstSurface middleWithAspect(ConstSurface image, int64_t width, int64_t height)
{
    if (int64_t{image.width} * height > int64_t{image.height} * width) {  // wider: the sides go
        const int32_t w = std::min(image.width, roundedRatio(int64_t{image.height} * width, height));
        return part(image, (image.width - w) / 2, 0, w, image.height);
    }
    const int32_t h = std::min(image.height, roundedRatio(int64_t{image.width} * height, width));
    return part(image, 0, (image.height - h) / 2, image.width, h);
}

void spanned(ConstSurface image, const WallpaperPlacement& how, Surface target)
{
    const Rect& layout = how.layout;
    const double layoutWidth = layout.right - layout.left, layoutHeight = layout.bottom - layout.top;
    if (layoutWidth <= 0 || layoutHeight <= 0 || isEmpty(how.place))
        return;
    // The picture zoomed over the layout, centred; the output's place taken back into the picture's pixels.
    const double scale = std::max(layoutWidth / image.width, layoutHeight / image.height);
    const double offsetX = (layoutWidth - image.width * scale) / 2, offsetY = (layoutHeight - image.height * scale) / 2;
    const auto at = [&](double layoutPosition, double offset, int32_t size) {
        return static_cast<int32_t>(std::clamp(std::lround((layoutPosition - offset) / scale), 0L, long{size}));
    };
    int32_t left = at(how.place.left - layout.left, offsetX, image.width);
    int32_t right = at(how.place.right - layout.left, offsetX, image.width);
    int32_t top = at(how.place.top - layout.top, offsetY, image.height);
    int32_t bottom = at(how.place.bottom - layout.top, offsetY, image.height);
    // An output smaller than one of the picture's pixels still shows that pixel.
    if (right <= left)
        right = std::min(image.width, left + 1), left = right - 1;
    if (bottom <= top)
        bottom = std::min(image.height, top + 1), top = bottom - 1;
    resampleRows(part(image, left, top, right - left, bottom - top), target);
}

}  // namespace

void resampleRows(ConstSurface source, Surface target)
{
    if (source.width <= 0 || source.height <= 0 || target.width <= 0 || target.height <= 0)
        return;
    const std::vector<Taps> across = tapsFor(source.width, target.width);
    const size_t values = static_cast<size_t>(target.width) * 3;
    std::vector<int64_t> row(values), sums(values);
    const auto acrossRow = [&](int32_t y) {
        std::fill(row.begin(), row.end(), 0);
        const Pixel* in = source.row(y);
        for (size_t x = 0; x < across.size(); ++x) {
            const Taps& taps = across[x];
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const Pixel p = in[static_cast<size_t>(taps.first) + k];
                for (size_t c = 0; c < 3; ++c)
                    row[3 * x + c] += taps.weights[k] * ((p >> (8 * c)) & 0xFFu);
            }
        }
    };
    const int64_t from = source.height, to = target.height;
    const int64_t denominator = int64_t{source.width} * source.height;
    int32_t rowHeld = -1;  // the source row whose sums `row` holds: a row shared by two target rows is summed once
    for (int64_t t = 0; t < to; ++t) {
        std::fill(sums.begin(), sums.end(), 0);
        const int64_t begin = t * from, end = (t + 1) * from;
        for (int64_t s = begin / to; s * to < end; ++s) {
            const int64_t weight = std::min(end, (s + 1) * to) - std::max(begin, s * to);
            if (rowHeld != static_cast<int32_t>(s)) {
                acrossRow(static_cast<int32_t>(s));
                rowHeld = static_cast<int32_t>(s);
            }
            for (size_t i = 0; i < values; ++i)
                sums[i] += weight * row[i];
        }
        Pixel* out = target.row(static_cast<int32_t>(t));
        for (size_t x = 0; x < static_cast<size_t>(target.width); ++x) {
            Pixel p = 0;
            for (size_t c = 0; c < 3; ++c)
                p |= static_cast<Pixel>((2 * sums[3 * x + c] + denominator) / (2 * denominator)) << (8 * c);
            out[x] = p;
        }
    }
}

void coverWithWallpaper(ConstSurface image, const WallpaperPlacement& how, Surface target)
{
    fill(target, kBlackPixel);
    if (image.width <= 0 || image.height <= 0 || target.width <= 0 || target.height <= 0)
        return;
    switch (how.option) {
    case WallpaperOption::None:
        return;
    case WallpaperOption::Stretched:
        resampleRows(image, target);
        return;
    case WallpaperOption::Zoom:
        resampleRows(middleWithAspect(image, target.width, target.height), target);
        return;
    case WallpaperOption::Spanned:
        spanned(image, how, target);
        return;
    case WallpaperOption::Scaled: {
        fill(target, how.background);
        int32_t w = target.width, h = target.height;
        if (int64_t{image.width} * target.height > int64_t{image.height} * target.width)
            h = std::min(target.height, roundedRatio(int64_t{image.height} * target.width, image.width));
        else
            w = std::min(target.width, roundedRatio(int64_t{image.width} * target.height, image.height));
        resampleRows(image, part(target, (target.width - w) / 2, (target.height - h) / 2, w, h));
        return;
    }
    case WallpaperOption::Centered: {
        fill(target, how.background);
        const int32_t w = std::min(image.width, target.width), h = std::min(image.height, target.height);
        const ConstSurface from = part(image, (image.width - w) / 2, (image.height - h) / 2, w, h);
        const Surface to = part(target, (target.width - w) / 2, (target.height - h) / 2, w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                to.at(x, y) = from.at(x, y) & 0x00FFFFFFu;
        return;
    }
    case WallpaperOption::Wallpaper:
        for (int32_t y = 0; y < target.height; ++y)
            for (int32_t x = 0; x < target.width; ++x)
                target.at(x, y) = image.at(x % image.width, y % image.height) & 0x00FFFFFFu;
        return;
    }
}

}  // namespace nivora

// Exact integer arithmetic: in units where a source pixel is `to` long and a target pixel `from` long, every overlap
// is a whole number, so the result is the same on every machine and for every build.
#include "core/base/area_resample.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace nivora {
namespace {

// The source pixels one target pixel covers along one axis, with the length of each overlap.
struct Taps {
    int32_t first = 0;
    std::vector<int64_t> weights;  // sum: `from`, the target pixel's length
};

std::vector<Taps> tapsFor(int32_t from, int32_t to)
{
    std::vector<Taps> out(static_cast<size_t>(to));
    for (int32_t t = 0; t < to; ++t) {
        const int64_t begin = int64_t{t} * from, end = int64_t{t + 1} * from;  // the target pixel, in source units
        Taps& taps = out[static_cast<size_t>(t)];
        taps.first = static_cast<int32_t>(begin / to);
        for (int64_t s = taps.first; s * to < end; ++s) {
            const int64_t overlap = std::min(end, (s + 1) * to) - std::max(begin, s * to);
            taps.weights.push_back(overlap);
        }
    }
    return out;
}

uint32_t channel(Pixel p, int shift)
{
    return (p >> shift) & 0xFFu;
}

// numerator / denominator to nearest, halves to even; both positive.
int64_t divideRounded(int64_t numerator, int64_t denominator)
{
    int64_t quotient = numerator / denominator;
    const int64_t twice = 2 * (numerator % denominator);
    if (twice > denominator || (twice == denominator && quotient % 2 != 0))
        ++quotient;
    return quotient;
}

}  // namespace

void resampleByArea(ConstSurface source, Surface target)
{
    if (source.width <= 0 || source.height <= 0 || target.width <= 0 || target.height <= 0)
        return;
    const std::vector<Taps> across = tapsFor(source.width, target.width);
    const std::vector<Taps> down = tapsFor(source.height, target.height);

    // Across first: each source row to target width, the four channels summed with their weights.
    const size_t rowValues = static_cast<size_t>(target.width) * 4;
    std::vector<int64_t> rows(static_cast<size_t>(source.height) * rowValues, 0);
    for (int32_t y = 0; y < source.height; ++y) {
        const Pixel* in = source.row(y);
        int64_t* out = rows.data() + static_cast<size_t>(y) * rowValues;
        for (size_t x = 0; x < across.size(); ++x) {
            const Taps& taps = across[x];
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const Pixel p = in[static_cast<size_t>(taps.first) + k];
                for (int c = 0; c < 4; ++c)
                    out[4 * x + static_cast<size_t>(c)] += taps.weights[k] * channel(p, 8 * c);
            }
        }
    }

    // Then down, and the sums back to bytes.
    const int64_t denominator = int64_t{source.width} * source.height;
    std::vector<int64_t> sums(rowValues);
    for (size_t y = 0; y < down.size(); ++y) {
        const Taps& taps = down[y];
        std::fill(sums.begin(), sums.end(), 0);
        for (size_t k = 0; k < taps.weights.size(); ++k) {
            const int64_t* in = rows.data() + (static_cast<size_t>(taps.first) + k) * rowValues;
            for (size_t i = 0; i < rowValues; ++i)
                sums[i] += taps.weights[k] * in[i];
        }
        Pixel* out = target.row(static_cast<int32_t>(y));
        for (size_t x = 0; x < static_cast<size_t>(target.width); ++x) {
            Pixel p = 0;
            for (int c = 0; c < 4; ++c)
                p |= static_cast<Pixel>(divideRounded(sums[4 * x + static_cast<size_t>(c)], denominator)) << (8 * c);
            out[x] = p;
        }
    }
}

}  // namespace nivora

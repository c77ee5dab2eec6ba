// A snow scene for the frame benchmarks: a full flake count spread over the picture, a busy desktop, and a message
// of bold strokes where a 48-point message would lie, so flakes keep settling while the frames are timed.
#pragma once

#include <cstdint>

#include "core/snow/random.h"
#include "core/base/raster.h"
#include "core/snow/snow_field.h"

namespace nivora::bench {

inline constexpr int16_t kBenchPrecipitation = 4;  // 3000 flakes
inline constexpr uint64_t kBenchSeed = 20041224;

inline void paintDesktop(const Surface& desk, uint64_t seed)
{
    Random r(seed);
    for (int32_t y = 0; y < desk.height; ++y)
        for (int32_t x = 0; x < desk.width; ++x)
            desk.at(x, y) = r.nextBits() & 0x007F7F7Fu;  // a desktop blended at half brightness
}

// Strokes about 64 pixels high at 100 % (`scale` times as much at a display scale) ending 5 % before the right
// edge, with their top at 80 % of the height.
inline void paintMessage(const Surface& text, double scale = 1.0)
{
    const auto scaled = [scale](int32_t pixels) { return static_cast<int32_t>(pixels * scale); };
    const int32_t top = text.height / 5 * 4;
    const int32_t left = text.width / 2;
    const int32_t right = text.width / 20 * 19;
    for (int32_t y = 0; y < text.height; ++y) {
        for (int32_t x = 0; x < text.width; ++x) {
            const bool inLine = y >= top && y < top + scaled(64) && x >= left && x < right;
            const bool stroke = (x - left) % scaled(40) < scaled(9) || (y - top) % scaled(28) < scaled(8);
            text.at(x, y) = inLine && stroke ? kWhitePixel : kBlackPixel;
        }
    }
}

// Starts the field as the saver does at a display scale, then spreads the flakes over the picture as after a
// minute of snowfall.
inline void startField(SnowField& field, Random& random, int16_t width, int16_t height, double scale = 1.0)
{
    SnowSettings settings;
    settings.precipitation = kBenchPrecipitation;
    settings.velocity = 8;  // a light wind to the right
    field.InitData(settings, {width, height, SnowMode::FullScreen, 1.0f, scale}, random);
    Random spread(kBenchSeed + 1);
    const auto heightAt100 = static_cast<float>(height / scale);  // flakes move on the picture at 100 %
    for (Flake& f : field.flakes)
        f.y = static_cast<float>(static_cast<int32_t>(spread.next() * heightAt100));
}

}  // namespace nivora::bench

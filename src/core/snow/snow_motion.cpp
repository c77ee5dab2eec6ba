// Flake motion, in double precision from the single-precision fields, stored back as singles.
#include "core/snow/snow_motion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/base/rounding.h"
#include "core/snow/sway_sine.h"

namespace nivora {
namespace {

// Where a position too far out for 32 bits lands: well off every picture, so it is clipped and never settles.
constexpr int32_t kFarAway = std::numeric_limits<int32_t>::min() / 2;

float restartX(Random& random, double width)
{
    const double x = static_cast<double>(random.next()) * width;
    return static_cast<float>(roundToInt<int16_t>(x).value_or(0));
}

}  // namespace

int32_t toPixelFar(double v)
{
    return std::clamp(roundToInt<int32_t>(v).value_or(kFarAway), kFarAway, -kFarAway);
}

template <SnowMode Mode>
void moveFlakes(std::span<Flake> flakes, float velocity, double scale, std::span<FlakePosition> positions)
{
    constexpr bool kPreview = Mode == SnowMode::Preview;
    constexpr double kDriftDivisor = kPreview ? 72.0 : 12.0;  // the preview drifts a sixth as far
    const double wind = velocity;
    const double damping = std::fabs(wind) / 10.0 + 2.0;  // stronger wind, smaller sway
    for (size_t i = 0; i < flakes.size(); ++i) {
        Flake& f = flakes[i];
        const double kind = static_cast<double>(f.speed) + f.size;
        f.x = static_cast<float>(static_cast<double>(f.x) + kind * wind / kDriftDivisor);
        // One period per 360 pixels of fall, from the height before this frame's fall.
        const double theta = (kind * 100.0 + static_cast<double>(f.y)) * kSwayRadiansPerDegree;
        const double sway = static_cast<double>(f.speed) * (f.size + 1) * swaySine(theta) / damping;
        // The preview keeps the swayed position as a single and tests its wrap on that; full screen on px.
        const double swayed = kPreview ? static_cast<double>(static_cast<float>(static_cast<double>(f.x) + sway))
                                       : static_cast<double>(f.x) + sway;
        positions[i] = {swayed, toPixel(swayed * scale), toPixel(static_cast<double>(f.y) * scale)};
    }
}

template <SnowMode Mode>
void advanceFlakes(std::span<Flake> flakes, std::span<const FlakePosition> positions, std::span<const uint32_t> settled,
                   const SnowArea& area, Random& random)
{
    constexpr bool kPreview = Mode == SnowMode::Preview;
    constexpr int32_t kMargin = kPreview ? 5 : 30;
    // The area at 100 %, where the flakes move.
    const double scale = area.scale;
    const double width = area.drawWidth / scale;
    const double height = area.drawHeight / scale;
    const double fallScale = static_cast<double>(area.previewScaleY);
    size_t nextSettled = 0;
    for (size_t i = 0; i < flakes.size(); ++i) {
        Flake& f = flakes[i];
        if (nextSettled < settled.size() && settled[nextSettled] == i) {
            ++nextSettled;
            f.y = 0;
            f.x = restartX(random, width);
            continue;
        }
        const FlakePosition& p = positions[i];
        // A flake 30 pixels (the preview: 5) past one edge comes back just inside the other.
        // Full screen tests the position rounded at 100 %: at scale 1 that is px, rounded already, as nearly every
        // monitor has it.
        const double tested = kPreview ? p.swayed : scale == 1.0 ? p.px : toPixel(p.swayed);
        const bool pastRight = tested > width + kMargin;
        const bool pastLeft = tested < -kMargin;
        if (pastRight)
            f.x = static_cast<float>(static_cast<double>(f.x) - width - kMargin);
        else if (pastLeft)
            f.x = static_cast<float>(static_cast<double>(f.x) + width + kMargin);

        // Summed in this order, to the last bit as the reference frame does.
        const double third = static_cast<double>(f.size) / 3.0;
        if constexpr (kPreview)
            f.y = static_cast<float>(static_cast<double>(f.y) + (third + static_cast<double>(f.speed)) * fallScale);
        else
            f.y = static_cast<float>(static_cast<double>(f.y) + third + static_cast<double>(f.speed));
        if (static_cast<double>(f.y) > height) {
            f.y = static_cast<float>(f.size);
            f.x = restartX(random, width);
        }
    }
}

template void moveFlakes<SnowMode::FullScreen>(std::span<Flake>, float, double, std::span<FlakePosition>);
template void moveFlakes<SnowMode::Preview>(std::span<Flake>, float, double, std::span<FlakePosition>);
template void advanceFlakes<SnowMode::FullScreen>(std::span<Flake>, std::span<const FlakePosition>,
                                                  std::span<const uint32_t>, const SnowArea&, Random&);
template void advanceFlakes<SnowMode::Preview>(std::span<Flake>, std::span<const FlakePosition>,
                                               std::span<const uint32_t>, const SnowArea&, Random&);

}  // namespace nivora

// Automatic wind. From a whole-numbered start every target and step are multiples of 5, so each increment is a
// multiple of 1/8 and the wind lands on its target exactly after 40 increments.
#include "core/snow/wind.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/base/rounding.h"

namespace nivora {

namespace {

constexpr double kWindLimit = 30;  // the strongest wind a target may be, either way

int16_t toInt16Clamped(double v)
{
    if (const auto r = roundToInt<int16_t>(v))
        return *r;
    return v < 0 ? INT16_MIN : INT16_MAX;
}

}  // namespace

// The targets drawn below lie within -30..+30: a starting wind beyond them aims at the nearer end, one that is no
// number at calm, rather than at the far end of 16 bits.
AutoWind::AutoWind(float velocity)
    : windTarget(std::isnan(velocity) ? int16_t{0}
                                      : toInt16Clamped(std::clamp<double>(velocity, -kWindLimit, kWindLimit)))
{}

std::chrono::milliseconds AutoWind::Timer3_Timer(float& velocity, Random& random)
{
    if (static_cast<float>(windTarget) != velocity) {
        const double increment = windStep / 40.0;
        const double remaining = windTarget - static_cast<double>(velocity);
        // From a wind that is not a whole number (a hand-edited stored level such as 6.5) the increments would
        // never meet the target, or a step of 0 would never move: the last step lands on the target instead.
        if (windStep == 0 || std::fabs(remaining) <= std::fabs(increment) || (remaining > 0) != (increment > 0))
            velocity = static_cast<float>(windTarget);
        else
            velocity = static_cast<float>(static_cast<double>(velocity) + increment);
        return kWindMovingInterval;
    }
    windTarget = static_cast<int16_t>(std::floor(static_cast<double>(random.next()) * 13) * 5 - 30);
    windStep = toInt16Clamped(windTarget - static_cast<double>(velocity));
    const double pause = std::floor(static_cast<double>(random.next()) * 10000) + 1000;
    return std::chrono::milliseconds(static_cast<int64_t>(pause));
}

}  // namespace nivora

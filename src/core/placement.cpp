// Placement of the settings window near the pointer.
#include "core/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/rounding.h"

namespace nivora {

namespace {

constexpr int64_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int64_t kMax32 = std::numeric_limits<int32_t>::max();

int64_t saturateTo32(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int64_t>(std::clamp(roundHalfEven(v), static_cast<double>(kMin32), static_cast<double>(kMax32)));
}

}  // namespace

int32_t placeNearPointer(int32_t pointerPixel, double twipsPerPixel, int32_t screenExtentTwips,
                         int32_t windowExtentTwips)
{
    const int64_t wanted =
        saturateTo32((static_cast<double>(pointerPixel) - kPointerOffsetPixels) * twipsPerPixel);
    const int64_t farthest = static_cast<int64_t>(screenExtentTwips) - windowExtentTwips;
    const int64_t position = farthest < wanted ? farthest : std::max<int64_t>(wanted, 0);
    return static_cast<int32_t>(std::clamp(position, kMin32, kMax32));
}

}  // namespace nivora

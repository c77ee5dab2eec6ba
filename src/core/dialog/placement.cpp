// Placement of the settings window near the pointer.
#include "core/dialog/placement.h"

#include <algorithm>
#include <limits>

namespace nivora {

namespace {

int32_t placeOnAxis(int32_t pointer, int32_t extent, int32_t areaStart, int32_t areaEnd)
{
    const int64_t wanted = int64_t{pointer} - kPointerOffsetPixels;
    const int64_t farthest = int64_t{areaEnd} - extent;
    const int64_t position = farthest < wanted ? farthest : std::max<int64_t>(wanted, areaStart);
    return static_cast<int32_t>(
        std::clamp<int64_t>(position, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

PixelPoint placeNearPointer(PixelPoint pointer, int32_t windowWidth, int32_t windowHeight, const Rect& area)
{
    return {placeOnAxis(pointer.x, windowWidth, area.left, area.right),
            placeOnAxis(pointer.y, windowHeight, area.top, area.bottom)};
}

}  // namespace nivora

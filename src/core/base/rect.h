// A rectangle of pixels, right and bottom one past the last: the places a frame changed, the monitors, the screen
// areas a window is placed in. Monitors left of or above the primary one have negative coordinates.
#pragma once

#include <cstdint>

namespace nivora {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;  // exclusive
    int32_t bottom = 0;
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

constexpr bool isEmpty(const Rect& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

// The part of `r` inside `bound`; empty (isEmpty) when they do not meet.
constexpr Rect clipRect(const Rect& r, const Rect& bound)
{
    return {r.left > bound.left ? r.left : bound.left, r.top > bound.top ? r.top : bound.top,
            r.right < bound.right ? r.right : bound.right, r.bottom < bound.bottom ? r.bottom : bound.bottom};
}

}  // namespace nivora

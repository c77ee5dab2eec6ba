// Floating point to integer conversions that round to nearest, halves to even, as every number of the saver does.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace nivora {

// Nearest integer, halves to even. Adding and removing 1.5 * 2^52 leaves exactly that integer under the default
// rounding mode; it is one add and one subtract where the C runtime's nearbyint is a slow call under Wine.
// Beyond 2^51 the spacing of doubles is 0.5 or more, so the library call handles those (and NaN) exactly.
inline double roundHalfEven(double v)
{
    constexpr double kShift = 6755399441055744.0;  // 1.5 * 2^52
    constexpr double kLimit = 2251799813685248.0;  // 2^51
    if (v > -kLimit && v < kLimit) {
        return (v + kShift) - kShift;  // not an identity in IEEE arithmetic, so no compiler folds it away
    }
    return std::nearbyint(v);
}

// Rounds halves to even into Int, or nothing when the result does not fit (or v is not a number).
template <class Int>
std::optional<Int> roundToInt(double v)
{
    const double r = roundHalfEven(v);
    if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
          r <= static_cast<double>(std::numeric_limits<Int>::max())))
        return std::nullopt;
    return static_cast<Int>(r);
}

}  // namespace nivora

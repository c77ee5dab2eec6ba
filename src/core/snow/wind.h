// The automatic wind: every few seconds a new target wind is drawn, and the wind moves there in 40 equal steps.
#pragma once

#include <chrono>
#include <cstdint>

#include "core/snow/random.h"

namespace nivora {

inline constexpr std::chrono::milliseconds kWindFirstInterval{5000};  // Timer3's interval when the snow starts
inline constexpr std::chrono::milliseconds kWindMovingInterval{100};  // between two steps of a change
inline constexpr int kWindSteps = 40;

class AutoWind {
public:
    // The target starts at the starting wind (rounded), so the first tick draws a new one.
    explicit AutoWind(float velocity);

    // One tick of Timer3: moves `velocity` one step toward the target, or, once it is there, draws the next target.
    // Returns the interval Timer3 must run with from now on.
    std::chrono::milliseconds Timer3_Timer(float& velocity, Random& random);

    int16_t windTarget = 0;
    int16_t windStep = 0;  // the whole change of the current transition
};

}  // namespace nivora

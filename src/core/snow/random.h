// The one random generator of a snow run: single-precision draws uniform in [0, 1), the same sequence on every
// platform for the same seed.
#pragma once

#include <cstdint>

namespace nivora {

// PCG32 (XSH RR): small, fast and well distributed. Each draw keeps the top 24 bits of one output, so every value
// is a multiple of 2^-24 below 1 and exactly representable as a float: never 1.0, whatever the rounding.
class Random {
public:
    explicit Random(uint64_t seed);

    float next();
    uint32_t nextBits();

private:
    uint64_t state_ = 0;
};

// The seed of a run that was given none: the clock, the process and a third number that differs between runs of the
// same moment (a window, a second clock), mixed so that runs started close together still snow differently.
uint64_t runSeed(uint64_t clock, uint64_t process, uint64_t place);

}  // namespace nivora

// PCG32 with a fixed stream, seeded by the caller (from the clock in the saver, explicitly in tests).
#include "core/snow/random.h"

#include <initializer_list>

namespace nivora {
namespace {

constexpr uint64_t kMultiplier = 6364136223846793005u;
constexpr uint64_t kIncrement = 1442695040888963407u;

}  // namespace

Random::Random(uint64_t seed)
{
    // The reference seeding of PCG: step once, add the seed, step again.
    nextBits();
    state_ += seed;
    nextBits();
}

uint32_t Random::nextBits()
{
    const uint64_t old = state_;
    state_ = old * kMultiplier + kIncrement;
    const auto xorShifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rotation = static_cast<uint32_t>(old >> 59u);
    return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
}

float Random::next()
{
    return static_cast<float>(nextBits() >> 8) * (1.0f / 16777216.0f);
}

uint64_t runSeed(uint64_t clock, uint64_t process, uint64_t place)
{
    // SplitMix64's finaliser over each number in turn: every bit of each reaches every bit of the seed.
    uint64_t seed = 0;
    for (const uint64_t part : {clock, process, place}) {
        seed = (seed ^ part) + 0x9E3779B97F4A7C15u;
        seed = (seed ^ (seed >> 30)) * 0xBF58476D1CE4E5B9u;
        seed = (seed ^ (seed >> 27)) * 0x94D049BB133111EBu;
        seed ^= seed >> 31;
    }
    return seed;
}

}  // namespace nivora

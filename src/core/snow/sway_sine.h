// The sine behind the flakes' sway, computed the same way to the last bit on every platform and compiler.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "core/base/rounding.h"

namespace nivora {

// The sway angle's factor: degrees to radians with pi taken as 3.141592.
inline constexpr double kSwayRadiansPerDegree = 0.01745328888888889;

namespace sway_detail {

constexpr double kInvPio2 = 6.36619772367581382433e-01;
// pi/2 in three pieces of 33 bits each plus their tails: n * piece is exact for |n| < 2^20.
constexpr double kPio2_1 = 1.57079632673412561417e+00;
constexpr double kPio2_1t = 6.07710050650619224932e-11;
constexpr double kPio2_2 = 6.07710050630396597660e-11;
constexpr double kPio2_2t = 2.02226624879595063154e-21;
constexpr double kPio2_3 = 2.02226624871116645580e-21;
constexpr double kPio2_3t = 8.47842766036889956997e-32;
constexpr double kPio4 = 7.85398163397448278999e-01;

constexpr double S1 = -1.66666666666666324348e-01;
constexpr double S2 = 8.33333333332248946124e-03;
constexpr double S3 = -1.98412698298579493134e-04;
constexpr double S4 = 2.75573137070700676789e-06;
constexpr double S5 = -2.50507602534068634195e-08;
constexpr double S6 = 1.58969099521155010221e-10;

constexpr double C1 = 4.16666666666666019037e-02;
constexpr double C2 = -1.38888888888741095749e-03;
constexpr double C3 = 2.48015872894767294178e-05;
constexpr double C4 = -2.75573143513906633035e-07;
constexpr double C5 = 2.08757232129817482790e-09;
constexpr double C6 = -1.13596475577881948265e-11;

inline int exponentOf(double v)
{
    return static_cast<int>((std::bit_cast<uint64_t>(v) >> 52) & 0x7FF);
}

// sin(x + y) for |x| <= pi/4, y the tail of x.
inline double kernelSin(double x, double y)
{
    const double z = x * x;
    const double w = z * z;
    const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
    const double v = z * x;
    return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4, y the tail of x.
inline double kernelCos(double x, double y)
{
    const double z = x * x;
    double w = z * z;
    const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
    const double hz = 0.5 * z;
    w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + (z * r - x * y));
}

}  // namespace sway_detail

// sin(x) within one unit in the last place, made only of IEEE-754 double additions and multiplications in a fixed
// order: Cody-Waite reduction by pi/2 in three parts and the classic minimax kernels for sine and cosine on
// [-pi/4, pi/4] (the SunPro fdlibm polynomials). No library call, so a frame gives the same pixels on Linux and
// Windows, and it costs a few nanoseconds where the C runtime's sin is a slow call under Wine. Needs SSE2 double
// arithmetic and no fused multiply-add contraction, as the builds use. Exact enough for |x| < 800000; the sway never
// goes beyond |x| < 10000. Inline: every frame takes it once per flake.
inline double swaySine(double x)
{
    using namespace sway_detail;
    const double ax = std::fabs(x);
    if (ax <= kPio4)
        return kernelSin(x, 0.0);
    if (!(ax < 800000.0))
        return std::sin(x);  // beyond any angle of the sway (and NaN)

    // x = n * pi/2 + (y0 + y1), the remainder carried in two doubles; a further step of the reduction is taken
    // whenever cancellation has eaten the bits of the previous one.
    const double fn = roundHalfEven(x * kInvPio2);
    const int n = static_cast<int>(fn);
    double r = x - fn * kPio2_1;
    double w = fn * kPio2_1t;
    double y0 = r - w;
    const int j = exponentOf(x);
    if (j - exponentOf(y0) > 16) {
        double t = r;
        w = fn * kPio2_2;
        r = t - w;
        w = fn * kPio2_2t - ((t - r) - w);
        y0 = r - w;
        if (j - exponentOf(y0) > 49) {
            t = r;
            w = fn * kPio2_3;
            r = t - w;
            w = fn * kPio2_3t - ((t - r) - w);
            y0 = r - w;
        }
    }
    const double y1 = (r - y0) - w;

    switch (n & 3) {
    case 0:
        return kernelSin(y0, y1);
    case 1:
        return kernelCos(y0, y1);
    case 2:
        return -kernelSin(y0, y1);
    default:
        return -kernelCos(y0, y1);
    }
}

}  // namespace nivora

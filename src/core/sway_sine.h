// The sine behind the flakes' sway, computed the same way to the last bit on every platform and compiler.
#pragma once

namespace nivora {

// The sway angle's factor: degrees to radians with pi taken as 3.141592.
inline constexpr double kSwayRadiansPerDegree = 0.01745328888888889;

// sin(x) within one unit in the last place, made only of IEEE-754 double additions and multiplications in a fixed
// order: Cody-Waite reduction by pi/2 in three parts and the classic minimax kernels for sine and cosine on
// [-pi/4, pi/4] (the SunPro fdlibm polynomials). No library call, so a frame gives the same pixels on Linux and
// Windows, and it costs a few nanoseconds where the C runtime's sin is a slow call under Wine. Needs SSE2 double
// arithmetic and no fused multiply-add contraction, as the builds use. Exact enough for |x| < 800000; the sway never
// goes beyond |x| < 10000.
double swaySine(double x);

}  // namespace nivora

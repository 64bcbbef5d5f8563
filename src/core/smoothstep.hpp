#pragma once

#include <cmath>

namespace pulsework::detail {

// s(t) = t^2 (3 - 2t), with the second factor as one fused multiply-add
// and each product rounded on its own: the rounding is part of the values.
inline double smoothstep(double t) noexcept {
    return (t * t) * std::fma(t, -2.0, 3.0);
}

// Angle constants: the double nearest pi and its exact multiples.
inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;
inline constexpr double FOUR_PI = 12.566370614359172;
inline constexpr double MINUS_HALF_PI = -1.5707963267948966;

}  // namespace pulsework::detail

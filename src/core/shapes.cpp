#include "pulsework/shapes.hpp"

#include <cmath>

#include "smoothstep.hpp"

namespace pulsework {

using detail::FOUR_PI;
using detail::MINUS_HALF_PI;
using detail::PI;
using detail::smoothstep;
using detail::TWO_PI;

// Periods are powers of two, so the pip is reduced by a mask: on two's
// complement this is the non-negative remainder, negative pips included.
namespace {

template <int Period>
constexpr double phase(int pip) noexcept {
    return static_cast<double>(pip & (Period - 1)) / Period;
}

// One leg of a path eased from `from` to `to`; u is the leg's phase.
inline double ease_leg(double from, double to, double s) noexcept {
    return std::fma(to - from, s, from);
}

}  // namespace

Offset3 bounce(int pip) noexcept {
    const double t = phase<64>(pip);
    return {std::fma(std::abs(t - 0.5), -4.0, 1.0), 0.0, 0.0};
}

Offset3 sway(int pip) noexcept {
    return {std::sin(phase<128>(pip) * TWO_PI), 0.0, 0.0};
}

Offset3 circle(int pip) noexcept {
    const double a = std::fma(phase<64>(pip), TWO_PI, MINUS_HALF_PI);
    return {std::cos(a), std::sin(a), 0.0};
}

Offset3 figure_eight(int pip) noexcept {
    const double a = phase<128>(pip) * TWO_PI;
    return {std::sin(a), std::sin(a + a), 0.0};
}

Offset3 step_touch(int pip) noexcept {
    // Four half-beat legs: -1 -> 0 -> 1 -> 0 -> -1, with a lift in each.
    static constexpr double start[4] = {-1.0, 0.0, 1.0, 0.0};
    static constexpr double end[4] = {0.0, 1.0, 0.0, -1.0};
    const int q = (pip >> 5) & 3;
    const double u = static_cast<double>(pip & 31) / 32.0;
    return {ease_leg(start[q], end[q], smoothstep(u)), std::sin(u * PI) * -0.35, 0.0};
}

Offset3 box_step(int pip) noexcept {
    // One side of the square per beat, corners in counter-clockwise order.
    static constexpr double corner_x[4] = {-1.0, 1.0, 1.0, -1.0};
    static constexpr double corner_y[4] = {-1.0, -1.0, 1.0, 1.0};
    const int q = (pip >> 6) & 3;
    const int next = (q + 1) & 3;
    const double s = smoothstep(static_cast<double>(pip & 63) / 64.0);
    return {ease_leg(corner_x[q], corner_x[next], s), ease_leg(corner_y[q], corner_y[next], s),
            0.0};
}

Offset3 helix(int pip) noexcept {
    const double t = phase<256>(pip);
    const double turn = t * FOUR_PI;
    return {std::cos(turn), std::sin(turn), std::sin(t * TWO_PI)};
}

}  // namespace pulsework

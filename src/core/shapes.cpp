#include "pulsework/shapes.hpp"

#include <cmath>

#include "smoothstep.hpp"

namespace pulsework {

using detail::FOUR_PI;
using detail::MINUS_HALF_PI;
using detail::PI;
using detail::TWO_PI;

// Periods are powers of two, so the pip is reduced by a mask: on two's
// complement this is the non-negative remainder, negative pips included.
namespace {

template <int Period>
constexpr double phase(int pip) noexcept {
    return static_cast<double>(pip & (Period - 1)) / Period;
}

// The smoothstep of a quarter phase u = k / Steps: u * u, fma(u, -2, 3) and
// their product are all exact here, so a separate multiply and add give the
// same double as the fused form, without its call.
template <int Steps>
constexpr double quarter_smoothstep(int k) noexcept {
    const double u = static_cast<double>(k) / Steps;
    return (u * u) * (u * -2.0 + 3.0);
}

// One leg of a path eased from `from` to `to` (corners at -1, 0 or 1), by
// the smoothstep s of a quarter phase: (to - from) * s and the sum are exact,
// so this is fma(to - from, s, from) to the bit.
constexpr double ease_leg(double from, double to, double s) noexcept {
    return (to - from) * s + from;
}

// The exactness claimed above, for every quarter phase and leg: each value,
// scaled (exactly) by a power of two, is the integer its true value scales
// to, so nothing was rounded; the fused forms round the same true values.
template <int Steps>
constexpr bool quarter_legs_exact() noexcept {
    constexpr double cube = static_cast<double>(Steps) * Steps * Steps;
    for (int k = 0; k < Steps; ++k) {
        const double u = static_cast<double>(k) / Steps;
        const long long s = static_cast<long long>(k) * k * (3 * Steps - 2 * k);
        if (u * u * Steps * Steps != static_cast<double>(k) * k ||
            (u * -2.0 + 3.0) * Steps != 3 * Steps - 2 * k ||
            quarter_smoothstep<Steps>(k) * cube != static_cast<double>(s)) {
            return false;
        }
        for (int from = -1; from <= 1; ++from) {
            for (int to = -1; to <= 1; ++to) {
                const double x = ease_leg(from, to, quarter_smoothstep<Steps>(k));
                if (x * cube != static_cast<double>(from * static_cast<long long>(cube) + (to - from) * s)) {
                    return false;
                }
            }
        }
    }
    return true;
}
static_assert(quarter_legs_exact<32>() && quarter_legs_exact<64>());

}  // namespace

Offset3 bounce(int pip) noexcept {
    // fma(|t - 0.5|, -4, 1): t - 0.5 is exact, the product by -4 is exact,
    // and so the sum rounds once either way.
    const double t = phase<64>(pip);
    return {std::abs(t - 0.5) * -4.0 + 1.0, 0.0, 0.0};
}

Offset3 sway(int pip) noexcept {
    return {std::sin(phase<128>(pip) * TWO_PI), 0.0, 0.0};
}

// With t = r / 64, the fused angle fma(t, 2pi, -pi/2) is the real number
// (r - 16) * pi / 32 rounded once; (r - 16) * (pi / 32), with the integer
// and pi / 32 both exact, rounds the same real number once.
static_assert(TWO_PI == 2.0 * PI && MINUS_HALF_PI == -0.5 * PI);

Offset3 circle(int pip) noexcept {
    const double a = static_cast<double>((pip & 63) - 16) * (PI / 32.0);
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
    return {ease_leg(start[q], end[q], quarter_smoothstep<32>(pip & 31)), std::sin(u * PI) * -0.35, 0.0};
}

Offset3 box_step(int pip) noexcept {
    // One side of the square per beat, corners in counter-clockwise order.
    static constexpr double corner_x[4] = {-1.0, 1.0, 1.0, -1.0};
    static constexpr double corner_y[4] = {-1.0, -1.0, 1.0, 1.0};
    const int q = (pip >> 6) & 3;
    const int next = (q + 1) & 3;
    const double s = quarter_smoothstep<64>(pip & 63);
    return {ease_leg(corner_x[q], corner_x[next], s), ease_leg(corner_y[q], corner_y[next], s),
            0.0};
}

Offset3 helix(int pip) noexcept {
    const double t = phase<256>(pip);
    const double turn = t * FOUR_PI;
    return {std::cos(turn), std::sin(turn), std::sin(t * TWO_PI)};
}

}  // namespace pulsework

#include "pulsework/rudiments.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "smoothstep.hpp"

namespace pulsework {
namespace {

enum Hand : std::int32_t { L = -1, R = +1 };

struct Stroke {
    std::int32_t start;
    std::int32_t hand;
    double amplitude;
    std::int32_t length;
};

// The stroke y factor, the same for every stroke of every rudiment.
constexpr double LOWER = 0.72;

inline double clamp_unit(double v) noexcept {
    return v > 1.0 ? 1.0 : (v < -1.0 ? -1.0 : v);
}

// Sums the strokes' pulses in list order (the order fixes the rounding):
// signed by hand into x, all lowering y by 0.72 each with one rounding.
template <std::int32_t Cycle, std::size_t N>
Offset3 play(int pip, const Stroke (&strokes)[N]) noexcept {
    static_assert((Cycle & (Cycle - 1)) == 0, "cycles are powers of two");
    double x = 0.0;
    double y = 0.0;
    for (const Stroke& s : strokes) {
        // Unsigned arithmetic: the masked phase is exact for every pip,
        // with no overflow at the ends of the int range.
        const auto phase = static_cast<int>((static_cast<std::uint32_t>(pip) -
                                             static_cast<std::uint32_t>(s.start)) &
                                            (Cycle - 1));
        const double pulse = stroke_pulse(phase, s.length, s.amplitude);
        x = s.hand > 0 ? x + pulse : x - pulse;
        y = std::fma(-pulse, LOWER, y);
    }
    return {clamp_unit(x), clamp_unit(y), 0.0};
}

constexpr Stroke single_stroke_roll_strokes[] = {
    {0, R, 0.92, 8},  {8, L, 0.92, 8},  {16, R, 0.92, 8}, {24, L, 0.92, 8},
    {32, R, 0.92, 8}, {40, L, 0.92, 8}, {48, R, 0.92, 8}, {56, L, 0.92, 8},
};

constexpr Stroke double_stroke_roll_strokes[] = {
    {0, R, 0.88, 8},  {8, R, 0.72, 8},  {16, L, 0.88, 8}, {24, L, 0.72, 8},
    {32, R, 0.88, 8}, {40, R, 0.72, 8}, {48, L, 0.88, 8}, {56, L, 0.72, 8},
};

constexpr Stroke multiple_bounce_roll_strokes[] = {
    {0, R, 0.92, 6},  {6, R, 0.68, 6},  {12, R, 0.48, 6}, {18, R, 0.32, 6},
    {32, L, 0.92, 6}, {38, L, 0.68, 6}, {44, L, 0.48, 6}, {50, L, 0.32, 6},
};

// RLRR LRLL twice, the first stroke of each group of four accented.
constexpr Stroke single_paradiddle_strokes[] = {
    {0, R, 1.0, 8},   {8, L, 0.72, 8},   {16, R, 0.72, 8},  {24, R, 0.72, 8},
    {32, L, 1.0, 8},  {40, R, 0.72, 8},  {48, L, 0.72, 8},  {56, L, 0.72, 8},
    {64, R, 1.0, 8},  {72, L, 0.72, 8},  {80, R, 0.72, 8},  {88, R, 0.72, 8},
    {96, L, 1.0, 8},  {104, R, 0.72, 8}, {112, L, 0.72, 8}, {120, L, 0.72, 8},
};

// A light grace stroke, then 5 pips later the other hand's primary stroke.
constexpr Stroke flam_strokes[] = {
    {0, L, 0.34, 10},
    {5, R, 0.9, 14},
    {32, R, 0.34, 10},
    {37, L, 0.9, 14},
};

constexpr Stroke drag_strokes[] = {
    {0, L, 0.28, 8},  {5, L, 0.32, 8},  {10, R, 0.88, 14},
    {32, R, 0.28, 8}, {37, R, 0.32, 8}, {42, L, 0.88, 14},
};

// Diddles 9 pips long on an 8-pip grid, so neighbouring pulses touch.
constexpr Stroke five_stroke_roll_strokes[] = {
    {0, R, 0.72, 9},  {8, R, 0.62, 9},  {16, L, 0.72, 9},  {24, L, 0.62, 9},  {36, R, 1.0, 14},
    {64, L, 0.72, 9}, {72, L, 0.62, 9}, {80, R, 0.72, 9},  {88, R, 0.62, 9},  {100, L, 1.0, 14},
};

}  // namespace

double stroke_pulse(int phase, int length, double amplitude) noexcept {
    if (phase < length) {
        const double u = static_cast<double>(phase) / static_cast<double>(length);
        const double v = std::sin(u * detail::PI);
        return v * (v * amplitude);
    }
    return 0.0;
}

Offset3 single_stroke_roll(int pip) noexcept { return play<64>(pip, single_stroke_roll_strokes); }
Offset3 double_stroke_roll(int pip) noexcept { return play<64>(pip, double_stroke_roll_strokes); }
Offset3 multiple_bounce_roll(int pip) noexcept {
    return play<64>(pip, multiple_bounce_roll_strokes);
}
Offset3 single_paradiddle(int pip) noexcept { return play<128>(pip, single_paradiddle_strokes); }
Offset3 flam(int pip) noexcept { return play<64>(pip, flam_strokes); }
Offset3 drag(int pip) noexcept { return play<64>(pip, drag_strokes); }
Offset3 five_stroke_roll(int pip) noexcept { return play<128>(pip, five_stroke_roll_strokes); }

}  // namespace pulsework

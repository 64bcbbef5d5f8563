#include "pulsework/rudiments.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "strokes.hpp"

namespace pulsework {
namespace {

using detail::LOWER;
using detail::schedule_of;
using detail::Sounding;
using detail::SoundingAt;
using detail::StrokeSchedule;

inline double clamp_unit(double v) noexcept {
    return v > 1.0 ? 1.0 : (v < -1.0 ? -1.0 : v);
}

// v = sin(u * pi); the amplitude is multiplied in first.
inline double pulse_at(double angle, double amplitude) noexcept {
    const double v = std::sin(angle);
    return v * (v * amplitude);
}

// Sums the pulses of the strokes that sound at the pip, in list order (the
// order fixes the rounding): signed by hand into x, all lowering y by 0.72
// each with one rounding.
template <std::int32_t Cycle, std::size_t MostSounding>
Offset3 play(int pip, const StrokeSchedule<Cycle, MostSounding>& schedule) noexcept {
    const SoundingAt<MostSounding>& at = schedule.at[pip & (Cycle - 1)];
    if (at.count == 0) {
        return {0.0, 0.0, 0.0};
    }
    // The first stroke meets x = y = +0.0: x becomes its signed pulse, and
    // fma(-pulse, 0.72, +0.0) is the product rounded once, which a plain
    // multiply gives without a call (the pulse is positive, so no zero
    // sign is at stake).
    double pulse = pulse_at(at.strokes[0].angle, at.strokes[0].amplitude);
    double x = at.strokes[0].hand * pulse;
    double y = -pulse * LOWER;
    if constexpr (MostSounding > 1) {
        for (std::int32_t k = 1; k < at.count; ++k) {
            const Sounding& s = at.strokes[k];
            pulse = pulse_at(s.angle, s.amplitude);
            x += s.hand * pulse;
            y = std::fma(-pulse, LOWER, y);
        }
    }
    return {clamp_unit(x), clamp_unit(y), 0.0};
}

}  // namespace

double stroke_pulse(int phase, int length, double amplitude) noexcept {
    if (phase < length) {
        return pulse_at(detail::pulse_angle(phase, length), amplitude);
    }
    return 0.0;
}

Offset3 single_stroke_roll(int pip) noexcept {
    return play(pip, schedule_of<64, detail::single_stroke_roll_strokes>);
}
Offset3 double_stroke_roll(int pip) noexcept {
    return play(pip, schedule_of<64, detail::double_stroke_roll_strokes>);
}
Offset3 multiple_bounce_roll(int pip) noexcept {
    return play(pip, schedule_of<64, detail::multiple_bounce_roll_strokes>);
}
Offset3 single_paradiddle(int pip) noexcept {
    return play(pip, schedule_of<128, detail::single_paradiddle_strokes>);
}
Offset3 flam(int pip) noexcept { return play(pip, schedule_of<64, detail::flam_strokes>); }
Offset3 drag(int pip) noexcept { return play(pip, schedule_of<64, detail::drag_strokes>); }
Offset3 five_stroke_roll(int pip) noexcept {
    return play(pip, schedule_of<128, detail::five_stroke_roll_strokes>);
}

}  // namespace pulsework

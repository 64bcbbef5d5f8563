#pragma once

#include "pulsework/offset3.hpp"

namespace pulsework {

// The pulse of one drum stroke at a phase (pips since the stroke began, in
// [0, cycle)): a sine-squared bump of the given length and peak amplitude,
// +0.0 outside the stroke.
double stroke_pulse(int phase, int length, double amplitude) noexcept;

// The seven drum rudiments read as two-hand motion: right-hand strokes
// push x positive, left-hand strokes negative, every stroke lowers y.
Offset3 single_stroke_roll(int pip) noexcept;    // 64 pips
Offset3 double_stroke_roll(int pip) noexcept;    // 64 pips
Offset3 multiple_bounce_roll(int pip) noexcept;  // 64 pips
Offset3 single_paradiddle(int pip) noexcept;     // 128 pips
Offset3 flam(int pip) noexcept;                  // 64 pips
Offset3 drag(int pip) noexcept;                  // 64 pips
Offset3 five_stroke_roll(int pip) noexcept;      // 128 pips

}  // namespace pulsework

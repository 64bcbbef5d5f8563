#pragma once

#include "pulsework/offset3.hpp"

namespace pulsework {

// The eight motion shapes. Each is a pure function of the pip and repeats
// after its period (64, 128 or 256 pips).
Offset3 bounce(int pip) noexcept;           // 64 pips, x only
Offset3 sway(int pip) noexcept;             // 128 pips, x only
Offset3 circle(int pip) noexcept;           // 64 pips
Offset3 figure_eight(int pip) noexcept;     // 128 pips
Offset3 step_touch(int pip) noexcept;       // 128 pips
Offset3 box_step(int pip) noexcept;         // 256 pips
Offset3 helix(int pip) noexcept;            // 256 pips, the only 3-D shape
Offset3 vorn_background(int pip) noexcept;  // 256 pips, a precomputed table

}  // namespace pulsework

#pragma once

namespace pulsework {

// The time base: a beat is 64 pips. Every int is a valid pip, negative
// ones included; cycles run on unbroken through them.
inline constexpr int PIPS_PER_BEAT = 64;

// The non-negative remainder of pip modulo period; 0 when period < 1.
// Truncating remainder never overflows here because period >= 1.
constexpr int wrap_pip(int pip, int period) noexcept {
    if (period < 1) {
        return 0;
    }
    const int r = pip % period;
    return r < 0 ? r + period : r;
}

}  // namespace pulsework

"""Atlas tables: the shaped control waves that follow a formula, on x alone."""
import math

from .rule_support import formula, normalised

sin, cos, tanh = math.sin, math.cos, math.tanh

BUILDERS = {
    # 0.82 sin^3 theta, written out as harmonics.
    "wave_pinched": formula(x=lambda t: 0.615 * sin(t) - 0.205 * sin(3 * t)),
    "wave_shouldered": normalised(x=lambda t: 0.69 * sin(t) + 0.31 * sin(3 * t)),
    "wave_folded": normalised(x=lambda t: sin(2.2 * sin(t))),
    "wave_double_fold": normalised(x=lambda t: sin(3.8 * sin(t))),
    "wave_rounded_square": normalised(x=lambda t: tanh(2 * sin(t))),
    "wave_skew_warp": normalised(x=lambda t: sin(t + 0.7 * sin(t))),
    "wave_notched": normalised(x=lambda t: sin(t) - 0.36 * sin(3 * t) + 0.12 * cos(5 * t)),
    "wave_reed": normalised(x=lambda t: sin(t) * (0.85 + 0.4 * cos(7 * t))),
    "wave_unequal_peaks": normalised(x=lambda t: 0.67 * sin(t) + 0.4 * sin(2 * t + 0.8)),
    "wave_ripple_return": normalised(
        x=lambda t: sin(t) + 0.045 * sin(4 * t) + 0.09 * sin(5 * t) + 0.045 * sin(6 * t)
    ),
}

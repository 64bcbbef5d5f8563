"""An independent reference of the fifteen built-in patterns.

Written from the formulas, not from the module: Python's own remainder
instead of masks, exact rational arithmetic for every fused multiply-add,
and the keyframe and stroke tables as they are defined.
"""
import math
from fractions import Fraction

PI = 3.141592653589793
TWO_PI = 6.283185307179586
FOUR_PI = 12.566370614359172
MINUS_HALF_PI = -1.5707963267948966


def fma(a, b, c):
    """a * b + c with one rounding."""
    return float(Fraction(a) * Fraction(b) + Fraction(c))


def smoothstep(t):
    return (t * t) * fma(t, -2.0, 3.0)


def bounce(pip):
    t = (pip % 64) / 64
    return (fma(abs(t - 0.5), -4.0, 1.0), 0.0, 0.0)


def sway(pip):
    return (math.sin((pip % 128) / 128 * TWO_PI), 0.0, 0.0)


def circle(pip):
    a = fma((pip % 64) / 64, TWO_PI, MINUS_HALF_PI)
    return (math.cos(a), math.sin(a), 0.0)


def figure_eight(pip):
    a = (pip % 128) / 128 * TWO_PI
    return (math.sin(a), math.sin(a + a), 0.0)


def step_touch(pip):
    starts, ends = (-1.0, 0.0, 1.0, 0.0), (0.0, 1.0, 0.0, -1.0)
    q = (pip % 128) // 32
    u = (pip % 32) / 32
    x = fma(ends[q] - starts[q], smoothstep(u), starts[q])
    return (x, math.sin(u * PI) * -0.35, 0.0)


def box_step(pip):
    corners = ((-1.0, -1.0), (1.0, -1.0), (1.0, 1.0), (-1.0, 1.0))
    q = (pip % 256) // 64
    s = smoothstep((pip % 64) / 64)
    (x0, y0), (x1, y1) = corners[q], corners[(q + 1) % 4]
    return (fma(x1 - x0, s, x0), fma(y1 - y0, s, y0), 0.0)


def helix(pip):
    t = (pip % 256) / 256
    return (math.cos(t * FOUR_PI), math.sin(t * FOUR_PI), math.sin(t * TWO_PI))


KEYFRAMES = [
    (0, 0, 0.0), (23, 2, -0.1), (33, 13, -0.8), (49, 5, -0.4), (87, -3, 0.2), (100, -14, 0.9),
    (118, -5, 0.5), (154, 1, 0.0), (169, 12, 1.0), (187, 4, 0.5), (215, -2, -0.2),
    (228, -10, -0.9), (243, -3, -0.3), (256, 0, 0.0),
]


def _background_entry(i):
    keys = [(pip, k / 14, y) for pip, k, y in KEYFRAMES]
    # The first segment whose end pip is at or after i.
    j = next(j for j in range(13) if keys[j + 1][0] >= i)
    (a, xa, ya), (b, xb, yb) = keys[j], keys[j + 1]
    s = smoothstep((i - a) / (b - a))
    return (fma(xb - xa, s, xa), fma(yb - ya, s, ya), 0.0)


_BACKGROUND = [_background_entry(i) for i in range(256)]


def vorn_background(pip):
    return _BACKGROUND[pip % 256]


# Stroke lists: (start, length, amplitude, hand) with R = +1, L = -1.
R, L = 1, -1
STROKES = {
    "single_stroke_roll": (64, [(8 * k, 8, 0.92, R if k % 2 == 0 else L) for k in range(8)]),
    "double_stroke_roll": (64, [(8 * k, 8, 0.88 if k % 2 == 0 else 0.72, R if k % 4 < 2 else L)
                                for k in range(8)]),
    "multiple_bounce_roll": (64, [(32 * h + 6 * k, 6, (0.92, 0.68, 0.48, 0.32)[k], (R, L)[h])
                                  for h in range(2) for k in range(4)]),
    "single_paradiddle": (128, [(8 * k, 8, 1.0 if k % 4 == 0 else 0.72, hand)
                                for k, hand in enumerate([R, L, R, R, L, R, L, L] * 2)]),
    "flam": (64, [(0, 10, 0.34, L), (5, 14, 0.9, R), (32, 10, 0.34, R), (37, 14, 0.9, L)]),
    "drag": (64, [(0, 8, 0.28, L), (5, 8, 0.32, L), (10, 14, 0.88, R),
                  (32, 8, 0.28, R), (37, 8, 0.32, R), (42, 14, 0.88, L)]),
    "five_stroke_roll": (128, [(0, 9, 0.72, R), (8, 9, 0.62, R), (16, 9, 0.72, L), (24, 9, 0.62, L),
                               (36, 14, 1.0, R), (64, 9, 0.72, L), (72, 9, 0.62, L),
                               (80, 9, 0.72, R), (88, 9, 0.62, R), (100, 14, 1.0, L)]),
}


def _rudiment(name):
    cycle, strokes = STROKES[name]

    def pattern(pip):
        x = y = 0.0
        for start, length, amplitude, hand in strokes:
            p = (pip - start) % cycle
            pulse = 0.0
            if p < length:
                v = math.sin(p / length * PI)
                pulse = v * (v * amplitude)
            x = x + pulse if hand == R else x - pulse
            y = fma(-pulse, 0.72, y)
        return (min(1.0, max(-1.0, x)), min(1.0, max(-1.0, y)), 0.0)

    return pattern


# name: (function, period, dimensions), in catalogue order.
BUILTINS = {
    "bounce": (bounce, 64, 1),
    "sway": (sway, 128, 1),
    "circle": (circle, 64, 2),
    "figure_eight": (figure_eight, 128, 2),
    "step_touch": (step_touch, 128, 2),
    "box_step": (box_step, 256, 2),
    "helix": (helix, 256, 3),
    "vorn_background": (vorn_background, 256, 2),
}
for _name in STROKES:
    BUILTINS[_name] = (_rudiment(_name), STROKES[_name][0], 2)

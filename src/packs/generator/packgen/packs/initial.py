"""The initial pack: low-frequency shapes, rhythm and sticking studies,
easing loops, recorded waveforms and two played grooves."""
import math

from .. import motion
from ..model import Pack
from ..motion import from_components, pulse_sum
from ..records import load_records, patterns_from_records
from ..rhythm import euclid_centres, sticking_pulses
from . import initial_authored


def lfo_breathe(period):
    return from_components(period, x=lambda t: 0.8 * math.sin(t))


def lfo_flower(period):
    return from_components(
        period,
        x=lambda t: 0.56 * math.cos(t) - 0.28 * math.cos(2 * t),
        y=lambda t: 0.56 * math.sin(t) + 0.28 * math.sin(2 * t),
    )


def lfo_ratchet(period):
    # Four decaying hits in the first beat, then rest at the origin.
    return pulse_sum(
        period, [(16 * j, 8, (0.8 - 0.144 * j, -0.5 + 0.09 * j, 0.0)) for j in range(4)]
    )


def euclid_lateral(k, n):
    """k onsets on an n-step grid over four beats, alternating sides."""

    def build(period):
        return pulse_sum(
            period,
            [
                (c, 12, (0.8 if j % 2 == 0 else -0.8, -0.3, 0.0))
                for j, c in enumerate(euclid_centres(k, n, period))
            ],
        )

    return build


def rhythm_three_two(period):
    return pulse_sum(
        period,
        [(period * j / 3, 24, (0.78, 0.0, 0.0)) for j in range(3)]
        + [(c, 24, (0.0, 0.78, 0.0)) for c in (0, 128)],
    )


def sticking_study(sticking, accents):
    """Twelve strokes on an equal triplet grid over four beats."""

    def build(period):
        return pulse_sum(
            period,
            sticking_pulses(sticking, period, 28 / 3, accents, (0.82, -0.42), (0.492, -0.252)),
        )

    return build


def easing_loop(ease):
    """Out along the easing curve in two beats, back by smoothstep in two."""

    def build(period):
        half = period // 2
        xs = [-0.65 + 1.3 * ease(i / half) for i in range(half)]
        xs += [0.65 - 1.3 * motion.smoothstep3((i - half) / half) for i in range(half, period)]
        return [(x, 0.0, 0.0) for x in xs]

    return build


BACK = 1.70158


def back_in(t):
    return t * t * ((BACK + 1) * t - BACK)


def back_out(t):
    return 1 + (t - 1) ** 2 * ((BACK + 1) * (t - 1) + BACK)


def bounce_out(t):
    if t < 4 / 11:
        return 121 / 16 * t * t
    if t < 8 / 11:
        return 121 / 16 * (t - 6 / 11) ** 2 + 3 / 4
    if t < 10 / 11:
        return 121 / 16 * (t - 9 / 11) ** 2 + 15 / 16
    return 121 / 16 * (t - 21 / 22) ** 2 + 63 / 64


BUILDERS = {
    "lfo_breathe": lfo_breathe,
    "lfo_flower": lfo_flower,
    "lfo_ratchet": lfo_ratchet,
    "rhythm_euclid_3_8": euclid_lateral(3, 8),
    "rhythm_euclid_5_12": euclid_lateral(5, 12),
    "rhythm_three_two": rhythm_three_two,
    "rudiment_double_paradiddle": sticking_study("RLRLRR LRLRLL", (0, 6)),
    "rudiment_paradiddle_diddle": sticking_study("RLRRLL LRLLRR", (0, 6)),
    "rudiment_six_stroke": sticking_study("RLLRRL LRRLLR", (0, 5, 6, 11)),
    "ease_anticipate": easing_loop(back_in),
    "ease_overshoot": easing_loop(back_out),
    "ease_rebound": easing_loop(bounce_out),
}
BUILDERS.update(initial_authored.BUILDERS)

PACK = Pack(
    "pulsework_initial",
    patterns_from_records(
        load_records("initial", "records.tsv"),
        BUILDERS,
        follows_source=[n for n in BUILDERS if n.startswith("akwf_")],
        y_only=["lfo_double_pump"],
    ),
)

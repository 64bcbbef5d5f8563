"""The expansion pack: swells and orbits, closed paths and knots, and
rhythm studies in odd meters and groupings."""
import math

from ..model import Pack
from ..motion import from_components, pulse_sum
from ..records import load_records, patterns_from_records
from ..rhythm import euclid_centres
from . import expansion_authored

sin, cos = math.sin, math.cos


def formula(x=None, y=None, z=None):
    return lambda period: from_components(period, x=x, y=y, z=z)


def euclid_two_bars(k):
    """k onsets on a sixteen-step grid of one bar, repeated with sides alternating."""

    def build(period):
        bar = period // 2
        centres = euclid_centres(k, 16, bar)
        centres = centres + [bar + c for c in centres]
        pulses = []
        for m, c in enumerate(centres):
            side = 1.0 if m % 2 == 0 else -1.0
            on_beat = c % 64 == 0
            ax, ay = (0.76, -0.3) if on_beat else (0.5472, -0.216)
            pulses.append((c, 12, (side * ax, ay, 0.0)))
        return pulse_sum(period, pulses)

    return build


def alternating(m):
    return 1.0 if m % 2 == 0 else -1.0


def lateral_against_four(hits):
    """``hits`` lateral hits against four vertical hits per bar, over two bars."""

    def build(period):
        pulses = [(256 * m / hits, 12, (0.72 * alternating(m), 0.0, 0.0)) for m in range(2 * hits)]
        pulses += [(64 * m, 12, (0.0, 0.68 * alternating(m), 0.0)) for m in range(8)]
        return pulse_sum(period, pulses)

    return build


def rhythm_swung_answer(period):
    pulses = []
    for b in range(4):
        s = 1.0 if b < 2 else -1.0
        pulses.append((64 * b, 8, (0.78 * s, -0.3, 0.0)))
        pulses.append((64 * b + 128 / 3, 8, (0.468 * s, -0.18, 0.0)))
    return pulse_sum(period, pulses)


def grouped_accents(starts, xs, ys):
    def build(period):
        return pulse_sum(
            period,
            [(c, 16, (alternating(m) * ax, ay, 0.0)) for m, (c, ax, ay) in enumerate(zip(starts, xs, ys))],
        )

    return build


def rhythm_three_four_five(period):
    return pulse_sum(
        period,
        [(period * j / 3, 24, (0.7, 0.0, 0.0)) for j in range(3)]
        + [(128 * j, 24, (0.0, -0.7, 0.0)) for j in range(4)]
        + [(period * j / 5, 24, (0.0, 0.0, 0.55)) for j in range(5)],
    )


BUILDERS = {
    "lfo_triplet_wobble": formula(
        x=lambda t: -0.1275 * sin(11 * t) + 0.5525 * sin(12 * t) - 0.1275 * sin(13 * t),
        y=lambda t: 0.22 * sin(t),
    ),
    "lfo_breathing_orbit": formula(
        x=lambda t: 0.67 * cos(t) + 0.11 * cos(3 * t),
        y=lambda t: 0.39 * sin(t) + 0.09 * sin(3 * t),
    ),
    "path_lissajous_2_3": formula(x=lambda t: 0.78 * sin(2 * t), y=lambda t: 0.68 * sin(3 * t)),
    "path_rose_4": formula(
        x=lambda t: 0.41 * cos(t) + 0.41 * cos(3 * t),
        y=lambda t: -0.41 * sin(t) + 0.41 * sin(3 * t),
    ),
    "path_rose_5": formula(
        x=lambda t: 0.41 * cos(2 * t) + 0.41 * cos(3 * t),
        y=lambda t: -0.41 * sin(2 * t) + 0.41 * sin(3 * t),
    ),
    "path_bowed_diamond": formula(
        x=lambda t: 0.6 * cos(t) + 0.2 * cos(3 * t),
        y=lambda t: 0.6 * sin(t) - 0.2 * sin(3 * t),
    ),
    "path_torus_knot": formula(
        x=lambda t: 0.11 * cos(t) + 0.54 * cos(2 * t) + 0.11 * cos(5 * t),
        y=lambda t: -0.11 * sin(t) + 0.54 * sin(2 * t) + 0.11 * sin(5 * t),
        z=lambda t: 0.36 * sin(3 * t),
    ),
    "path_woven_3d": formula(
        x=lambda t: 0.72 * sin(2 * t), y=lambda t: 0.64 * sin(3 * t), z=lambda t: 0.48 * sin(5 * t)
    ),
    "rhythm_five_four": lateral_against_four(5),
    "rhythm_seven_four": lateral_against_four(7),
    "rhythm_euclid_7_16": euclid_two_bars(7),
    "rhythm_euclid_5_16": euclid_two_bars(5),
    "rhythm_swung_answer": rhythm_swung_answer,
    "rhythm_group_332": grouped_accents(
        (0, 96, 192, 256, 352, 448),
        (0.76, 0.5472, 0.6536) * 2,
        (-0.38, -0.2736, -0.3268) * 2,
    ),
    "rhythm_group_223": grouped_accents(
        (0, 64, 128, 224, 288, 352),
        (0.74, 0.518, 0.629) * 2,
        (-0.4, -0.28, -0.34) * 2,
    ),
    "rhythm_three_four_five": rhythm_three_four_five,
}
BUILDERS.update(expansion_authored.BUILDERS)

PACK = Pack(
    "pulsework_expansion",
    patterns_from_records(load_records("expansion", "records.tsv"), BUILDERS),
)

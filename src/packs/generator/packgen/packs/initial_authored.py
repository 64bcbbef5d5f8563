"""Authored tables of the initial pack (no closed rule).

Keyframed and gesture tables take their shapes from data/initial/; the
rules that turn the data (stickings, drum programmes) into motion, and the
shapes that are rules in themselves, are the functions below.
"""
import math

from ..authored import load_stickings, shaped_tables
from ..motion import TAU, pulse_sum, sine_ease
from ..records import data_path
from ..rhythm import HAND_SIGN, sticking_pulses
from .groove import groove

AKWF = {
    "akwf_round_saw": "AKWF_R_asym_saw_05_256.txt",
    "akwf_quick_return": "AKWF_R_asym_saw_15_256.txt",
    "akwf_multi_lobe": "AKWF_0001_256.txt",
    "akwf_plateau": "AKWF_0010_256.txt",
}


def akwf(file_name):
    """One recorded single cycle on x, scaled so the largest |x| is 0.85."""

    def build(period):
        with open(data_path("akwf", file_name), encoding="ascii") as stream:
            samples = [float(line) for line in stream if line.strip()]
        if len(samples) != period:
            raise ValueError("%s holds %d samples, not %d" % (file_name, len(samples), period))
        peak = max(abs(v) for v in samples)
        return [(0.85 * v / peak, 0.0, 0.0) for v in samples]

    return build


def skewed_triangle(phase, rise):
    """A triangle through 0 upwards at phase 0, rising for ``rise`` of its cycle."""
    p = (phase + rise / 2.0) % 1.0
    if p < rise:
        return -1.0 + 2.0 * p / rise
    return 1.0 - 2.0 * (p - rise) / (1.0 - rise)


def lfo_morph(cycles=4, rise=0.75, amplitude=0.8):
    """x: a sine at the phrase ends, blending into a skewed triangle mid-phrase;
    y: a slow 0.2 sin(theta) over the whole phrase."""

    def build(period):
        rows = []
        for i in range(period):
            u = i / period
            blend = (1.0 - math.cos(TAU * u)) / 2.0
            phase = cycles * u % 1.0
            wave = (1.0 - blend) * math.sin(TAU * phase) + blend * skewed_triangle(phase, rise)
            rows.append((amplitude * wave, 0.2 * math.sin(TAU * u), 0.0))
        return rows

    return build


def flam_study(sticking, grace_lead=10.0, grace_width=6.0):
    """Strokes on an even grid; a grace letter puts a small opposite gesture
    ``grace_lead`` pips ahead of the next stroke and accents that stroke.

    Real flam graces sit a pip or two ahead; here they are drawn well ahead
    so that the grace is seen as its own gesture.
    """

    def build(period):
        strokes, graces = [], []
        for c in sticking.replace(" ", ""):
            if c.islower():
                graces.append((len(strokes), c.upper()))
            else:
                strokes.append(c)
        accents = [k for k, _hand in graces]
        step = period / len(strokes)
        pulses = sticking_pulses("".join(strokes), period, 28 / 3, accents,
                                 (0.82, -0.42), (0.492, -0.252))
        pulses += [(step * k - grace_lead, grace_width, (0.3 * HAND_SIGN[hand], -0.12, 0.0))
                   for k, hand in graces]
        return pulse_sum(period, pulses)

    return build


def ease_elastic(cycles=5.0, decay=0.24, attack=0.04, release=0.3, peak=0.8):
    """A struck, decaying oscillation inside a window that opens quickly and
    closes over the last ``release`` of the loop, so the loop meets itself
    at rest; scaled so its largest excursion is ``peak``."""

    def build(period):
        xs = []
        for i in range(period):
            t = i / period
            opening = sine_ease(min(t / attack, 1.0))
            closing = 1.0 - sine_ease(max((t - 1.0 + release) / release, 0.0))
            xs.append(math.sin(TAU * cycles * t) * math.exp(-t / decay) * opening * closing)
        scale = peak / max(abs(x) for x in xs)
        return [(scale * x, 0.0, 0.0) for x in xs]

    return build


STICKINGS = load_stickings("initial", "stickings.tsv")

BUILDERS = {name: akwf(f) for name, f in AKWF.items()}
BUILDERS.update(shaped_tables(
    "initial", ["lfo_surge", "lfo_soft_gate", "lfo_double_pump", "lfo_glide_stair", "rhythm_half_time"]
))
BUILDERS.update({
    "lfo_morph": lfo_morph(),
    "rudiment_flam_accent": flam_study(STICKINGS["rudiment_flam_accent"]),
    "ease_elastic": ease_elastic(),
    "groove_a_played": groove("groove_a.tsv", played=True),
    "groove_a_grid": groove("groove_a.tsv", played=False),
    "groove_b_played": groove("groove_b.tsv", played=True),
    "groove_b_grid": groove("groove_b.tsv", played=False),
})

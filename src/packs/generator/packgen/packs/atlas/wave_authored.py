"""Atlas tables: the shaped control waves without a closed rule.

Each is one cycle of x over the period (theta = 2 pi i / P), scaled so that
its largest |x| is the house peak 0.82 (the bottle is drawn at that peak):

- soft_rectifier: a soft half-wave rectifier, softplus(5 sin theta) / 5,
  lowered so that its rest between swells is exactly 0: one swell, then rest.
- scoop_warp: a sine whose phase lingers on the way back up from the trough
  (a time warp of dwell 0.75, slowest at phase 0.85): a quick crest, a
  steep fall into the scoop and a long, gentle climb out of it.
- shelf_wave: a sine whose phase stops for an instant on the rise (dwell 1
  at phase 0.07: a flat shelf at about half height) and lingers round the
  trough (dwell 0.6 at phase 0.75: the scoop).
- bottle: a bottle lying on its side, drawn by keyframes
  (data/atlas/wave_bottle.json), then the same bottle inverted.
- soft_teeth: three soft sawtooth teeth, the smooth saw
  sum a^n sin(3 n theta) / n = atan2(a sin 3 theta, 1 - a cos 3 theta), a = 0.75.
- warped_fold: a wave folder driven by a phase-skewed sine,
  sin(3 sin(theta + 0.6 sin theta)): folds that crowd on one side.
"""
import math

from ...motion import HOUSE_PEAK, TAU, keyframe_chain, normalise, thetas, time_warp
from .authored_data import load_json


def x_only(values):
    return [(v, 0.0, 0.0) for v in values]


def peaked(values):
    return normalise(x_only(values), HOUSE_PEAK)


def warp_towards(phase, dwell):
    """The time warp that is slowest where its output phase is ``phase``."""
    lo, hi = phase - 0.5, phase + 0.5
    for _ in range(60):
        centre = (lo + hi) / 2.0
        if time_warp(centre, dwell, centre) < phase:
            lo = centre
        else:
            hi = centre
    centre = (lo + hi) / 2.0
    return lambda u: time_warp(u, dwell, centre)


def soft_rectifier(period):
    swell = [math.log1p(math.exp(5.0 * math.sin(t))) / 5.0 for t in thetas(period)]
    rest = min(swell)
    return peaked([v - rest for v in swell])


def warped_sine(period, *warps):
    values = []
    for i in range(period):
        phase = i / period
        for warp in warps:
            phase = warp(phase)
        values.append(math.sin(TAU * phase))
    return peaked(values)


def scoop_warp(period):
    return warped_sine(period, warp_towards(0.85, 0.75))


def shelf_wave(period):
    return warped_sine(period, warp_towards(0.07, 1.0), warp_towards(0.75, 0.6))


def bottle(period):
    half = load_json("wave_bottle.json")["half_cycle"]
    keys = [(pip * period / 512, x) for pip, x in half]
    keys += [(pip * period / 512 + period / 2, -x) for pip, x in half]
    return x_only(keyframe_chain(period, keys))


def soft_teeth(period):
    a = 0.75
    return peaked([math.atan2(a * math.sin(3 * t), 1.0 - a * math.cos(3 * t)) for t in thetas(period)])


def warped_fold(period):
    return peaked([math.sin(3.0 * math.sin(t + 0.6 * math.sin(t))) for t in thetas(period)])


BUILDERS = {
    "wave_soft_rectifier": soft_rectifier,
    "wave_scoop_warp": scoop_warp,
    "wave_shelf_wave": shelf_wave,
    "wave_bottle": bottle,
    "wave_soft_teeth": soft_teeth,
    "wave_warped_fold": warped_fold,
}

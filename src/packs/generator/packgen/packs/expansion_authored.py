"""Authored tables of the expansion pack (no closed rule).

Keyframed and gesture tables take their shapes from data/expansion/; the
mechanisms, warps and seeded lanes are the rules below.
"""
import hashlib
import math

from ..authored import shaped_tables
from ..motion import TAU, periodic_bspline, time_warp


def seeded_lane(seed, points):
    """A smooth closed lane through ``points`` control values drawn from
    SHA-256 digests of "<seed>/<k>": the same on every build, exactly
    periodic, with no random-number state."""
    values = []
    for k in range(points):
        digest = hashlib.sha256(("%s/%d" % (seed, k)).encode("ascii")).digest()
        values.append((int.from_bytes(digest[:8], "big") / 2.0**63 - 1.0,))
    return values


def seeded_drift(x_points=13, y_points=17, peak=0.8):
    """Two independently seeded lanes with different control-point counts,
    each scaled to ``peak``."""

    def build(period):
        lanes = []
        for lane, points in (("x", x_points), ("y", y_points)):
            curve = [p[0] for p in periodic_bspline(seeded_lane("lfo_seeded_drift/" + lane, points), period)]
            scale = peak / max(abs(v) for v in curve)
            lanes.append([scale * v for v in curve])
        return [(x, y, 0.0) for x, y in zip(*lanes)]

    return build


def pendulum_dwell(saturation=2.2, amplitude=0.8):
    """x: a swing through tanh saturation, lingering at either turn;
    y: 0.22 cos(2 theta), high at the turns and low through the middle."""

    def build(period):
        rows = []
        norm = math.tanh(saturation)
        for i in range(period):
            t = TAU * i / period
            x = amplitude * math.tanh(saturation * math.cos(t)) / norm
            rows.append((x, 0.22 * math.cos(2 * t), 0.0))
        return rows

    return build


def orbit_dwell(width=0.82, height=0.5):
    """An ellipse run on a warped phase whose speed is zero at the loop's
    start (the right-hand vertex) and greatest half a loop later."""

    def build(period):
        rows = []
        for i in range(period):
            phase = TAU * time_warp(i / period, 1.0)
            rows.append((width * math.cos(phase), height * math.sin(phase), 0.0))
        return rows

    return build


def crank_slider(rod=3.0, crank=1.0, travel_scale=0.8):
    """x: the slider of a crank of radius ``crank`` driving a rod of length
    ``rod``, measured from mid-travel and scaled so a full stroke spans
    2 * travel_scale; y: the crank tip's height, 0.3 sin(theta)."""

    def build(period):
        rows = []
        mid = rod  # mid-travel lies ``rod`` from the crank axis
        for i in range(period):
            t = TAU * i / period
            slider = crank * math.cos(t) + math.sqrt(rod * rod - (crank * math.sin(t)) ** 2)
            rows.append((travel_scale * (slider - mid) / crank, 0.3 * math.sin(t), 0.0))
        return rows

    return build


BUILDERS = shaped_tables(
    "expansion", ["lfo_twin_swell", "lfo_pulse_hold", "lfo_sweep_ratchet", "lfo_reverse_swell"]
)
BUILDERS.update({
    "lfo_seeded_drift": seeded_drift(),
    "lfo_pendulum_dwell": pendulum_dwell(),
    "path_orbit_dwell": orbit_dwell(),
    "path_crank_slider": crank_slider(),
})

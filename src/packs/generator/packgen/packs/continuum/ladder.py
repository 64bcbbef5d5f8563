"""Continuum tables: ladder_a_b_c_d, four two-beat regions of a, b, c and d
evenly spaced gestures, an accent at each region start.

A ball bounces across and back: each region is one traverse from one side
to the other, landing a, b, c or d times on its evenly spaced subdivision
(2 gives quarters, 3 triplet quarters, 4 eighths, 6 triplet eighths; 5 and
7 are their own tuplets). The landing that starts a region is the accent:
the ball turns there, presses lower and moves to the region's depth, which
comes forward as the subdivision gets denser. The floor climbs a rung in
each of the first three regions and steps back down in the fourth.
"""
import math

from ...motion import normalise, smootherstep
from .rhythm_support import BEAT, family

REGION = 2 * BEAT
WIDTH = 0.7  # half the traverse
FLOORS = (-0.55, -0.35, -0.15, -0.35)  # by region
ACCENT_PRESS = 0.3  # an accent lands this much below its region's floor
HOP = 0.5  # height of a quarter-note hop; quicker hops are lower
DEPTHS = {g: -0.6 + 1.2 * (g - 2) / 5 for g in range(2, 8)}


def landings(counts):
    """(pip, x, floor, depth) of every landing, the region starts accented."""
    out = []
    for r, g in enumerate(counts):
        side = -1.0 if r % 2 == 0 else 1.0
        for j in range(g):
            x = side * WIDTH * (1.0 - 2.0 * j / g)
            floor = FLOORS[r] - (ACCENT_PRESS if j == 0 else 0.0)
            out.append((REGION * r + REGION * j / g, x, floor, DEPTHS[g]))
    return out


def ladder(_name, a, b, c, d):
    counts = (a, b, c, d)

    def build(period):
        marks = landings(counts)
        marks.append((period,) + marks[0][1:])
        rows = []
        k = 0
        for i in range(period):
            while marks[k + 1][0] <= i:
                k += 1
            (t0, x0, f0, z0), (t1, x1, f1, z1) = marks[k], marks[k + 1]
            u = (i - t0) / (t1 - t0)
            height = HOP * math.sqrt((t1 - t0) / BEAT)
            # Straight across, a parabola up and down, depth eased to the next landing.
            rows.append((x0 + (x1 - x0) * u, f0 + (f1 - f0) * u + 4.0 * height * u * (1.0 - u),
                         z0 + (z1 - z0) * smootherstep(u)))
        return normalise(rows)

    return build


BUILDERS = family("ladder_", ladder)

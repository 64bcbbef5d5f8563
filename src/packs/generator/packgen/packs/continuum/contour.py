"""Continuum tables: signed-power contours, contour_shaped_NN.

One turn of t = 2 pi i / P round a signed-power oval (a superellipse):
x = sp(cos t, power), y = aspect sp(sin t, power), sp(v, p) = sign(v) |v|^p.
A power below 1 squares the edges off, above 1 pinches them in towards a
diamond. Over one stretch of the loop a run of small ripples swells the
radius in and out (a raised-cosine window, so they rise from and settle into
the plain edge), and the whole oval is bowed, y += bow (1 - x^2)(1 + lean x),
more on one side than the other. Three-dimensional members bend the oval out
of the plane: tilted (one wave of depth), saddled (two) or crowned (three),
the depth wave squared off by the same power and the ripples carried into it.
Per-member numbers: data/continuum/contour.tsv.

The angle t is not the timing: near a corner of a square-ish oval it hardly
moves the point, and across an edge it shoots. Instead the loop is cut into
eight pieces at t = 0, 45, 90, ... degrees, two beats each; within a piece
the point moves by arclength, eased so that it runs fastest across the middle
of an edge and slows to a third of that at a corner. The corners of a
square-ish oval (power below 1) lie at 45, 135, ... degrees, those of a
pinched one (above 1) on the axes; either way corners and mid-edges fall on
every second beat.
"""
import math

from ...motion import TAU, centred, normalise, raised_cosine, signed_power
from . import load_data

PARAMETERS = load_data("contour.tsv")


def contour(p):
    at, span = math.radians(p["at"]), math.radians(p["span"])
    turn = math.radians(p["turn"])

    def point(t):
        d = (t - at + math.pi) % TAU - math.pi
        window = raised_cosine(d, span / 2.0)
        swell = 1.0 + p["ripple"] * window * math.sin(p["ripples"] * TAU * (d / span + 0.5))
        x = signed_power(math.cos(t), p["power"]) * swell
        y = p["aspect"] * signed_power(math.sin(t), p["power"]) * swell
        y += p["bow"] * (1.0 - x * x) * (1.0 + p["lean"] * x)
        wave = math.sin(p["waves"] * t + math.radians(p["phase"]))
        z = p["depth"] * signed_power(wave, p["power"]) * swell
        return (x * math.cos(turn) - y * math.sin(turn), x * math.sin(turn) + y * math.cos(turn), z)

    corners_on_axes = p["power"] > 1.0

    def build(period):
        return normalise(centred(eased_by_arclength(point, period, corners_on_axes)))

    return build


PIECES = 8
DENSITY = 1024  # samples of t per piece when measuring arclength
CORNER_EASE = 0.5  # speed 1 + 0.5 mid-edge, 1 - 0.5 at a corner


def eased_by_arclength(point, period, corners_on_axes):
    rows = []
    for piece in range(PIECES):
        ts = [TAU * (piece + j / DENSITY) / PIECES for j in range(DENSITY + 1)]
        points = [point(t) for t in ts]
        lengths = [0.0]
        for a, b in zip(points, points[1:]):
            lengths.append(lengths[-1] + math.dist(a, b))
        # Pieces alternate: from a mid-edge into a corner, and out of it.
        sign = 1.0 if (piece % 2 == 0) != corners_on_axes else -1.0
        j = 0
        for i in range(period // PIECES):
            u = i * PIECES / period
            target = lengths[-1] * (u + sign * CORNER_EASE * math.sin(math.pi * u) / math.pi)
            while lengths[j + 1] < target:
                j += 1
            share = (target - lengths[j]) / ((lengths[j + 1] - lengths[j]) or 1.0)
            rows.append(tuple(a + (b - a) * share for a, b in zip(points[j], points[j + 1])))
    return rows


BUILDERS = {"contour_shaped_%02d" % int(p["NN"]): contour(p) for p in PARAMETERS}

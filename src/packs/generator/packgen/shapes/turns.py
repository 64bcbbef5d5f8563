"""Turning shapes: the percussion orbit, the closed corkscrew and the
breathing spiral."""
import math

from ..model import Rows
from .common import rows
from .response import TAU, bump, fit, phase, respond, stroke, swell
from .score import Score

ORBIT_TURN = 128  # one orbit a half bar


def orbit(score: Score, dims: int) -> Rows:
    """A path round the centre, one turn a half bar on average: each
    percussion or hat hit speeds it up for a moment, swells its radius and
    draws it forward in depth, so the turns bulge and hurry where the
    percussion plays."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    speed = [1.0 + 2.2 * v for v in respond(period, perc, stroke(6.0, 18.0))]
    turn = phase(speed, period / ORBIT_TURN)
    radius = fit(respond(period, perc, swell(8.0, 26.0, 80.0)), 0.35, 0.88)
    angle = [TAU * u + math.pi / 2.0 for u in turn]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    z = [0.0] * period
    if dims == 3:
        z = fit(respond(period, perc, swell(12.0, 40.0, 128.0)), -0.6, 0.75)
    return rows(x, y, z, dims)


def corkscrew(score: Score, dims: int) -> Rows:
    """Two even turns a period riding one depth wave (forward through the
    first turn, back through the second, so the screw closes); the radius
    swells at percussion hits and the kick nudges the wave."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    radius = fit(respond(period, perc, swell(12.0, 24.0, 72.0)), 0.4, 0.88)
    x = [r * math.cos(2.0 * TAU * i / period) for i, r in zip(range(period), radius)]
    y = [r * math.sin(2.0 * TAU * i / period) for i, r in zip(range(period), radius)]
    nudge = respond(period, [(h.pip, h.weight) for h in score.kick], stroke(6.0, 30.0))
    z = fit([0.75 * math.cos(TAU * i / period) + 0.18 * n for i, n in zip(range(period), nudge)],
            -0.8, 0.8)
    return rows(x, y, z, dims)


def spiral(score: Score, dims: int) -> Rows:
    """Two turns that wind inward and back out: the radius breathes from
    wide at the start of the cycle to narrow halfway and wide again, so the
    seam meets itself; every hit drives the breath on (the kick most), and
    the backbeat pushes the spiral back in depth."""
    period = score.period
    hits = [(h.pip, h.weight * (1.0 if h.lane == "kick" else 0.35)) for h in score.everything]
    speed = [0.35 + v for v in respond(period, hits, bump(14.0))]
    breath = phase(speed)
    radius = [0.14 + 0.76 * (1.0 + math.cos(TAU * u)) / 2.0 for u in breath]
    angle = [-2.0 * TAU * u for u in breath]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    push = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(8.0, 30.0, 96.0))
    z = fit([0.9 * (r - 0.52) - 0.5 * p for r, p in zip(radius, push)], -0.7, 0.7)
    return rows(x, y, z, dims)

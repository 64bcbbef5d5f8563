"""Turning shapes: the percussion orbit, the closed corkscrew and the
breathing spiral."""
import math

from ..model import Rows
from .common import detail, rows
from .response import TAU, bump, fit, paced, phase, respond, stroke, swell
from .score import Score

ORBIT_TURN = 128  # one orbit a half bar


def orbit(score: Score, dims: int) -> Rows:
    """A path round the centre, one turn a half bar on average: each
    percussion or hat hit speeds it up for a moment and swells its radius,
    the kick widens it too, and in depth the colour lanes and the backbeat
    draw it to and fro, so the turns bulge and hurry where the percussion
    plays."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    speed = [1.0 + 2.2 * v for v in respond(period, perc, stroke(6.0, 18.0))]
    turn = phase(speed, period / ORBIT_TURN)
    swelling = respond(period, perc, swell(8.0, 26.0, 80.0))
    kicks = respond(period, [(h.pip, h.weight) for h in score.kick], swell(8.0, 30.0, 90.0))
    radius = fit([a + 0.5 * b for a, b in zip(swelling, kicks)], 0.3, 0.88)
    angle = [TAU * u + math.pi / 2.0 for u in turn]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    z = [0.0] * period
    if dims == 3:
        snares = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(10.0, 40.0, 120.0))
        top = max(snares) or 1.0
        z = fit([c - 0.8 * s / top for c, s in zip(detail(score), snares)], -0.7, 0.75)
    return rows(x, y, z, dims)


def heavy_speed(score: Score, base: float):
    """A pace that surges at the kick and the backbeat (ghost notes a
    little) and creeps between them."""
    hits = [(h.pip, h.weight) for h in score.kick]
    hits += [(h.pip, h.weight * (0.4 if h.ghost else 0.9)) for h in score.backbeat]
    return [base + v for v in respond(score.period, hits, stroke(6.0, 18.0))]


def corkscrew(score: Score, dims: int) -> Rows:
    """Two turns a period, the first ending halfway, riding one depth wave
    (forward through the first turn, back through the second, so the screw
    closes): the turns hurry where the percussion plays, the depth wave
    surges at the kick and the backbeat, and the radius swells at
    percussion hits and moves in and out with the colour lanes, which also
    ripple the wave."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    speed = [0.25 + v for v in respond(period, perc, stroke(4.0, 10.0))]
    turn = paced(period, [0.0, period / 2.0], speed)
    wave = paced(period, [0.0, period / 2.0], heavy_speed(score, 0.2))
    ripple = detail(score)
    swelling = respond(period, perc, stroke(6.0, 16.0))
    top = max(swelling) or 1.0
    radius = fit([s / top + 0.6 * c for s, c in zip(swelling, ripple)], 0.3, 0.88)
    angle = [TAU * u for u in turn]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    z = [0.7 * math.cos(math.pi * u) + 0.2 * c for u, c in zip(wave, ripple)]
    return rows(x, y, z, dims)


def spiral(score: Score, dims: int) -> Rows:
    """Two turns that wind inward and back out: the radius breathes from
    wide at the start of the cycle to narrow halfway and wide again, so the
    seam meets itself; every hit drives the breath on, the colour lanes
    ripple the radius, and the backbeat pushes the spiral back in depth."""
    period = score.period
    weight = {"kick": 1.0, "snare": 0.8, "clap": 0.8}
    hits = [(h.pip, h.weight * weight.get(h.lane, 0.6)) for h in score.everything]
    speed = [0.15 + v for v in respond(period, hits, bump(8.0))]
    breath = phase(speed)
    ripple = detail(score)
    radius = [0.24 + 0.56 * (1.0 + math.cos(TAU * u)) / 2.0 + 0.22 * c for u, c in zip(breath, ripple)]
    angle = [-2.0 * TAU * u for u in breath]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    push = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(8.0, 30.0, 96.0))
    top = max(push) or 1.0
    z = fit([0.9 * (r - 0.52) - 0.5 * p / top + 0.3 * c for r, p, c in zip(radius, push, ripple)],
            -0.7, 0.7)
    return rows(x, y, z, dims)

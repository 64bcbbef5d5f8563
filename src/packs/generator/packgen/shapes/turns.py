"""Turning shapes: the percussion orbit, the closed corkscrew and the
breathing spiral."""
import math

from ..model import Rows
from .common import bass_line, beat_figure, detail, kit_height, pace_hits, rows
from .response import TAU, bump, fit, paced, phase, respond, stroke, swell
from .score import Score

ORBIT_TURN = 128  # one orbit a half bar


def orbit(score: Score, dims: int) -> Rows:
    """A path round the centre, one turn a half bar on average: each
    percussion or hat hit speeds it up for a moment and swells its radius
    (the kick and the backbeat, ghost notes included, speed it too), the
    kick widens it, and in depth the colour lanes, the drums' figure of the
    beat, the backbeat and the bass line draw it to and fro, so the turns
    bulge and hurry where the groove plays."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    hurry = respond(period, perc, stroke(6.0, 18.0))
    heavy = respond(period, pace_hits(score, rest=0.0), swell(4.0, 12.0, 32.0))
    speed = [1.0 + 2.2 * v + 1.2 * w for v, w in zip(hurry, heavy)]
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
        fu, fv = beat_figure(score)
        line = bass_line(score)
        z = fit([0.6 * c - 0.8 * s / top + 0.35 * u + 0.3 * b
                 for c, s, u, b in zip(detail(score), snares, fu, line)], -0.7, 0.75)
    return rows(x, y, z, dims)


def heavy_speed(score: Score, base: float):
    """A pace that surges at the kick and the backbeat (ghost notes a
    little) and creeps between them."""
    hits = [(h.pip, h.weight) for h in score.kick]
    hits += [(h.pip, h.weight * (0.4 if h.ghost else 0.9)) for h in score.backbeat]
    return [base + v for v in respond(score.period, hits, stroke(6.0, 18.0))]


def corkscrew(score: Score, dims: int) -> Rows:
    """Two turns a period riding one depth wave (forward through the first
    half of the period, back through the second, so the screw closes): the
    turns move on at the kick and the backbeat (ghost notes too) and linger
    between them, and the depth wave surges at the same strokes, rippled by
    the colour lanes and the bass line. The radius swells at percussion hits
    and moves in and out with the drums' figure of the beat and their
    heights, which also twist the turn."""
    period = score.period
    perc = [(h.pip, h.weight) for h in score.percussion]
    heavy = respond(period, pace_hits(score, rest=0.0), swell(4.0, 12.0, 32.0))
    # Most of the turning comes at the strokes; an eighth of it goes on between.
    base = 0.15 * math.fsum(heavy) / period
    speed = [base + a + 0.1 * v for a, v in zip(heavy, respond(period, perc, stroke(4.0, 10.0)))]
    turn = phase(speed, 2.0)
    wave = paced(period, [0.0, period / 2.0], heavy_speed(score, 0.2))
    ripple = detail(score)
    swelling = respond(period, [(p, 0.4 + 0.6 * w) for p, w in perc], stroke(6.0, 16.0))
    top = max(swelling) or 1.0
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    radius = fit([0.6 * s / top + 0.3 * c + 0.8 * a + 0.8 * k for s, c, a, k in zip(swelling, ripple, fu, kit)],
                 0.3, 0.88)
    angle = [TAU * u + 0.5 * b + 0.35 * k for u, b, k in zip(turn, fv, kit)]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    line = bass_line(score)
    z = [0.7 * math.cos(math.pi * u) + 0.15 * c + 0.15 * b for u, c, b in zip(wave, ripple, line)]
    return rows(x, y, z, dims)


def spiral(score: Score, dims: int) -> Rows:
    """Two turns that wind inward and back out: the radius breathes from
    wide at the start of the cycle to narrow halfway and wide again, so the
    seam meets itself. Every stroke drives the breath on (kick and backbeat
    most, ghost notes nearly as much); the turn moves on at the kick, the
    backbeat and the bass and lingers between them, so the spiral bends
    where a broken kick falls. The colour lanes ripple the radius and the
    drums twist the turn with their figure of the beat; in depth the
    backbeat pushes the spiral back, and the bass line, the drums' figure
    and their heights lift and lower it."""
    period = score.period
    speed = [0.3 + v for v in respond(period, pace_hits(score), bump(8.0))]
    breath = phase(speed)
    # The turn itself moves on at the kick, the backbeat and the bass and
    # lingers between them, so a broken kick bends the spiral where it falls.
    strokes = pace_hits(score, rest=0.0)
    if score.has_bass:
        strokes += [(h.pip, 0.6 * h.weight) for h in score.bass]
    heavy = respond(period, strokes, swell(4.0, 12.0, 32.0))
    base = 0.25 * math.fsum(heavy) / period
    turn = phase([base + v for v in heavy])
    ripple = detail(score)
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    radius = [0.24 + 0.56 * (1.0 + math.cos(TAU * u)) / 2.0 + 0.12 * c + 0.15 * a + 0.08 * k
              for u, c, a, k in zip(breath, ripple, fu, kit)]
    angle = [-2.0 * TAU * u + 0.3 * b for u, b in zip(turn, fv)]
    x = [r * math.cos(a) for r, a in zip(radius, angle)]
    y = [r * math.sin(a) for r, a in zip(radius, angle)]
    push = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(8.0, 30.0, 96.0))
    top = max(push) or 1.0
    line = bass_line(score)
    z = fit([0.9 * (r - 0.52) - 0.5 * p / top + 0.15 * c + 0.3 * b + 0.4 * v + 0.3 * k
             for r, p, c, b, v, k in zip(radius, push, ripple, line, fv, kit)], -0.7, 0.7)
    return rows(x, y, z, dims)

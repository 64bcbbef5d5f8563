"""Closed figures travelled in time with the groove: the woven figure
eight, the rounded corner tour and the weighted pendulum."""
import math
from dataclasses import replace

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .common import anchors, rows
from .response import TAU, bump, fit, phase, respond, sine_ease, stairs, swell
from .score import Score

SIXTEENTH = 16


def crossing_grid(score: Score):
    """(cycle, offset) of the figure eight: one cycle of two lobes every
    ``cycle`` pips, crossing the centre at offset + k cycle / 2. Of the
    cycles that divide the period, the one whose crossings catch the most
    backbeat weight wins (two beats, crossing on 2 and 4, when it ties)."""
    period = score.period
    best = None
    for cycle in (256, 128, 512):
        if period % cycle:
            continue
        half = cycle // 2
        for offset in range(0, half, SIXTEENTH):
            caught = 0.0
            for h in score.backbeat:
                d = abs((h.pip - offset + half / 2.0) % half - half / 2.0)
                if d <= SIXTEENTH / 2:
                    caught += h.weight * (0.4 if h.ghost else 1.0)
            preference = (caught, cycle == 256, offset == PIPS_PER_BEAT)
            if best is None or preference > best[0]:
                best = (preference, cycle, offset)
    return best[1], best[2]


def figure8(score: Score, dims: int) -> Rows:
    """Two lobes crossing at the centre, the crossings placed on the
    backbeat; the lobes swell at each kick and the snare lifts the crossing.
    In depth the two strands pass the crossing at different depths, woven
    over and under."""
    period = score.period
    cycle, offset = crossing_grid(score)
    size = fit(respond(period, [(h.pip, h.weight) for h in score.kick], swell(20.0, 50.0, 140.0)),
               0.62, 1.0)
    lift = respond(period, [(h.pip, h.weight * (0.4 if h.ghost else 1.0)) for h in score.backbeat],
                   bump(24.0))
    top = max(lift) or 1.0
    weave = fit(respond(period, [(h.pip, h.weight) for h in score.hats], swell(8.0, 24.0, 72.0)),
                0.35, 1.0)
    x, y, z = [], [], []
    for i in range(period):
        a = TAU * (i - offset) / cycle
        x.append(0.86 * size[i] * math.sin(a))
        y.append(0.5 * size[i] * math.sin(2.0 * a) + 0.3 * lift[i] / top - 0.1)
        z.append(0.7 * math.cos(a) * weave[i])
    return rows(x, y, z, dims)


def corner(c: float) -> float:
    """One coordinate of the softened square: near linear along a side,
    rounded into each corner."""
    return math.tanh(2.6 * c) / math.tanh(2.6)


def box(score: Score, dims: int) -> Rows:
    """A tour of four softened corners, one tour a bar: every hit advances
    the phase by its weight (kick and snare most, hats least) and nothing
    else does, so the body waits between hits; the phase is drawn to the
    corners, so it waits near them. The corners alternate in depth."""
    period = score.period
    weight = {"kick": 1.0, "snare": 0.9, "clap": 0.9, "rim": 0.6}
    hits = [(h.pip, weight.get(h.lane, 0.3) * h.weight) for h in score.everything]
    speed = [0.02 + v for v in respond(period, hits, bump(10.0))]
    tour = phase(speed, 4.0 * score.bars)
    x, y, z = [], [], []
    for u in tour:
        q = u - 0.9 * math.sin(TAU * u) / TAU  # dwell near the corners
        a = math.pi / 4.0 + math.pi / 2.0 * q
        x.append(0.8 * corner(math.cos(a) * 0.7071) * 1.0)
        y.append(0.8 * corner(math.sin(a) * 0.7071))
        z.append(0.6 * math.cos(math.pi * q))
    return rows(x, y, z, dims)


PIVOT = 0.5
LENGTH = 1.22


def pendulum(score: Score, dims: int) -> Rows:
    """A bob hanging below its pivot: it swings out to one side on each
    main kick or snare and to the other on the next (turning exactly on the
    hits, so closer hits swing it faster), the swing widening at loud hits
    and dying back between them; snares set it circling a little in
    depth."""
    period = score.period
    main = score.mains(score.kick) + score.mains(score.backbeat)
    turns = anchors(main, 28.0, period)
    if len(turns) % 2:
        turns.remove(min(turns, key=lambda h: (h.weight, h.pip)))
    if len(turns) < 2:  # a single hit: turn on it and half a period later
        turns = turns + [replace(turns[0], pip=(turns[0].pip + period / 2.0) % period)]
    swing = stairs(period, [h.pip for h in turns], sine_ease)
    push = [(h.pip, h.weight) for h in turns]
    push += [(h.pip, 0.3 * h.weight) for h in score.hats]
    reach = fit(respond(period, push, swell(10.0, 70.0, 200.0)), 0.5, 0.8)
    circle = respond(period, [(h.pip, h.weight) for h in score.percussion], swell(10.0, 60.0, 160.0))
    circle = fit(circle, 0.08, 0.3)
    x, y, z = [], [], []
    for i in range(period):
        psi = math.pi * swing[i] + math.pi / 2.0
        alpha = reach[i] * math.sin(psi)
        beta = circle[i] * math.cos(psi) if dims == 3 else 0.0
        x.append(LENGTH * math.sin(alpha) * math.cos(beta))
        y.append(PIVOT - LENGTH * math.cos(alpha) * math.cos(beta))
        z.append(LENGTH * math.sin(beta))
    return rows(x, y, z, dims)

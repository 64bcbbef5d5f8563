"""Closed figures travelled in time with the groove: the woven figure
eight, the rounded corner tour and the weighted pendulum."""
import math
from dataclasses import replace

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .common import anchors, detail, rows
from .response import TAU, bump, fit, paced, phase, respond, smooth, stroke, swell
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
    backbeat; between crossings the travel hurries at each hit, the lobes
    swell at each kick (and bass note) and the snare lifts the crossing. In
    depth the two strands pass the crossing at different depths, woven over
    and under, and the colour lanes ripple the weave."""
    period = score.period
    cycle, offset = crossing_grid(score)
    crossings = [offset + k * cycle / 2.0 for k in range(2 * period // cycle)]
    weight = {"kick": 1.0, "snare": 0.7, "clap": 0.7}
    hits = [(h.pip, h.weight * weight.get(h.lane, 0.45)) for h in score.everything]
    lobe = paced(period, crossings, [0.3 + v for v in respond(period, hits, stroke(4.0, 12.0))])
    swells = [(h.pip, h.weight) for h in score.kick]
    if score.has_bass:
        swells += [(h.pip, 0.6 * h.weight) for h in score.bass]
    size = fit(respond(period, swells, swell(16.0, 40.0, 120.0)), 0.6, 1.0)
    lift = respond(period, [(h.pip, h.weight * (0.4 if h.ghost else 1.0)) for h in score.backbeat],
                   bump(24.0))
    top = max(lift) or 1.0
    ripple = detail(score)
    x, y, z = [], [], []
    for i in range(period):
        a = math.pi * lobe[i]
        x.append(0.86 * size[i] * math.sin(a))
        y.append(0.5 * size[i] * math.sin(2.0 * a) + 0.3 * lift[i] / top - 0.1)
        z.append(0.5 * math.cos(a) + 0.35 * ripple[i])
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
    main kick or snare and to the other on the next, turning exactly on the
    hits; between turns it hurries where the other lanes play, and the
    swing widens at loud hits and with the colour lanes, dying back between
    them. The colour lanes and the snare also swing it a little in depth."""
    period = score.period
    main = score.mains(score.kick) + score.mains(score.backbeat)
    turns = anchors(main, 28.0, period)
    if len(turns) % 2:
        turns.remove(min(turns, key=lambda h: (h.weight, h.pip)))
    if len(turns) < 2:  # a single hit: turn on it and half a period later
        turns = turns + [replace(turns[0], pip=(turns[0].pip + period / 2.0) % period)]
    ripple = detail(score)
    # Other hits hurry the swing; the turns themselves stay unhurried, as a
    # weight slows at the top of its swing.
    at_turns = {round(h.pip, 6) for h in turns}
    others = [(h.pip, h.weight) for h in score.everything if round(h.pip, 6) not in at_turns]
    hurry = respond(period, others, stroke(4.0, 12.0))
    swing = paced(period, [h.pip for h in turns], [0.4 + v for v in hurry])
    push = respond(period, [(h.pip, h.weight) for h in turns], swell(40.0, 70.0, 200.0))
    top = max(push)
    reach = fit(smooth([p / top + 0.5 * abs(c) for p, c in zip(push, ripple)], 8), 0.4, 0.8)
    circle = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(10.0, 60.0, 160.0))
    top = max(circle) or 1.0
    x, y, z = [], [], []
    for i in range(period):
        psi = math.pi * swing[i]
        alpha = reach[i] * math.cos(psi)
        beta = (0.22 * circle[i] / top * math.sin(psi) + 0.2 * ripple[i]) if dims == 3 else 0.0
        x.append(LENGTH * math.sin(alpha) * math.cos(beta))
        y.append(PIVOT - LENGTH * math.cos(alpha) * math.cos(beta))
        z.append(LENGTH * math.sin(beta))
    return rows(x, y, z, dims)

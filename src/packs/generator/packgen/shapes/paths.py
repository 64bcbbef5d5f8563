"""Closed figures travelled in time with the groove: the woven figure
eight, the rounded corner tour and the weighted pendulum."""
import math
from dataclasses import replace

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .common import anchors, detail, gaps, hand_sides, rows
from .response import add, bump, fit, paced, respond, smooth, stroke, swell
from .score import Score

SIXTEENTH = 16


def crossing_grid(score: Score):
    """(cycle, offset) of the figure eight: one cycle of two lobes every
    ``cycle`` pips, crossing the centre at offset + k cycle / 2. Of the
    cycles that divide the period, the one whose crossings catch the most
    backbeat weight wins, less half a main stroke for each crossing that
    catches nothing (two beats, crossing on 2 and 4, when it ties)."""
    period = score.period
    best = None
    for cycle in (256, 128, 512):
        if period % cycle:
            continue
        half = cycle // 2
        for offset in range(0, half, SIXTEENTH):
            caught = 0.0
            empty = 0
            for k in range(period // half):
                here = [h for h in score.backbeat
                        if abs((h.pip - offset - k * half + period / 2.0) % period - period / 2.0)
                        <= SIXTEENTH / 2]
                caught += math.fsum(h.weight * (0.4 if h.ghost else 1.0) for h in here)
                empty += not any(not h.ghost for h in here)
            preference = (caught - 0.5 * empty, cycle == 256, offset == PIPS_PER_BEAT)
            if best is None or preference > best[0]:
                best = (preference, cycle, offset)
    return best[1], best[2]


def figure8(score: Score, dims: int) -> Rows:
    """Two lobes crossing at the centre, the crossings placed on the
    backbeat; between crossings the travel hurries at each hit, the lobes
    swell at each kick (and bass note) and the snare lifts the crossing
    (the lead hand's the highest). In
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
    snares = score.backbeat
    lift = respond(period, [(h.pip, h.weight * (0.4 if h.ghost else 1.0 if s > 0 else 0.6))
                            for h, s in zip(snares, hand_sides(snares))], bump(24.0))
    top = max(lift) or 1.0
    ripple = detail(score)
    x, y, z = [], [], []
    for i in range(period):
        a = math.pi * lobe[i]
        x.append(0.86 * size[i] * math.sin(a))
        y.append(0.5 * size[i] * math.sin(2.0 * a) + 0.3 * lift[i] / top - 0.1 + 0.12 * ripple[i])
        z.append(0.5 * math.cos(a) + 0.5 * ripple[i])
    return rows(x, y, z, dims)


def corner(c: float) -> float:
    """One coordinate of the softened square: near linear along a side,
    rounded into each corner."""
    return math.tanh(2.6 * c) / math.tanh(2.6)


def box(score: Score, dims: int) -> Rows:
    """A tour of four softened corners, one tour a bar. The heaviest hits
    (kick and snare before hats, loud before soft), four a bar, each move
    the body on to the next corner, arriving on the hit; between them it
    waits at its corner, creeping on a little at each other hit, so the
    phase advances in steps weighted by the rhythm. The corners alternate in
    depth, and the colour lanes jostle the body where it waits."""
    period = score.period
    weight = {"kick": 1.0, "snare": 0.9, "clap": 0.9, "rim": 0.6}
    weighed = [replace(h, weight=h.weight * weight.get(h.lane, 0.3)) for h in score.everything]
    corners = 4 * score.bars
    steps = anchors(weighed, 24.0, period)
    steps = sorted(sorted(steps, key=lambda h: (-h.weight, h.pip))[:corners], key=lambda h: h.pip)
    if len(steps) % 4:  # too few strong hits: half-bar steps keep the corners in fours
        steps = steps[:len(steps) - len(steps) % 4] or steps[:1]
    speed = [0.03] * period
    for h, gap in zip(steps, [gaps(steps, period)[-1]] + gaps(steps, period)[:-1]):
        reach = min(24.0, gap / 2.0)
        add(speed, h.pip - reach, 1.0, bump(reach))
    stepping = {round(h.pip, 6) for h in steps}
    for h in weighed:
        if round(h.pip, 6) not in stepping:
            add(speed, h.pip, 0.5 * h.weight, bump(6.0))
    # One corner a step; with fewer than four steps a bar, each step turns
    # as many corners as it must to make the tours.
    tour = [u * corners / len(steps) for u in paced(period, [h.pip for h in steps], speed)]
    ripple = detail(score)
    x, y, z = [], [], []
    for u, c in zip(tour, ripple):
        a = math.pi / 4.0 + math.pi / 2.0 * u
        size = 0.78 + 0.1 * c  # the colour lanes jostle the body where it waits
        x.append(size * corner(math.cos(a) * 0.7071))
        y.append(size * corner(math.sin(a) * 0.7071))
        z.append(0.5 * math.cos(math.pi * u) + 0.4 * c)
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
        beta = (0.22 * circle[i] / top * math.sin(psi) + 0.3 * ripple[i]) if dims == 3 else 0.0
        x.append(LENGTH * math.sin(alpha) * math.cos(beta))
        y.append(PIVOT - LENGTH * math.cos(alpha) * math.cos(beta))
        z.append(LENGTH * math.sin(beta))
    return rows(x, y, z, dims)

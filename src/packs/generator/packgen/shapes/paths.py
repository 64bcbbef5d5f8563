"""Closed figures travelled in time with the groove: the woven figure
eight, the rounded corner tour and the weighted pendulum."""
import math
from dataclasses import replace

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .common import STEP_LIMIT, anchors, bass_line, beat_figure, detail, gaps, hand_sides, kit_height, pace_hits, rows
from .response import add, bump, chain, fit, paced, respond, swell
from .score import Score

SIXTEENTH = 16


CROSSING_SPACING = 48  # pips: the shortest lobe, three sixteenths


def crossing_pips(score: Score):
    """The pips where the figure eight crosses its centre: the backbeat as
    it falls, on every main stroke (of strokes closer than three sixteenths,
    the louder). A figure closes after an even number of crossings, so where
    that leaves an odd number the kick stands in once: the loudest kick in
    the longest stretch between crossings, three sixteenths or more from
    both ends (where none plays there, the middle of the stretch, on the
    sixteenth grid)."""
    period = score.period
    pips = [h.pip for h in anchors(score.mains(score.backbeat), CROSSING_SPACING, period)]
    if len(pips) % 2:
        n = len(pips)
        spans = [((pips[(k + 1) % n] - pips[k]) % period) or period for k in range(n)]
        k = spans.index(max(spans))
        start, length = pips[k], spans[k]
        inside = [h for h in score.kick
                  if CROSSING_SPACING <= (h.pip - start) % period <= length - CROSSING_SPACING]
        if inside:
            kick = max(inside, key=lambda h: (h.weight, -abs((h.pip - start) % period - length / 2.0)))
            pips.append(kick.pip)
        else:
            pips.append((start + SIXTEENTH * round(length / 2.0 / SIXTEENTH)) % period)
    return sorted(pips)


def figure8(score: Score, dims: int) -> Rows:
    """Two lobes crossing at the centre, the crossings placed on the
    backbeat where it falls (see crossing_pips); between crossings the
    travel hurries at each stroke (the kick and the backbeat most, ghost
    notes nearly as much), the lobes swell at each kick (and bass note)
    and the snare lifts the crossing (the lead hand's the highest, a ghost
    note a little); the bass line lifts and lowers the figure. In depth the
    two strands pass the crossing at different depths, woven over and
    under, and the drums around kick and backbeat weave through it: their
    strokes, their figure of the beat, their heights."""
    period = score.period
    crossings = crossing_pips(score)
    hurry = respond(period, pace_hits(score), swell(4.0, 12.0, 32.0))
    lobe = paced(period, crossings, [0.2 + v for v in hurry])
    swells = [(h.pip, h.weight) for h in score.kick]
    if score.has_bass:
        swells += [(h.pip, 0.6 * h.weight) for h in score.bass]
    size = fit(respond(period, swells, swell(16.0, 40.0, 120.0)), 0.5, 1.0)
    snares = score.backbeat
    lift = respond(period, [(h.pip, 0.3 + 0.3 * h.weight if h.ghost else h.weight * (1.0 if s > 0 else 0.6))
                            for h, s in zip(snares, hand_sides(snares))], bump(24.0))
    top = max(lift) or 1.0
    ripple = detail(score)
    line = bass_line(score)
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    x, y, z = [], [], []
    for i in range(period):
        a = math.pi * lobe[i]
        x.append(0.86 * size[i] * math.sin(a))
        y.append(0.5 * size[i] * math.sin(2.0 * a) + 0.3 * lift[i] / top - 0.1 + 0.1 * ripple[i]
                 + 0.2 * line[i] + 0.16 * fv[i] + 0.1 * kit[i])
        z.append(0.45 * math.cos(a) + 0.15 * ripple[i] + 0.7 * fu[i] + 0.45 * fv[i] + 0.5 * kit[i]
                 + 0.25 * line[i])
    z = fit(z, -0.8, 0.8)
    return rows(x, y, z, dims)


def corner(c: float) -> float:
    """One coordinate of the softened square: near linear along a side,
    rounded into each corner."""
    return math.tanh(2.6 * c) / math.tanh(2.6)


def box(score: Score, dims: int) -> Rows:
    """A tour of four softened corners, one tour a bar. The heaviest hits
    (kick and snare before hats, loud before soft), four a bar, each move
    the body on to the next corner, arriving on the hit and setting off on
    the groove's own pickup: the loudest other hit in the half of the gap
    before it (three eighths of a beat ahead where nothing plays there).
    Between moves it waits at its corner, creeping on at each other hit, so
    the phase advances in steps weighted by the rhythm. In depth a corner
    reached on the backbeat lies back and one reached on the kick forward,
    the bass line draws the body to and fro, and the drums around kick and
    backbeat jostle it where it waits: their strokes, their figure of the
    beat, their heights."""
    period = score.period
    weight = {"kick": 1.0, "snare": 0.9, "clap": 0.9, "rim": 0.6}
    weighed = [replace(h, weight=h.weight * weight.get(h.lane, 0.3)) for h in score.everything]
    corners = 4 * score.bars
    steps = anchors(weighed, 24.0, period)
    steps = sorted(sorted(steps, key=lambda h: (-h.weight, h.pip))[:corners], key=lambda h: h.pip)
    if len(steps) % 4:  # too few strong hits: half-bar steps keep the corners in fours
        steps = steps[:len(steps) - len(steps) % 4] or steps[:1]
    stepping = {round(h.pip, 6) for h in steps}
    others = [h for h in weighed if round(h.pip, 6) not in stepping]
    speed = [0.03] * period
    pickups = set()
    for h, gap in zip(steps, [gaps(steps, period)[-1]] + gaps(steps, period)[:-1]):
        before = [o for o in others if 6.0 <= (h.pip - o.pip) % period <= gap / 2.0]
        if before:
            lead = max(before, key=lambda o: (o.weight, o.pip % period))
            pickups.add(round(lead.pip, 6))
            reach = ((h.pip - lead.pip) % period) / 2.0
        else:
            reach = min(SIXTEENTH, gap / 2.0) / 2.0 + 4.0
        add(speed, h.pip - reach, 1.0, bump(reach))
    for h in others:
        if round(h.pip, 6) not in pickups:
            add(speed, h.pip, 0.5 * h.weight, bump(6.0))
    # One corner a step; with fewer than four steps a bar, each step turns
    # as many corners as it must to make the tours.
    tour = [u * corners / len(steps) for u in paced(period, [h.pip for h in steps], speed)]
    backbeat = {round(h.pip, 6) for h in score.mains(score.backbeat)}
    depth = chain(period, [(h.pip, -0.5 if round(h.pip, 6) in backbeat else 0.5 if h.lane == "kick" else 0.0)
                           for h in steps])
    ripple = detail(score)
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    line = bass_line(score)
    x, y, z = [], [], []
    for i, u in enumerate(tour):
        a = math.pi / 4.0 + math.pi / 2.0 * u
        x.append(0.78 * corner(math.cos(a) * 0.7071))
        y.append(0.78 * corner(math.sin(a) * 0.7071))
        z.append(depth[i] + 0.15 * ripple[i] + 0.45 * fu[i] + 0.25 * fv[i] + 0.35 * kit[i] + 0.3 * line[i])
    return rows(x, y, z, dims)


PIVOT = 0.5
LENGTH = 1.22
MAX_SWING = 0.85  # radians, either way: the bob stays within the table's range
MAX_DEPTH = 0.85


def pendulum(score: Score, dims: int) -> Rows:
    """A bob hanging below its pivot: it swings out to one side on each
    main kick or snare and to the other on the next, turning exactly on the
    hits; between turns it hurries where the other strokes play (ghost notes
    and the backbeat more than hats), and each swing reaches as far as the
    groove is busy and loud on its way there. In depth the snare, the colour
    lanes, the drums' figure of the beat and their heights and the bass line
    swing it to and fro, as far as a table's pace allows."""
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
    others = [(p, w) for p, w in pace_hits(score) if round(p, 6) not in at_turns]
    hurry = respond(period, others, swell(4.0, 14.0, 36.0))
    swing = paced(period, [h.pip for h in turns], [0.25 + v for v in hurry])
    # Each swing reaches as far as its turn is loud and the way there busy.
    spans = gaps(turns, period)
    busy = []
    for k, h in enumerate(turns):
        start = turns[k - 1].pip
        span = spans[k - 1]
        busy.append(math.fsum(w for p, w in others if 0.0 < (p - start) % period < span) / span)
    # Busy: the weight of the strokes on the way, per beat.
    reach = chain(period, [(h.pip, 0.56 + 0.14 * h.weight + 0.28 * math.tanh(b * PIPS_PER_BEAT / 1.5))
                           for h, b in zip(turns, busy)])
    reach = [min(0.82, r + 0.08 * abs(c)) for r, c in zip(reach, ripple)]
    circle = respond(period, [(h.pip, h.weight) for h in score.backbeat], swell(10.0, 60.0, 160.0))
    top = max(circle) or 1.0
    fu, fv = beat_figure(score)
    kit = kit_height(score)
    line = bass_line(score)
    sway = [r * math.cos(math.pi * u) for r, u in zip(reach, swing)]
    side = [0.3 * c / top * math.sin(math.pi * u) for c, u in zip(circle, swing)]
    drums = [0.1 * c + 0.7 * v + 0.6 * u + 0.5 * k + 0.25 * b
             for c, v, u, k, b in zip(ripple, fv, fu, kit, line)]
    # The bob keeps to its sphere: where the drums would swing it faster
    # than a table may move, they swing it less far.
    gain = 1.0
    while True:
        x, y, z = [], [], []
        for i in range(period):
            alpha = MAX_SWING * math.tanh((sway[i] + 0.16 * gain * fu[i]) / MAX_SWING)
            beta = MAX_DEPTH * math.tanh((side[i] + gain * drums[i]) / MAX_DEPTH) if dims == 3 else 0.0
            x.append(LENGTH * math.sin(alpha) * math.cos(beta))
            y.append(PIVOT - LENGTH * math.cos(alpha) * math.cos(beta))
            z.append(LENGTH * math.sin(beta))
        if gain < 0.05 or all(max(abs(c[i] - c[i - 1]) for i in range(period)) <= STEP_LIMIT for c in (x, y, z)):
            break
        gain *= 0.9
    return rows(x, y, z, dims)

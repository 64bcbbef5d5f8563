"""Backbeat-led lateral shapes: the side-step, the recoil and the slalom.
Each main snare or clap sends the body to a side, the sides alternating as a
drummer's hands do."""
import math

from ..model import Rows
from .common import bass_line, beat_figure, detail, gaps, hand_sides, kit_height, offbeat_sides, pace_hits, rows
from .kick import bass_depth
from .response import add, bump, chain, fit, paced, peak, respond, smooth, stroke, swell
from .score import Score

STEP_TRAVEL = 40.0  # pips a side-step takes, at most
ECHO = 48.0  # the recoil's echo comes a dotted eighth after the hit


def hand_mains(hits):
    """(hit, side) of the main strokes, sides by hand."""
    sides = hand_sides(hits)
    mains = [(h, s) for h, s in zip(hits, sides) if not h.ghost]
    return mains or list(zip(hits, sides)), sides


def step(score: Score, dims: int) -> Rows:
    """A lateral step to alternating sides that lands on each main snare or
    clap, setting off on the groove's own pickup (the loudest other stroke
    in the stretch before it, often the kick), then a hold there while the
    hats and the other colour lanes shuffle the feet: each hit sways them by
    where it falls in its beat and lifts them by how high its lane sounds.
    Ghost notes feint toward the other side. Kicks dip the body and each
    step lifts it on the way over. In depth the bass holds forward (the
    percussion leans where there is none), swayed by the drums' figure."""
    period = score.period
    hits = score.backbeat
    mains, sides = hand_mains(hits)
    main_hits = [h for h, _s in mains]
    spans = gaps(main_hits, period)
    backbeat_pips = {round(h.pip, 6) for h in hits}
    others = [h for h in score.everything if round(h.pip, 6) not in backbeat_pips]
    keys, lifts = [], []
    previous = mains[-1][1] * (0.72 + 0.28 * mains[-1][0].weight)
    for (hit, side), gap_before in zip(mains, spans[-1:] + spans[:-1]):
        target = side * (0.72 + 0.28 * hit.weight)
        travel = min(STEP_TRAVEL, 0.7 * gap_before)
        before = [o for o in others if 12.0 <= (hit.pip - o.pip) % period <= 0.7 * gap_before]
        if before:
            travel = (hit.pip - max(before, key=lambda o: (o.weight, o.pip % period)).pip) % period
        keys.append((hit.pip - travel, previous))
        keys.append((hit.pip, target))
        if abs(target - previous) > 0.5:
            lifts.append((hit.pip - travel / 2.0, travel / 2.0))
        previous = target
    x = chain(period, keys)
    feints = [(h.pip, -s * (0.5 + 0.5 * h.weight)) for h, s in zip(hits, sides) if h.ghost]
    if feints:
        x = [a + 0.5 * b for a, b in zip(x, respond(period, feints, stroke(6.0, 28.0)))]
    shuffle = detail(score)
    fu, fv = beat_figure(score)
    x = fit([a + 0.12 * b + 0.22 * v for a, b, v in zip(x, shuffle, fv)], -0.86, 0.86)
    y = respond(period, [(h.pip, -h.weight) for h in score.kick], swell(6.0, 22.0, 64.0))
    kit = kit_height(score)
    y = [a + 0.2 * abs(b) + 0.3 * u + 0.25 * k for a, b, u, k in zip(y, shuffle, fu, kit)]
    for pip, half in lifts:
        add(y, pip, 0.8, bump(half))
    y = fit(y, -0.7, 0.6)
    z = [0.0] * period
    if dims == 3:
        if score.has_bass:
            z = bass_depth(score)
        else:
            perc = score.percussion
            z = respond(period, [(h.pip, s * h.weight) for h, s in zip(perc, offbeat_sides(perc))],
                        swell(8.0, 30.0, 96.0))
        top = max(abs(v) for v in z) or 1.0
        z = fit([a / top + 0.4 * v for a, v in zip(z, fv)], -0.55, 0.6)
    return rows(x, y, z, dims)


def recoil(score: Score, dims: int) -> Rows:
    """The snare pushes the body sideways (sides by hand) and holds it out;
    the kick counters downward and back toward the side the last snare left;
    a dotted eighth later an echo draws each push back past the centre, and
    a sixteenth after that lifts it and pulls back in depth, so that each
    recoil loops out and back instead of retracing its stroke. The hats and
    the other colour lanes tick the body to and fro in depth (their strokes,
    where each hit falls in its beat, how high its lane sounds) and lift it
    by their heights; the bass line draws it in depth too."""
    period = score.period
    hits = score.backbeat
    sides = hand_sides(hits)
    push = swell(6.0, 90.0, ECHO + 16.0)
    echo = swell(12.0, 26.0, 80.0)
    side_hits = [(h.pip, s * (0.3 + 0.3 * h.weight if h.ghost else h.weight)) for h, s in zip(hits, sides)]
    x = respond(period, side_hits, push)
    back = respond(period, [(p + ECHO, -0.6 * a) for p, a in side_hits], echo)
    kicks = [(h.pip, h.weight) for h in score.kick]
    # Each kick counters the last push: down, and back toward the other side.
    mains = [(p, a) for p, a in side_hits if abs(a) >= 0.5] or side_hits
    counter = []
    for p, a in kicks:
        last = min(mains, key=lambda m: (p - m[0] - 1.0) % period)  # the push before it
        counter.append((p, -0.45 * a * (1.0 if last[1] > 0 else -1.0)))
    fu, fv = beat_figure(score)
    x = peak([a + b + c + 0.2 * u
              for a, b, c, u in zip(x, back, respond(period, counter, swell(16.0, 20.0, 56.0)), fu)], 0.85)
    y = respond(period, [(p, -a) for p, a in kicks], swell(6.0, 40.0, ECHO + 16.0))
    # The push lifts the body a little as it carries it out, and the echo
    # lifts it again a sixteenth after drawing it back.
    y = [a + b for a, b in zip(y, respond(period, [(p + 24.0, 0.3 * abs(a)) for p, a in mains], bump(24.0)))]
    lift = respond(period, [(p + ECHO + 16.0, 0.5 * a) for p, a in kicks + [(p, abs(a)) for p, a in mains]],
                   swell(12.0, 20.0, 56.0))
    kit = kit_height(score)
    y = fit([a + b + 0.3 * k for a, b, k in zip(y, lift, kit)], -0.85, 0.45)
    z = respond(period, [(p + ECHO, -abs(a)) for p, a in side_hits + kicks], swell(12.0, 30.0, 90.0))
    depth = max(abs(v) for v in z)
    line = bass_line(score)
    z = fit([a + depth * (0.25 * t + 0.45 * v + 0.4 * k + 0.3 * b)
             for a, t, v, k, b in zip(z, detail(score), fv, kit, line)], -0.75, 0.45)
    return rows(x, y, z, dims)


def slalom(score: Score, dims: int) -> Rows:
    """S-shaped travel: the body traverses from side to side and cuts back
    at each main snare or clap (the turn lands on the hit), pushed on faster
    across the slope by each kick and the other strokes on the way and
    gliding between them; a ghost note flicks it back a little. Every kick
    lifts it, and depth runs against the lateral motion, switching at each
    cutback; the hats and the other colour lanes chatter the edges, drawing
    their figure of the beat, and the bass line lifts and lowers the run."""
    period = score.period
    mains, sides = hand_mains(score.backbeat)
    cut = {round(h.pip, 6) for h, _s in mains}
    push = respond(period, [(p, w) for p, w in pace_hits(score) if round(p, 6) not in cut],
                   swell(4.0, 12.0, 32.0))
    progress = paced(period, [h.pip for h, _s in mains], [0.35 + v for v in push])
    ends = [s * (0.75 + 0.25 * h.weight) for h, s in mains]
    n = len(ends)
    traverse = []
    for u in progress:
        j = math.floor(u)
        f = u - j
        traverse.append(ends[j % n] * (1.0 - f) + ends[(j + 1) % n] * f)
    x = smooth(traverse, 7)  # rounds each cutback
    ghosts = [(h.pip, -s * (0.5 + 0.5 * h.weight)) for h, s in zip(score.backbeat, sides) if h.ghost]
    if ghosts:
        x = [a + 0.3 * b for a, b in zip(x, respond(period, ghosts, stroke(4.0, 18.0)))]
    fu, fv = beat_figure(score)
    x = fit([a + 0.12 * v for a, v in zip(x, fv)], -0.86, 0.86)
    velocity = smooth([x[(i + 1) % period] - x[i - 1] for i in range(period)], 3)
    scale = max(abs(v) for v in velocity)
    chatter = detail(score)
    z = fit([-v / scale + 0.45 * c for v, c in zip(velocity, chatter)], -0.72, 0.72)
    y = respond(period, [(h.pip, h.weight) for h in score.kick], swell(8.0, 26.0, 80.0))
    top = max(y)
    line = bass_line(score)
    y = fit([a + top * (0.2 * abs(c) + 0.35 * u + 0.25 * b) for a, c, u, b in zip(y, chatter, fu, line)],
            -0.55, 0.8)
    return rows(x, y, z, dims)

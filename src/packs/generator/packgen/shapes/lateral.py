"""Backbeat-led lateral shapes: the side-step, the recoil and the slalom.
Each main snare or clap sends the body to a side, the sides alternating as a
drummer's hands do."""
from ..model import Rows
from .common import detail, gaps, hand_sides, offbeat_sides, rows
from .kick import bass_depth
from .response import add, bump, chain, fit, peak, respond, smooth, stroke, swell
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
    clap, then a hold there while the hats and the other colour lanes
    shuffle the feet; ghost notes
    feint toward the other side. Kicks dip the body and each step lifts it
    on the way over. In depth the bass holds forward (the percussion leans
    where there is none)."""
    period = score.period
    hits = score.backbeat
    mains, sides = hand_mains(hits)
    main_hits = [h for h, _s in mains]
    spans = gaps(main_hits, period)
    keys, lifts = [], []
    previous = mains[-1][1] * (0.72 + 0.28 * mains[-1][0].weight)
    for (hit, side), gap_before in zip(mains, spans[-1:] + spans[:-1]):
        target = side * (0.72 + 0.28 * hit.weight)
        travel = min(STEP_TRAVEL, 0.7 * gap_before)
        keys.append((hit.pip - travel, previous))
        keys.append((hit.pip, target))
        if abs(target - previous) > 0.5:
            lifts.append((hit.pip - travel / 2.0, travel / 2.0))
        previous = target
    x = chain(period, keys)
    feints = [(h.pip, -s * h.weight) for h, s in zip(hits, sides) if h.ghost]
    if feints:
        x = [a + 0.35 * b for a, b in zip(x, respond(period, feints, stroke(6.0, 20.0)))]
    shuffle = detail(score)
    x = fit([a + 0.24 * b for a, b in zip(x, shuffle)], -0.86, 0.86)
    y = respond(period, [(h.pip, -h.weight) for h in score.kick], swell(6.0, 22.0, 64.0))
    y = [a + 0.4 * abs(b) for a, b in zip(y, shuffle)]
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
        z = fit(z, -0.55, 0.6)
    return rows(x, y, z, dims)


def recoil(score: Score, dims: int) -> Rows:
    """The snare pushes the body sideways (sides by hand) and holds it out;
    the kick counters downward; a dotted eighth later an echo draws each
    push back past the centre and pulls back in depth, where the hats and
    the other colour lanes tick the body to and fro."""
    period = score.period
    hits = score.backbeat
    sides = hand_sides(hits)
    push = swell(6.0, 90.0, ECHO + 16.0)
    echo = swell(12.0, 26.0, 80.0)
    side_hits = [(h.pip, s * h.weight * (0.5 if h.ghost else 1.0)) for h, s in zip(hits, sides)]
    x = respond(period, side_hits, push)
    back = respond(period, [(p + ECHO, -0.6 * a) for p, a in side_hits], echo)
    x = peak([a + b for a, b in zip(x, back)], 0.85)
    kicks = [(h.pip, h.weight) for h in score.kick]
    y = respond(period, [(p, -a) for p, a in kicks], swell(6.0, 40.0, ECHO + 16.0))
    lift = respond(period, [(p + ECHO, 0.5 * a) for p, a in kicks], echo)
    y = fit([a + b for a, b in zip(y, lift)], -0.85, 0.45)
    z = respond(period, [(p + ECHO, -abs(a)) for p, a in side_hits + kicks], swell(12.0, 30.0, 90.0))
    depth = max(abs(v) for v in z)
    z = fit([a + 0.45 * depth * t for a, t in zip(z, detail(score))], -0.75, 0.45)
    return rows(x, y, z, dims)


def slalom(score: Score, dims: int) -> Rows:
    """S-shaped travel: the body traverses from side to side and cuts back
    at each main snare or clap (the turn lands on the hit); every kick lifts
    it, and depth runs against the lateral motion, switching at each
    cutback; the hats and the other colour lanes chatter the edges."""
    period = score.period
    mains, sides = hand_mains(score.backbeat)
    traverse = chain(period, [(h.pip, s * (0.75 + 0.25 * h.weight)) for h, s in mains],
                     lambda u: u)
    x = smooth(traverse, 7)  # rounds each cutback
    ghosts = [(h.pip, -s * h.weight) for h, s in zip(score.backbeat, sides) if h.ghost]
    if ghosts:
        x = [a + 0.25 * b for a, b in zip(x, respond(period, ghosts, stroke(4.0, 14.0)))]
    x = fit(x, -0.86, 0.86)
    velocity = smooth([x[(i + 1) % period] - x[i - 1] for i in range(period)], 3)
    scale = max(abs(v) for v in velocity)
    chatter = detail(score)
    z = fit([-v / scale + 0.55 * c for v, c in zip(velocity, chatter)], -0.72, 0.72)
    y = respond(period, [(h.pip, h.weight) for h in score.kick], swell(8.0, 26.0, 80.0))
    top = max(y)
    y = fit([a + 0.3 * top * abs(c) for a, c in zip(y, chatter)], -0.55, 0.8)
    return rows(x, y, z, dims)

"""Shapes of single strokes and what they set going: the flutter, the
spring and the ricochet."""
import math

from ..model import Rows
from .common import anchors, detail, gaps, hand_sides, rows
from .response import add, chain, peak, respond, ring, sine_ease, smootherstep
from .score import HAT_LANES, Score

TREMOR = ring(8.0, 10.0, 36.0)


def flutter(score: Score, dims: int) -> Rows:
    """A wide arc swung between the kick (one side) and the snare (the
    other, reaching furthest on the lead hand), bowing up and forward as it
    crosses; every hat or shaker hit
    (and, more softly, every other colour hit) sets off a small fast tremor,
    up and down and in depth, riding the arc, which the colour lanes also
    lift and sway in depth."""
    period = score.period
    sweep = [(h.pip, -1.0) for h in score.mains(score.kick)]
    snares = score.backbeat
    sweep += [(h.pip, 1.0 if s > 0 else 0.6) for h, s in zip(snares, hand_sides(snares)) if not h.ghost]
    sweep.sort()
    keys = []
    for pip, side in sweep:
        if keys and pip - keys[-1][0] < 12.0:
            keys[-1] = (keys[-1][0], side)  # a kick and snare together: the snare's side
        else:
            keys.append((pip, side))
    arc = chain(period, [(p, 0.78 * s) for p, s in keys], sine_ease)
    if max(arc) == min(arc):  # one side only: swing out and back between its hits
        arc = chain(period, [(p, 0.78 * (1 if k % 2 else -1)) for k, (p, _s) in enumerate(keys)]
                    + [(keys[0][0] + period / 2.0, 0.78)], sine_ease)
    shakes = [(h.pip, h.weight) for h in score.hats]
    shakes += [(float(e.pip), 0.7 * e.velocity) for e in score.colour if e.lane not in HAT_LANES]
    tremor = [math.tanh(v) for v in respond(period, shakes, TREMOR)]
    tremor_z = [math.tanh(v) for v in respond(period, [(p + 3.0, w) for p, w in shakes], TREMOR)]
    ripple = detail(score)
    x = arc
    y = [0.22 * t + 0.3 * (1.0 - (a / 0.78) ** 2) - 0.1 + 0.2 * c
         for a, t, c in zip(arc, tremor, ripple)]
    z = [0.45 * (1.0 - (a / 0.78) ** 2) - 0.2 + 0.14 * t + 0.35 * c
         for a, t, c in zip(arc, tremor_z, ripple)]
    return rows(x, y, z, dims)


SPRINGS = {
    # role: (axis, ring cycle, decay, length, gain); all in pips
    "kick": (1, 28.0, 18.0, 60.0, -1.0),
    "backbeat": (0, 24.0, 18.0, 60.0, 1.0),
    "percussion": (2, 16.0, 9.0, 32.0, 0.45),
    "bass": (2, 36.0, 24.0, 90.0, -0.9),
}


def spring(score: Score, dims: int) -> Rows:
    """Causal and damped: each hit strikes a spring that starts from rest on
    the hit (nothing moves before it) and rings down; the kick rings
    vertically, the snare sideways (sides by hand), percussion and bass in
    depth. Where the programme leaves a long enough gap the motion comes to
    rest; rings that run past the end of the period carry on at its start."""
    period = score.period
    axes = [[0.0] * period for _ in range(3)]
    roles = {"kick": score.kick, "backbeat": score.backbeat,
             "percussion": score.percussion, "bass": score.bass if score.has_bass else []}
    for role, hits in roles.items():
        axis, cycle, decay, length, gain = SPRINGS[role]
        kernel = ring(cycle, decay, length)
        sides = hand_sides(hits) if role == "backbeat" else [1.0] * len(hits)
        for h, s in zip(hits, sides):
            add(axes[axis], h.pip, gain * s * h.weight * (0.5 if h.ghost else 1.0), kernel)
    x, y, z = (peak(a, 0.85) for a in axes)
    return rows(x, y, z, dims)


def polygon(n: int):
    """Corners of a regular n-gon, the first at the top, with depths that
    alternate round it."""
    return [(0.85 * math.sin(TAU_ * k / n), 0.85 * math.cos(TAU_ * k / n),
             0.7 * math.cos(2.0 * TAU_ * k / n + 0.5)) for k in range(n)]


TAU_ = 2.0 * math.pi


def ricochet(score: Score, dims: int) -> Rows:
    """Every onset sends the body off toward the next corner of a polygon
    (a triangle, square or pentagon, whichever the number of onsets closes
    best), arriving a sixteenth later and falling back toward the centre
    until the next onset sends it on."""
    period = score.period
    onsets = anchors(score.mains(score.kick) + score.mains(score.backbeat)
                     + [h for h in score.percussion if h.weight >= 0.5], 24.0, period)
    m = len(onsets)
    n = next((k for k in (3, 5, 4) if m % k == 0), None) or next(k for k in (3, 5, 4) if m % k != 1)
    corners = polygon(n)
    keys = [[], [], []]
    for j, (h, gap) in enumerate(zip(onsets, gaps(onsets, period))):
        target = corners[j % n]
        reach = 0.7 + 0.3 * h.weight
        rest = corners[(j - 1) % n]
        arrive = min(16.0, 0.5 * gap)
        for axis in range(3):
            keys[axis].append((h.pip, 0.45 * rest[axis] * reach))
            keys[axis].append((h.pip + arrive, target[axis] * reach))
    x, y, z = (chain(period, k, smootherstep) for k in keys)
    # The colour lanes rattle the ball across its line of flight.
    ripple = detail(score)
    x = [a + 0.2 * c for a, c in zip(x, ripple)]
    z = [a - 0.25 * c for a, c in zip(z, ripple)]
    return rows(x, y, z, dims)

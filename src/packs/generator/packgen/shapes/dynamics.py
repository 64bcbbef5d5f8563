"""Shapes of single strokes and what they set going: the flutter, the
spring and the ricochet."""
import math

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .common import (anchors, bass_line, beat_figure, detail, gaps, hand_sides, kit_height, offbeat_sides,
                     pitch_sides, rows)
from .response import add, chain, peak, respond, ring, sine_ease, smootherstep
from .score import HAT_LANES, Score, merged

TREMOR = ring(8.0, 10.0, 36.0)


def swung_back(keys, period):
    """The arc's keys (pip, side) with a turn added half way between two on
    one side (a kick after a kick, with no main snare between): the arc
    swings back toward the middle, all the way for hits a beat or more
    apart; between two ghost notes, both in the middle, it swings out
    toward the snare's side. So it never stalls."""
    out = []
    for (p, a), (q, b) in zip(keys, keys[1:] + [(keys[0][0] + period, keys[0][1])]):
        out.append((p, a))
        reach = min(1.0, (q - p) / PIPS_PER_BEAT)
        if a * b > 0.0:
            out.append(((p + q) / 2.0, (a + b) / 2.0 * (1.0 - reach)))
        elif a == b == 0.0:
            out.append(((p + q) / 2.0, 0.5 * reach))
    return out


def flutter(score: Score, dims: int) -> Rows:
    """A wide arc swung between the kick (one side) and the snare (the
    other, reaching furthest on the lead hand; a ghost note swings it a
    little way back toward the middle), bowing up and forward as it
    crosses; between two hits on one side it swings back toward the
    middle and out again (see swung_back); every hat or shaker hit (and,
    more softly, every other colour hit) sets off a small fast tremor, up
    and down and in depth, riding the arc, which the drums' figure of the
    beat, their heights and the bass line also lift and sway in depth."""
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
    # A ghost note swings the arc a little way back toward the snare's side
    # from wherever it is, where it has room.
    for h in snares:
        if h.ghost and all(abs((h.pip - p + period / 2.0) % period - period / 2.0) >= 12.0
                           for p, _s in keys):
            keys.append((h.pip, 0.0))
    keys.sort()
    arc = chain(period, [(p, 0.78 * s) for p, s in swung_back(keys, period)], sine_ease)
    if min(s for _p, s in keys) >= 0.0 or max(s for _p, s in keys) <= 0.0:
        # One side only (the kick and the snare always together, as in a
        # one-drop): swing out and back between its hits.
        swings = [(p, 0.78 * (1 if k % 2 else -1)) for k, (p, _s) in enumerate(keys)]
        if len(swings) == 1:
            swings.append((swings[0][0] + period / 2.0, 0.78))
        elif len(swings) % 2:
            swings[-1] = (swings[-1][0], 0.0)  # an odd count meets itself at the centre
        arc = chain(period, swings, sine_ease)
    shakes = [(h.pip, h.weight) for h in score.hats]
    shakes += [(float(e.pip), 0.7 * e.velocity) for e in score.colour if e.lane not in HAT_LANES]
    tremor = [math.tanh(v) for v in respond(period, shakes, TREMOR)]
    tremor_z = [math.tanh(v) for v in respond(period, [(p + 3.0, w) for p, w in shakes], TREMOR)]
    ripple = detail(score)
    fu, fv = beat_figure(score)
    x = arc
    line = bass_line(score)
    kit = kit_height(score)
    y = [0.3 * t + 0.3 * (1.0 - (a / 0.78) ** 2) - 0.1 + 0.1 * c + 0.3 * u + 0.25 * k + 0.2 * b
         for a, t, c, u, k, b in zip(arc, tremor, ripple, fu, kit, line)]
    z = [0.45 * (1.0 - (a / 0.78) ** 2) - 0.2 + 0.2 * t + 0.2 * c + 0.4 * v - 0.3 * u
         for a, t, c, v, u in zip(arc, tremor_z, ripple, fv, fu)]
    return rows(x, y, z, dims)


# Each role strikes a spring that rings mainly along one axis and, more
# softly and at another pitch, along a second, so that a struck body rings
# round a small closing curve instead of along a line.
# role: ((axis, ring cycle, decay, length, gain), ...); all in pips
SPRINGS = {
    "kick": ((1, 28.0, 18.0, 60.0, -1.0), (0, 42.0, 18.0, 60.0, 0.3)),
    "backbeat": ((0, 24.0, 18.0, 60.0, 1.0), (2, 31.0, 18.0, 60.0, 0.35)),
    "ghost": ((0, 20.0, 16.0, 56.0, 1.0), (2, 26.0, 16.0, 56.0, -1.2)),
    "bass": ((2, 36.0, 24.0, 90.0, -0.9), (0, 50.0, 24.0, 90.0, 0.5)),
}
# The percussion rings in depth (and a little sideways), each lane at its
# own pitch: hats and shakers fast and short, hand drums and bells slower,
# toms slowest. (cycle, decay, length, gain)
PERCUSSION_SPRINGS = {
    "closed_hat": (12.0, 10.0, 40.0, 0.5), "open_hat": (16.0, 20.0, 64.0, 0.6),
    "shaker": (10.0, 8.0, 32.0, 0.4), "perc": (20.0, 16.0, 56.0, 0.6),
    "bell": (18.0, 22.0, 70.0, 0.6), "clave": (18.0, 14.0, 48.0, 0.6),
    "conga": (24.0, 18.0, 64.0, 0.6), "rim": (16.0, 12.0, 44.0, 0.5),
    "tom_low": (34.0, 26.0, 90.0, 0.8), "tom_mid": (30.0, 24.0, 84.0, 0.7),
    "tom_high": (26.0, 22.0, 76.0, 0.7),
}
PERCUSSION_ASIDE = (1.4, 0.6)  # the sideways ring: its cycle against the main one's, its gain


def spring(score: Score, dims: int) -> Rows:
    """Causal and damped: each hit strikes a spring that starts from rest on
    the hit (nothing moves before it) and rings down; the kick rings
    vertically, the snare sideways (sides by hand; a ghost note a quick
    flick aside and in depth; the percussion where no snare plays), the
    percussion and the bass in depth, each percussion lane at its own pitch
    and on-beat hits one way, off-beat ones the other, a bass note up or
    down from the middle of its line, a lower one slower. Each also rings a little along a second axis at another pitch,
    so the body rings round small closing curves. Where the programme
    leaves a long enough gap the motion comes to rest; rings that run past
    the end of the period carry on at its start."""
    period = score.period
    axes = [[0.0] * period for _ in range(3)]
    backbeat = score.backbeat
    sides = hand_sides(backbeat)
    strikes = {
        "kick": [(h, 1.0, h.weight) for h in score.kick],
        "backbeat": [] if score.backbeat_is_kick else
        [(h, s, h.weight) for h, s in zip(backbeat, sides) if not h.ghost],
        "ghost": [(h, s, 0.5 + 0.5 * h.weight) for h, s in zip(backbeat, sides) if h.ghost],
        "bass": ([(h, s, h.weight) for h, s in zip(score.bass, pitch_sides(score.bass))]
                 if score.has_bass else []),
    }
    for role, hits in strikes.items():
        for axis, cycle, decay, length, gain in SPRINGS[role]:
            for h, s, w in hits:
                tune = 1.0
                if role == "bass" and h.note is not None:
                    # A lower note rings a slower spring: half again as slow an octave down.
                    tune = min(1.6, max(0.75, 1.5 ** ((40 - h.note) / 12.0)))
                add(axes[axis], h.pip, gain * s * w, ring(round(cycle * tune, 3), decay, length))
    perc = [e for e in score.groove.events if e.lane in PERCUSSION_SPRINGS
            and (e.lane != "rim" or "rim" not in {h.lane for h in backbeat})]
    aside, aside_gain = PERCUSSION_ASIDE
    if score.backbeat_is_kick:
        # No snare at all: the sideways spring is the percussion's.
        aside_gain = 1.0
    for lane in sorted({e.lane for e in perc}):
        hits = merged([e for e in perc if e.lane == lane])
        cycle, decay, length, gain = PERCUSSION_SPRINGS[lane]
        main, side = ring(cycle, decay, length), ring(cycle * aside, decay, length)
        for h, s in zip(hits, offbeat_sides(hits)):
            add(axes[2], h.pip, gain * s * h.weight, main)
            add(axes[0], h.pip, aside_gain * gain * s * h.weight, side)
    if not any(axes[2]):  # nothing rings in depth: the kick's spring does, a little
        for h in score.kick:
            add(axes[2], h.pip, 0.4 * h.weight, ring(20.0, 12.0, 40.0))
    x, y, z = (peak(a, 0.85) if any(a) else a for a in axes)
    return rows(x, y, z, dims)


def polygon(n: int):
    """Corners of a regular n-gon, the first at the top, with depths that
    alternate round it."""
    return [(0.85 * math.sin(TAU_ * k / n), 0.85 * math.cos(TAU_ * k / n),
             0.7 * math.cos(2.0 * TAU_ * k / n + 0.5)) for k in range(n)]


TAU_ = 2.0 * math.pi


def ricochet(score: Score, dims: int) -> Rows:
    """Every onset (the kick, the backbeat with its ghost notes, the louder
    percussion; strokes closer than ten pips count as one) sends the body
    off toward the next corner of a polygon (a triangle, square or
    pentagon, whichever the number of onsets closes best), arriving a
    sixteenth later (sooner where the next onset comes sooner) and falling
    back toward the centre until the next onset sends it on. How far it
    flies follows what sent it: a kick furthest, a main snare nearly as
    far, a hat, a hand drum or a ghost note a shorter hop. The colour lanes
    rattle the ball across its line of flight, drawing their figure of the
    beat, and their heights and the bass line draw it in and out in depth."""
    period = score.period
    kicks = {round(h.pip, 6) for h in score.kick}
    backbeat = {round(h.pip, 6) for h in score.backbeat}
    candidates = (score.mains(score.kick) + score.backbeat
                  + [h for h in score.percussion if h.weight >= 0.45])
    onsets = anchors(candidates, 10.0, period)
    m = len(onsets)
    n = next((k for k in (3, 5, 4) if m % k == 0), None) or next(k for k in (3, 5, 4) if m % k != 1)
    corners = polygon(n)
    keys = [[], [], []]
    rest = [0.0, 0.0, 0.0]  # until the loop closes below
    for j, (h, gap) in enumerate(zip(onsets, gaps(onsets, period))):
        at = round(h.pip, 6)
        role = 1.0 if at in kicks else 0.85 if h.ghost else 0.95 if at in backbeat else 0.85
        target = [c * role * (0.8 + 0.2 * h.weight) for c in corners[j % n]]
        arrive = min(16.0, 0.5 * gap)
        for axis in range(3):
            keys[axis].append((h.pip, 0.45 * rest[axis]))
            keys[axis].append((h.pip + arrive, target[axis]))
        rest = target
    # The first onset's rest is the last target, round the loop.
    for axis in range(3):
        keys[axis][0] = (keys[axis][0][0], 0.45 * rest[axis])
    x, y, z = (chain(period, k, smootherstep) for k in keys)
    ripple = detail(score)
    fu, fv = beat_figure(score)
    line = bass_line(score)
    kit = kit_height(score)
    x = [a + 0.1 * c + 0.2 * v for a, c, v in zip(x, ripple, fv)]
    z = [a - 0.1 * c + 0.3 * u + 0.25 * k + 0.2 * b for a, c, u, k, b in zip(z, ripple, fu, kit, line)]
    return rows(x, y, z, dims)

"""What several shapes share: which side a hit goes to, the anchors of a
phrase, the readings of a groove that every shape draws on (the colour
lanes' strokes, the drums' figure of the beat, the kit's heights, the bass
line's contour, the pace each role sets), and the last steps from
components to rows."""
import math
from dataclasses import replace
from typing import List, Sequence

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .response import TAU, add, chain, stroke, swell
from .score import Hit, merged

HALF_BEAT = PIPS_PER_BEAT / 2
# The largest change between rows a table may make; kept a little inside
# the limit of 0.25 so that rounding never crosses it.
STEP_LIMIT = 0.245


def offbeat_sides(hits: Sequence[Hit]) -> List[float]:
    """On-beat hits to one side (-1), off-beat hits to the other (+1).

    Where every hit falls on the same half of its beat, the beats alternate
    instead: even beats to +1, odd beats to -1.
    """
    halves = [1.0 if (h.pip % PIPS_PER_BEAT) >= HALF_BEAT - 1e-9 else -1.0 for h in hits]
    if len(set(halves)) > 1:
        return halves
    return [1.0 if h.beat % 2 == 0 else -1.0 for h in hits]


def hand_sides(hits: Sequence[Hit]) -> List[float]:
    """Sides as a drummer's hands play them: the main strokes alternate
    right (+1) and left (-1), starting afresh with the right at the start
    of the cycle, so an odd number of them plays a double across the seam;
    a ghost note falls to the free hand, opposite the main stroke before
    it."""
    mains = [h for h in hits if not h.ghost] or list(hits)
    if not mains:
        return []
    side_of = {id(h): (1.0 if k % 2 == 0 else -1.0) for k, h in enumerate(mains)}
    sides = []
    last = side_of[id(mains[-1])]  # the loop closes: before the first main, the last one
    for h in hits:
        if id(h) in side_of:
            last = side_of[id(h)]
            sides.append(last)
        else:
            sides.append(-last)
    return sides


def anchors(hits: Sequence[Hit], spacing: float, period: int) -> List[Hit]:
    """The hits at least ``spacing`` pips apart round the loop: of hits
    closer than that, the louder stays (the earlier on a tie)."""
    kept: List[Hit] = []
    for h in sorted(hits, key=lambda h: (-h.weight, h.pip)):
        if all(abs((h.pip - k.pip + period / 2) % period - period / 2) >= spacing for k in kept):
            kept.append(h)
    return sorted(kept, key=lambda h: h.pip)


def gaps(hits: Sequence[Hit], period: int) -> List[float]:
    """Pips from each hit to the next, round the loop."""
    n = len(hits)
    return [((hits[(j + 1) % n].pip - hits[j].pip) % period) or period for j in range(n)]


def limit_steps(values: List[float]) -> List[float]:
    """Scales a component toward 0 (its rest) just enough that no step
    between rows, the wrap included, exceeds the limit."""
    step = max(abs(values[i] - values[i - 1]) for i in range(len(values)))
    if step <= STEP_LIMIT:
        return values
    k = STEP_LIMIT / step
    return [v * k for v in values]


def within_range(values: List[float]) -> List[float]:
    """Scales a component toward 0 just enough to stay inside [-0.9, 0.98],
    a little within what a table may hold."""
    low, high = min(values), max(values)
    k = min(1.0, 0.9 / -low if low < -0.9 else 1.0, 0.98 / high if high > 0.98 else 1.0)
    return values if k == 1.0 else [v * k for v in values]


def rows(x: Sequence[float], y: Sequence[float], z: Sequence[float], dims: int) -> Rows:
    """Rows of the components the dimensions admit; the others stay 0.0."""
    x, y = within_range(limit_steps(list(x))), within_range(limit_steps(list(y)))
    if dims < 3:
        return [(a, b, 0.0) for a, b in zip(x, y)]
    z = within_range(limit_steps(list(z)))
    return list(zip(x, y, z))


# How each lane colours a motion: its weight, its response and which way it
# goes: "beat" for on-beat one way and off-beat the other, a number for a
# fixed direction.
COLOUR = {
    "closed_hat": (0.6, stroke(3.0, 10.0), "beat"),
    "open_hat": (0.9, swell(4.0, 18.0, 56.0), 1.0),
    "shaker": (0.5, stroke(2.0, 7.0), "beat"),
    "perc": (0.8, stroke(4.0, 16.0), "beat"),
    "bell": (0.8, stroke(3.0, 20.0), 1.0),
    "clave": (0.9, stroke(3.0, 14.0), 1.0),
    "conga": (0.7, stroke(4.0, 14.0), "beat"),
    "tom_low": (0.9, swell(4.0, 20.0, 60.0), -1.0),
    "tom_mid": (0.8, swell(4.0, 16.0, 48.0), "beat"),
    "tom_high": (0.8, swell(4.0, 14.0, 40.0), 1.0),
    "rim": (0.7, stroke(3.0, 12.0), "beat"),
    # Ghost notes: quiet, but what sets a rolling or broken groove apart.
    "snare": (1.4, stroke(3.0, 14.0), "beat"),
    "clap": (1.4, stroke(3.0, 14.0), "beat"),
    "bass": (0.8, swell(6.0, 40.0, 96.0), "pitch"),
}


def colour(score, lanes=None) -> List[float]:
    """The colour lanes' own motion, within -1 and 1: every hit a small
    stroke shaped by its lane, on-beat hits one way and off-beat ones the
    other, or a fixed way for lanes with a pitch of their own (low toms
    down, bells and high toms up, bass notes up or down from the middle of
    their line). Busier and louder colour moves further."""
    period = score.period
    out = [0.0] * period
    by_lane = {}
    for e in score.colour:
        if lanes is None or e.lane in lanes:
            by_lane.setdefault(e.lane, []).append(e)
    for lane, events in by_lane.items():
        weight, kernel, way = COLOUR[lane]
        hits = merged(events)
        if way == "beat":
            sides = offbeat_sides(hits)
        elif lane == "bass":
            sides = pitch_sides(hits)
        else:
            sides = [way] * len(hits)
        for h, s in zip(hits, sides):
            add(out, h.pip, weight * s * h.weight, kernel)
    return [math.tanh(v / 0.9) for v in out]


def pitch_sides(hits: Sequence[Hit]) -> List[float]:
    """Notes above the middle of the line one way (+1), the others the
    other way; a line of one pitch all one way (-1)."""
    notes = [h.note for h in hits if h.note is not None]
    if not notes or max(notes) == min(notes):
        return [-1.0] * len(hits)
    middle = (max(notes) + min(notes)) / 2.0
    return [1.0 if (h.note or 0) > middle else -1.0 for h in hits]


def detail(score) -> List[float]:
    """The colour lanes' motion, or, in a programme that has none, the
    stand-in hats' strokes (on-beat one way, off-beat the other)."""
    out = colour(score)
    if any(out):
        return out
    hats = score.hats
    out = [0.0] * score.period
    for h, s in zip(hats, offbeat_sides(hats)):
        add(out, h.pip, s * h.weight, stroke(3.0, 10.0))
    return [math.tanh(v / 0.9) for v in out]


# Lanes that ring on: a hit of one holds the body out until the next hit;
# the others are short, and the body falls halfway back before the next.
RINGING = ("open_hat", "bell", "tom_low", "tom_mid", "tom_high")


def beat_figure(score):
    """(u, v): the drums around kick and backbeat (hats, shakers, hand
    drums, toms, bells, ghost notes) drawn on the clock face of the beat.
    Each hit sends the body toward its place within its beat (the downbeat to
    u = +1, the e to v = +1, the offbeat to u = -1, the a to v = -1; swing
    and push turn it a little past its sixteenth), as far as its lane and
    velocity weigh, arriving on the hit; a ringing hit (an open hat, a
    bell, a tom) holds it there until the next, a short one lets it fall
    halfway back first. So a beat's hits draw a figure with a corner on
    each: a triangle for e, & and a, a square for four sixteenths, a line
    for offbeats alone."""
    period = score.period
    hits = merged([replace(e, velocity=e.velocity * COLOUR[e.lane][0])
                   for e in score.colour if e.lane != "bass"])
    if not hits:
        return [0.0] * period, [0.0] * period
    top = max(h.weight for h in hits)
    keys_u, keys_v = [], []
    for h, gap in zip(hits, gaps(hits, period)):
        angle = TAU * (h.pip % PIPS_PER_BEAT) / PIPS_PER_BEAT
        reach = 0.3 + 0.7 * h.weight / top
        u, v = reach * math.cos(angle), reach * math.sin(angle)
        keys_u.append((h.pip, u))
        keys_v.append((h.pip, v))
        if h.lane not in RINGING and gap >= 12.0:
            back = h.pip + 0.5 * gap
            keys_u.append((back, 0.5 * u))
            keys_v.append((back, 0.5 * v))
    return chain(period, keys_u), chain(period, keys_v)


# Where each lane sits from high to low, as its sound does: cymbals and
# bells at the top, hand drums and ghost notes in the middle, toms below.
PITCH = {
    "open_hat": 1.0, "bell": 0.9, "closed_hat": 0.6, "clave": 0.5, "shaker": 0.4,
    "tom_high": 0.2, "perc": 0.1, "rim": 0.0, "conga": -0.3, "snare": -0.8, "clap": -0.8,
    "tom_mid": -0.6, "tom_low": -1.0,
}


def kit_height(score) -> List[float]:
    """The drums around kick and backbeat as heights: each hit lifts the
    body to where its lane sits from high to low (an open hat or a bell
    high, a closed hat a little lower, hand drums in the middle, ghost notes
    and toms below), by as much as its velocity weighs, arriving on the hit
    and easing on to the next; a short sound lets the body settle halfway
    back to the middle first. Zero where no such drum plays."""
    period = score.period
    hits = merged([e for e in score.colour if e.lane in PITCH])
    if not hits:
        return [0.0] * period
    keys = []
    for h, gap in zip(hits, gaps(hits, period)):
        level = PITCH[h.lane] * (0.5 + 0.5 * min(1.0, h.weight / 0.8))
        keys.append((h.pip, level))
        if h.lane not in RINGING and gap >= 12.0:
            keys.append((h.pip + 0.5 * gap, 0.5 * level))
    return chain(period, keys)


def bass_line(score) -> List[float]:
    """The bass line's contour: each note's height in the line's own range
    (-1 its lowest, +1 its highest), reached on the note, held while it
    sounds and eased to the next; all 0.0 without a pitched bass."""
    period = score.period
    notes = [h for h in score.bass if h.note is not None] if score.has_bass else []
    if not notes or max(h.note for h in notes) == min(h.note for h in notes):
        return [0.0] * period
    low, high = min(h.note for h in notes), max(h.note for h in notes)
    keys = []
    for h, gap in zip(notes, gaps(notes, period)):
        height = 2.0 * (h.note - low) / (high - low) - 1.0
        keys.append((h.pip, height))
        held = min(h.length, gap) - min(12.0, 0.5 * gap)
        if held > 4.0:
            keys.append((h.pip + held, height))
    return chain(period, keys)


# What each role adds to a shape's pace: the kick and the backbeat most
# (together, more still); a ghost note, quiet as it is, almost as much as a
# main stroke, since the ghosts are what set a rolling groove apart from a
# plain one; any other hit by its lane's weight and, gently, its velocity,
# so soft hats still count.
KICK_PACE = 1.0
BACKBEAT_PACE = 0.7
GHOST_PACE = 0.8
COLOUR_PACE = 0.45


def pace_hits(score, rest=1.0):
    """(pip, weight) of every stroke of the groove, weighed by the roles
    that play it; ``rest`` scales the hits of no other role (0 leaves only
    the kick, the backbeat and the ghost notes)."""
    kicks = {round(h.pip, 6): h.weight for h in score.kick}
    backbeats = {round(h.pip, 6): h for h in score.backbeat}
    out = []
    for h in score.everything:
        at = round(h.pip, 6)
        w = 0.0
        if at in kicks:
            w += KICK_PACE * kicks[at]
        b = backbeats.get(at)
        if b is not None and not score.backbeat_is_kick:
            w += GHOST_PACE * (0.5 + 0.5 * b.weight) if b.ghost else BACKBEAT_PACE * b.weight
        elif h.ghost:
            w += GHOST_PACE * (0.5 + 0.5 * h.weight)
        if not w:
            w = rest * COLOUR_PACE * (0.4 + 0.6 * h.weight)
        if w > 0.0:
            out.append((h.pip, w))
    return out

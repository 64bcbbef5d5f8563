"""What several shapes share: which side a hit goes to, the anchors of a
phrase, and the last steps from components to rows."""
import math
from typing import List, Sequence, Tuple

from ..grooves import PIPS_PER_BEAT
from ..model import Rows
from .score import Hit

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
    right (+1) and left (-1); a ghost note falls to the free hand, opposite
    the main stroke before it. An odd number of main strokes cannot
    alternate round the loop, so then the half of the bar decides (first
    half right, second half left)."""
    mains = [h for h in hits if not h.ghost] or list(hits)
    if len(mains) % 2:
        return [1.0 if (h.pip % 256) < 128 else -1.0 for h in hits]
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
    """Scales a component about its mean just enough that no step between
    rows, the wrap included, exceeds the limit."""
    step = max(abs(values[i] - values[i - 1]) for i in range(len(values)))
    if step <= STEP_LIMIT:
        return values
    k = STEP_LIMIT / step
    mean = (max(values) + min(values)) / 2.0
    return [mean + (v - mean) * k for v in values]


def rows(x: Sequence[float], y: Sequence[float], z: Sequence[float], dims: int) -> Rows:
    """Rows of the components the dimensions admit; the others stay 0.0."""
    x, y = limit_steps(list(x)), limit_steps(list(y))
    if dims < 3:
        return [(a, b, 0.0) for a, b in zip(x, y)]
    z = limit_steps(list(z))
    return list(zip(x, y, z))


def polar(radius: Sequence[float], angle: Sequence[float]) -> Tuple[List[float], List[float]]:
    return ([r * math.cos(a) for r, a in zip(radius, angle)],
            [r * math.sin(a) for r, a in zip(radius, angle)])

"""Rhythm rules shared by the pulse-sum tables: stickings and grids."""
from typing import List, Sequence, Tuple

from .motion import Pulse, euclid_onsets

HAND_SIGN = {"R": 1.0, "L": -1.0}


def sticking_pulses(
    sticking: str,
    period: int,
    half_width: float,
    accents: Sequence[int],
    accent: Tuple[float, float],
    plain: Tuple[float, float],
) -> List[Pulse]:
    """One pulse per stroke on an even grid over the period.

    ``sticking`` is a string of R and L (blanks ignored); R moves to +x and
    L to -x. ``accent`` and ``plain`` are the (x, y) amplitudes of accented
    and other strokes; x takes the hand's sign.
    """
    hands = sticking.replace(" ", "")
    pulses = []
    for k, hand in enumerate(hands):
        ax, ay = accent if k in accents else plain
        pulses.append((period * k / len(hands), half_width, (HAND_SIGN[hand] * ax, ay, 0.0)))
    return pulses


def euclid_centres(k: int, n: int, span: float) -> List[float]:
    """Pip centres of k evenly distributed onsets on an n-step grid over ``span`` pips."""
    return [span * step / n for step in euclid_onsets(k, n)]

"""Played grooves: a drum programme read as motion.

Every hit is a stroke whose extreme lands exactly on the hit: a short
raised-cosine approach, then a longer rebound. Kick, snare and ghost notes
share the vertical lane (the kick drops, the snare and its ghost notes lift),
the hats sway from side to side, alternating hit by hit. The played table
takes each hit at its recorded timing; its grid twin plays the same hits on
the sixteenth-note grid (16 pips).
"""
import math
from dataclasses import dataclass
from typing import List, Sequence

from ..authored import Hit, load_programme
from ..model import Rows
from ..motion import looped_response

SIXTEENTH = 16


@dataclass(frozen=True)
class Voice:
    lane: int  # 0: x, 1: y
    sign: float  # direction of the stroke; 0 for alternating sides
    gain: float  # extreme of a hit at velocity 127
    rise: int  # pips of approach before the hit
    fall: int  # pips of rebound after it


# Approach and rebound fit inside a sixteenth, so on the grid every hit's
# extreme sits exactly on its own pip.
VOICES = {
    "kick": Voice(1, -1.0, 0.8, 6, 16),
    "snare": Voice(1, 1.0, 0.72, 6, 14),
    "ghost": Voice(1, 1.0, 0.6, 4, 10),
    "hat": Voice(0, 0.0, 0.5, 5, 11),
}


def stroke(rise: int, fall: int):
    """Kernel of one stroke, by age since the approach began (peak at ``rise``)."""

    def kernel(age: float) -> float:
        if age < rise:
            return (1.0 - math.cos(math.pi * age / rise)) / 2.0
        if age < rise + fall:
            return (1.0 + math.cos(math.pi * (age - rise) / fall)) / 2.0
        return 0.0

    return kernel


def check_programme(file_name: str, hits: Sequence[Hit], period: int) -> None:
    steps = period // SIXTEENTH
    taken = {}
    for hit in hits:
        if hit.voice not in VOICES:
            raise ValueError("%s: unknown voice %r" % (file_name, hit.voice))
        if not 0 <= hit.step < steps or abs(hit.offset) >= SIXTEENTH // 2:
            raise ValueError("%s: hit %r off the excerpt" % (file_name, hit))
        key = (VOICES[hit.voice].lane, hit.step)
        if key in taken:
            raise ValueError("%s: %s and %s share a lane at step %d"
                             % (file_name, taken[key], hit.voice, hit.step))
        taken[key] = hit.voice


def groove(file_name: str, played: bool):
    """Builder of a groove table from the drum programme in ``file_name``."""

    def build(period: int) -> Rows:
        hits = sorted(load_programme("initial", file_name), key=lambda h: h.step)
        check_programme(file_name, hits, period)
        lanes: List[List[float]] = [[0.0] * period, [0.0] * period]
        for name, voice in VOICES.items():
            events = []
            for n, hit in enumerate(h for h in hits if h.voice == name):
                onset = SIXTEENTH * hit.step + (hit.offset if played else 0)
                side = voice.sign or (1.0 if n % 2 == 0 else -1.0)
                events.append((onset - voice.rise, side * voice.gain * hit.velocity / 127))
            response = looped_response(period, events, stroke(voice.rise, voice.fall), tail_cycles=0)
            lanes[voice.lane] = [a + b for a, b in zip(lanes[voice.lane], response)]
        return [(x, y, 0.0) for x, y in zip(*lanes)]

    return build

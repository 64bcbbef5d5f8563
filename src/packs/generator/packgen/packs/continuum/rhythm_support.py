"""What the rhythm-study families of the continuum pack share: the numbers
and words of a name, their authored data (data/continuum/), and the grid.

Every rhythm study starts its phrase on a downbeat at row 0 and places its
events on the grid its name implies: a beat is 64 pips, an eighth 32, a
sixteenth 16 and a triplet eighth 64/3.
"""
from fractions import Fraction
from typing import Callable, Dict, Tuple

from ... import authored
from . import RECORDS

BEAT = 64
EIGHTH = 32
SIXTEENTH = 16
BAR = 4 * BEAT


def load_json(file_name: str):
    return authored.load_json("continuum", file_name)


def read_table(file_name: str):
    """Tab-separated fields of the data lines of data/continuum/<file_name>."""
    return [fields for _number, fields in authored.read_table("continuum", file_name)]


def fraction(text) -> Fraction:
    """An exact number from data: an integer, a decimal or a fraction a/b."""
    return Fraction(str(text))


def name_parts(name: str, prefix: str) -> Tuple[str, ...]:
    """The underscore-separated words after ``prefix``: numbers stay text."""
    if not name.startswith(prefix):
        raise ValueError("%s does not start with %s" % (name, prefix))
    return tuple(name[len(prefix):].split("_"))


def family(prefix: str, rule: Callable[..., Callable]) -> Dict[str, Callable]:
    """Builders for every continuum record named prefix + parts: rule(name, *parts).

    Parts that are numbers are passed as integers, words as text.
    """
    builders = {}
    for record in RECORDS:
        if record.name.startswith(prefix):
            parts = [int(p) if p.isdigit() else p for p in name_parts(record.name, prefix)]
            builders[record.name] = rule(record.name, *parts)
    if not builders:
        raise ValueError("no records named " + prefix)
    return builders


def note_runs(period: int, notes, move: float, share: float = 0.75):
    """Timed runs (see motion.timed_runs) that arrive at each note's point on
    its onset pip and hold it until the next note's move begins.

    ``notes`` are (onset pip, point) in any order over one cycle (onsets may
    be fractional). A move takes ``move`` pips, or ``share`` of the time since
    the previous note where that is shorter, so quick notes stay quick.
    """
    ordered = sorted(((onset % period, tuple(point)) for onset, point in notes))
    runs = []
    for k, (onset, point) in enumerate(ordered):
        before = ordered[k - 1][0] - (period if k == 0 else 0)
        gap = onset - before
        length = min(move, share * gap)
        start = before if length >= gap else onset - length
        if start < 0:
            # The move into the first note starts in the previous cycle.
            start, onset = start + period, onset + period
        runs.append((start, onset, [point]))
    runs.sort(key=lambda run: run[0])
    return runs

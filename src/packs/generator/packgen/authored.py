"""Readers of the authored data files and the table they describe.

The files are tab-separated, one item a line, '#' comments and blank lines
ignored:

- ``keyframes.tsv``: pattern, lane (x or y), pip, value, ease. The ease
  (a name in ``motion.EASES``) shapes the segment from this key to the next;
  the last segment returns to the first key one period later.
- ``gestures.tsv``: pattern, centre pip, half-width in pips, x, y: one
  raised-cosine gesture each. A centre may be a fraction a/b.
- ``stickings.tsv``: pattern, sticking.
- drum programmes (``groove_*.tsv``): voice, sixteenth step, velocity,
  timing offset in pips.
"""
import json
from collections import defaultdict
from dataclasses import dataclass
from typing import Dict, List, Sequence, Tuple

from .model import Rows
from .motion import EASES, keyframe_chain, pulse_sum
from .records import data_path

LANES = ("x", "y")


def read_table(*parts: str) -> List[Tuple[int, List[str]]]:
    """(line number, fields) of every data line of a tab-separated file."""
    lines = []
    with open(data_path(*parts), encoding="utf-8", newline="\n") as stream:
        for number, line in enumerate(stream, 1):
            line = line.rstrip("\n")
            if line.strip() and not line.startswith("#"):
                lines.append((number, line.split("\t")))
    return lines


def load_json(*parts: str):
    """A small JSON data file, for authored data with nested structure."""
    with open(data_path(*parts), encoding="utf-8") as stream:
        return json.load(stream)


def load_columns(*parts: str) -> List[Dict[str, float]]:
    """Rows of a tab-separated table of numbers as dicts keyed by its header.

    Lines starting with '#' are comments; the first other line is the header.
    """
    lines = [fields for _number, fields in read_table(*parts)]
    header = lines[0]
    return [dict(zip(header, (float(v) for v in fields))) for fields in lines[1:]]


def fields_of(parts: Sequence[str], number: int, fields: List[str], count: int) -> List[str]:
    if len(fields) != count:
        raise ValueError("%s:%d: expected %d tab-separated fields" % (parts[-1], number, count))
    return fields


def parse_number(text: str) -> float:
    """A decimal, or a fraction a/b evaluated in double precision."""
    if "/" in text:
        numerator, denominator = text.split("/")
        return float(numerator) / float(denominator)
    return float(text)


Keys = List[Tuple[int, float, object]]


def load_keyframes(*parts: str) -> Dict[str, Dict[str, Keys]]:
    """pattern -> lane -> keys (pip, value, ease), in file order."""
    out: Dict[str, Dict[str, Keys]] = defaultdict(dict)
    for number, fields in read_table(*parts):
        name, lane, pip, value, ease = fields_of(parts, number, fields, 5)
        if lane not in LANES or ease not in EASES:
            raise ValueError("%s:%d: unknown lane or ease" % (parts[-1], number))
        keys = out[name].setdefault(lane, [])
        if keys and int(pip) <= keys[-1][0]:
            raise ValueError("%s:%d: keyframes must ascend" % (parts[-1], number))
        keys.append((int(pip), float(value), EASES[ease]))
    return dict(out)


Gesture = Tuple[float, float, Tuple[float, float, float]]


def load_gestures(*parts: str) -> Dict[str, List[Gesture]]:
    """pattern -> gestures (centre, half-width, (x, y, 0))."""
    out: Dict[str, List[Gesture]] = defaultdict(list)
    for number, fields in read_table(*parts):
        name, centre, width, x, y = fields_of(parts, number, fields, 5)
        out[name].append((parse_number(centre), float(width), (float(x), float(y), 0.0)))
    return dict(out)


def load_stickings(*parts: str) -> Dict[str, str]:
    return {
        fields_of(parts, n, f, 2)[0]: f[1] for n, f in read_table(*parts)
    }


@dataclass(frozen=True)
class Hit:
    voice: str
    step: int  # sixteenth of the excerpt, 16 pips each
    velocity: int  # 1 to 127
    offset: int  # played timing against the grid, in pips


def load_programme(*parts: str) -> List[Hit]:
    hits = []
    for number, fields in read_table(*parts):
        voice, step, velocity, offset = fields_of(parts, number, fields, 4)
        hit = Hit(voice, int(step), int(velocity), int(offset))
        if not 1 <= hit.velocity <= 127:
            raise ValueError("%s:%d: velocity outside 1 to 127" % (parts[-1], number))
        hits.append(hit)
    return hits


def shaped_table(keyframes: Dict[str, Keys], gestures: Sequence[Gesture]):
    """Builder of a table whose lanes are keyframe chains plus gestures."""

    def build(period: int) -> Rows:
        rows = pulse_sum(period, gestures)
        zero = [0.0] * period
        xs, ys = (keyframe_chain(period, keyframes[lane]) if lane in keyframes else zero
                  for lane in LANES)
        return [(x + xs[i], y + ys[i], z) for i, (x, y, z) in enumerate(rows)]

    return build


def shaped_tables(pack: str, names: Sequence[str]):
    """Builders of the named tables from the pack's keyframes and gestures."""
    keyframes = load_keyframes(pack, "keyframes.tsv")
    gestures = load_gestures(pack, "gestures.tsv")
    unused = (set(keyframes) | set(gestures)) - set(names)
    if unused:
        raise ValueError("authored data for no table: " + ", ".join(sorted(unused)))
    missing = [n for n in names if n not in keyframes and n not in gestures]
    if missing:
        raise ValueError("no authored data for: " + ", ".join(missing))
    return {n: shaped_table(keyframes.get(n, {}), gestures.get(n, [])) for n in names}

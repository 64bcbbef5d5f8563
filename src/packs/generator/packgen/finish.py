"""Rounding of raw rows and the invariants every pack table keeps."""
import math
import re
from typing import List, Sequence

from .model import Pack, Pattern, Row

LOWEST = -0.92
HIGHEST = 1.0
MAX_STEP = 0.25
NAME = re.compile(r"[a-z0-9_]{8,32}\Z")
BUILTIN_NAMES = {
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix",
    "vorn_background", "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll",
    "single_paradiddle", "flam", "drag", "five_stroke_roll",
}
DESCRIPTION_EXTRAS = {"\u2014", "\u2013"}  # em dash, en dash


class TableError(ValueError):
    pass


def round12(value: float) -> float:
    """The double nearest the value rounded to twelve decimal places.

    Python's round() is correctly rounded; adding 0.0 turns -0.0 into 0.0.
    """
    return round(value, 12) + 0.0


def finish_rows(pattern: Pattern) -> List[Row]:
    raw = pattern.build(pattern.period)
    if len(raw) != pattern.period:
        raise TableError("%s: %d rows for period %d" % (pattern.name, len(raw), pattern.period))
    rows = []
    for row in raw:
        if len(row) != 3:
            raise TableError("%s: a row of %d components" % (pattern.name, len(row)))
        rows.append((round12(row[0]), round12(row[1]), round12(row[2])))
    check_table(pattern, rows)
    return rows


def check_record(pattern: Pattern) -> None:
    where = pattern.name
    if not NAME.match(pattern.name) or pattern.name in BUILTIN_NAMES:
        raise TableError("%s: invalid pack pattern name" % where)
    size = len(pattern.description.encode("utf-8"))
    if not 43 <= size <= 235:
        raise TableError("%s: description of %d bytes" % (where, size))
    odd = {c for c in pattern.description if ord(c) > 127} - DESCRIPTION_EXTRAS
    if odd:
        raise TableError("%s: description uses %r" % (where, sorted(odd)))
    if pattern.period % 32 or not 160 <= pattern.period <= 1024:
        raise TableError("%s: period %d" % (where, pattern.period))
    if pattern.dimensions not in (1, 2, 3):
        raise TableError("%s: dimensions %d" % (where, pattern.dimensions))
    if pattern.y_only and pattern.dimensions != 2:
        raise TableError("%s: only two-dimensional patterns move on y alone" % where)


def check_table(pattern: Pattern, rows: Sequence[Row]) -> None:
    where = pattern.name
    for i, row in enumerate(rows):
        for v in row:
            if not math.isfinite(v) or not LOWEST <= v <= HIGHEST:
                raise TableError("%s: row %d holds %r, outside [-0.92, 1.0]" % (where, i, row))
    for axis in range(3):
        column = [row[axis] for row in rows]
        still = all(v == column[0] for v in column)
        must_move = axis < pattern.dimensions and not (axis == 0 and pattern.y_only)
        if axis >= pattern.dimensions or (axis == 0 and pattern.y_only):
            if any(v != 0.0 for v in column):
                raise TableError("%s: component %s must be 0.0 in every row" % (where, "xyz"[axis]))
        elif must_move and still:
            raise TableError("%s: component %s never moves" % (where, "xyz"[axis]))
        if not pattern.follows_source:
            for i in range(len(column)):
                step = abs(column[i] - column[i - 1])
                if step > MAX_STEP:
                    raise TableError(
                        "%s: %s jumps by %.3f between rows %d and %d"
                        % (where, "xyz"[axis], step, (i - 1) % len(column), i)
                    )


def check_packs(packs: Sequence[Pack]) -> None:
    seen = set()
    for pack in packs:
        for pattern in pack.patterns:
            check_record(pattern)
            if pattern.name in seen:
                raise TableError("%s: name used twice" % pattern.name)
            seen.add(pattern.name)

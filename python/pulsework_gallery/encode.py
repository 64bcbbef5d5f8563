"""Compact embedding of sample tables in the page.

Each table is stored as little-endian signed 16-bit integers, value * 32767
rounded to nearest, one row after another, keeping only the leading
components that the pattern moves (a 2-D pattern stores x, y per row). The
largest error of a component is 1/65534, far below a pixel at any size the
page draws. The bytes go into the page as base64, one string per pattern,
which the page decodes only when it first shows the pattern.
"""
import base64
import sys
from array import array
from itertools import chain
from typing import Iterable, List, Sequence, Tuple

SCALE = 32767.0


class EncodingError(ValueError):
    pass


def used_components(rows: Sequence[Sequence[float]]) -> int:
    """1, 2 or 3: how many leading components hold anything but zero."""
    if any(row[2] != 0.0 for row in rows):
        return 3
    if any(row[1] != 0.0 for row in rows):
        return 2
    return 1


def encode_rows(rows: Sequence[Sequence[float]], components: int) -> str:
    """base64 of the first `components` components of every row, as int16."""
    values: Iterable[float]
    if components == 3:
        values = chain.from_iterable(rows)
    else:
        values = (value for row in rows for value in row[:components])
    try:
        packed = array("h", map(round, map(SCALE.__mul__, values)))
    except (ValueError, OverflowError):
        raise EncodingError("samples must be finite and within [-1, 1]") from None
    if sys.byteorder == "big":
        packed.byteswap()
    return base64.b64encode(packed.tobytes()).decode("ascii")


def decode_rows(text: str, components: int) -> List[Tuple[float, ...]]:
    """The rows that `encode_rows` stored, back as floats (for checks and tools)."""
    packed = array("h")
    packed.frombytes(base64.b64decode(text))
    if sys.byteorder == "big":
        packed.byteswap()
    values = [q / SCALE for q in packed]
    rows: List[Tuple[float, ...]] = []
    for start in range(0, len(values), components):
        row = values[start:start + components]
        rows.append(tuple(row) + (0.0,) * (3 - components))
    return rows

"""Arrays: whole periods and many pips at once, as numpy arrays.

Needs numpy (`python -m pip install "pulsework[arrays]"`). Conventions: a
position array has a last axis of three (x, y, z), float64; pips are any
integers (int64 or narrower, negative included), reduced modulo the
pattern's period as every pattern loops, so `render` equals calling
`sample` pip by pip, bit for bit, wherever `sample` takes the pip, and
carries the loop on beyond the 32-bit range that `sample` takes.

- `table(name)`: one period, a read-only (period, 3) array.
- `render(name, pips)`: the positions at an array of pips.
"""
from __future__ import annotations

import collections
import threading
from typing import Any, Dict, Optional, Tuple

from .shaping import pattern_period

try:
    import numpy as np
except ImportError:  # pragma: no cover - the message is the point
    np = None  # type: ignore[assignment]

NUMPY_MISSING = 'pulsework_motion.arrays needs numpy: python -m pip install "pulsework[arrays]"'
# Tables of library patterns kept for reuse, most recent last. Each entry
# holds its library, so that a library's id is never taken by another while
# its tables are kept.
LIBRARY_TABLES = 64

_lock = threading.Lock()
_default_tables: Dict[str, Any] = {}
_library_tables: "collections.OrderedDict[Tuple[int, str], Tuple[Any, Any]]" = \
    collections.OrderedDict()


def _numpy() -> Any:
    if np is None:
        raise ImportError(NUMPY_MISSING)
    return np


def _build(name: str, library: Any) -> Any:
    numpy = _numpy()
    period = pattern_period(name, library)
    if library is None:
        import pulsework

        sample = pulsework.sample
    else:
        sample = library.sample
    rows = numpy.array([sample(name, pip).as_tuple() for pip in range(period)],
                       dtype=numpy.float64).reshape(period, 3)
    rows.flags.writeable = False
    return rows


def table(name: str, library: Any = None) -> Any:
    """One period of a pattern, a read-only (period, 3) float64 array: row p
    is `sample(name, p)`. `library` is a PatternLibrary the name may come
    from (with the defaults).

    >>> table("bounce").shape
    (64, 3)
    """
    if not isinstance(name, str):
        raise TypeError("name must be a str, found %s" % type(name).__name__)
    with _lock:
        if library is None:
            rows = _default_tables.get(name)
        else:
            entry = _library_tables.get((id(library), name))
            rows = entry[1] if entry is not None and entry[0] is library else None
            if rows is not None:
                _library_tables.move_to_end((id(library), name))
    if rows is not None:
        return rows
    rows = _build(name, library)
    with _lock:
        if library is None:
            rows = _default_tables.setdefault(name, rows)
        else:
            _library_tables[(id(library), name)] = (library, rows)
            while len(_library_tables) > LIBRARY_TABLES:
                _library_tables.popitem(last=False)
    return rows


def wrap(pips: Any, period: int) -> Any:
    """Pips reduced to 0..period-1 (the row of each), as an int64 array of
    the same shape; TypeError for anything but integers."""
    numpy = _numpy()
    pips = numpy.asarray(pips)
    if pips.dtype.kind not in "iu" or pips.dtype == numpy.uint64:
        if pips.dtype == numpy.uint64:
            return numpy.remainder(pips, numpy.uint64(period)).astype(numpy.int64)
        raise TypeError("pips must be integers, found an array of %s" % pips.dtype)
    pips = pips.astype(numpy.int64, copy=False)
    if period & (period - 1) == 0:
        # Two's complement: the low bits are the non-negative remainder.
        return numpy.bitwise_and(pips, period - 1)
    # pip - floor(pip / period) * period: numpy divides by a constant
    # without a division instruction, which its remainder does not.
    rows = numpy.floor_divide(pips, period)
    rows *= period
    return numpy.subtract(pips, rows, out=rows)


def render(name: str, pips: Any, library: Any = None, out: Optional[Any] = None) -> Any:
    """The positions of a pattern at an array of pips: shape pips.shape + (3,),
    float64, equal bit for bit to `sample(name, pip).as_tuple()` for each.
    `out`, when given, is a C-contiguous float64 array of that shape to fill.

    >>> render("bounce", [0, 32, -32]).tolist()
    [[-1.0, 0.0, 0.0], [1.0, 0.0, 0.0], [1.0, 0.0, 0.0]]
    """
    numpy = _numpy()
    rows = table(name, library)
    period = rows.shape[0]
    rows_of = wrap(pips, period)
    # Each row as one 24-byte item: one gather of whole rows.
    items = rows.view(numpy.dtype((numpy.void, 24))).reshape(period)
    shape = rows_of.shape + (3,)
    if out is not None:
        if out.shape != shape or out.dtype != numpy.float64 or not out.flags.c_contiguous:
            raise ValueError("out must be a C-contiguous float64 array of shape %s" % (shape,))
        numpy.take(items, rows_of, out=out.view(items.dtype).reshape(rows_of.shape))
        return out
    return numpy.take(items, rows_of).view(numpy.float64).reshape(shape)

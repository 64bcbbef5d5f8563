"""Shaping: one pattern played by N copies as a lighting desk plays an effect.

Conventions, for copy i of N (0-based, along the row) at master pip P:

- Speed (any positive fraction): the row's own time is t = floor(P * speed).
- Spread, in degrees of the pattern's period (360 is one period), shared
  evenly among the places of the row: copy i at place j runs
  round(spread * j * period / (360 * places)) pattern pips behind place 0
  (rounded exactly, halves to even). A negative spread runs the other way.
- Wings (the desk's convention): the row is two wings mirrored about its
  centre, so copy i and copy N-1-i share a place (j = min(i, N-1-i), over
  ceil(N/2) places). Only the phase is mirrored; every copy moves the same
  way (make a wing move the other way by inverting its channels).
- Blocks of k: k neighbouring places share one phase (j becomes j // k,
  over ceil(places / k) places).
- Spread by position: given each copy's position along the row (`where`,
  any unit: metres along a truss, or distance from a point), copy i runs
  round(spread * (w_i - min) / (max - min) * (N - 1) / N * period / 360)
  pattern pips behind the nearest, so evenly spaced copies get the lags
  of their order. Wings and blocks do not apply.
- Reverse plays the pattern backwards in time; ping-pong plays it forwards
  then backwards (a cycle of twice the period, turning at its ends).
- Size (overall or per axis), then rotation in the x/y plane (degrees,
  counter-clockwise), then the fade level, then the centre offset:
  position = centre + level * rotate(size * sample).
- Fades: the level is 0 before pip `start` (when given) and rises to 1
  over `fade_in` beats from there (from pip 0 when no start is given); it
  falls to 0 at pip `end` (when given) over `fade_out` beats before it, and
  stays 0 from `end` on. The master pip counts, not the copy's.

`Motion` holds one pattern, its shaping and its copies ready to sample, the
way a program that asks every frame should keep it; `positions()` is the
same for a single question.
"""
from __future__ import annotations

import math
import re
from fractions import Fraction
from typing import Any, Callable, Dict, List, Optional, Sequence, Tuple, Union

from .clock import PIPS_PER_BEAT

Number = Union[int, float, Fraction]
Triple = Tuple[float, float, float]
SizeLike = Union[Number, Sequence[Number]]
SpeedLike = Union[Number, str]

MAX_SPEED = 64
MAX_SPREAD = 36000
MAX_COPIES = 65536
MAX_FADE_BEATS = 1_000_000

# A number or fraction as a text: "2", "0.75", "3/4", "-90".
_FRACTION_TEXT = re.compile(r"[+-]?\d+(\.\d+)?(/\d+)?")

_FIELDS = ("size", "centre", "speed", "spread", "reverse", "wings", "blocks", "pingpong",
           "rotation", "fade_in", "fade_out", "start", "end")


class ShapingError(ValueError):
    """A shaping setting that cannot be used: `field` names it, `rule` says
    what it must be and `value` is what was given."""

    def __init__(self, field: str, rule: str, value: object) -> None:
        super().__init__("%s: %s, found %r" % (field, rule, value))
        self.field = field
        self.rule = rule
        self.value = value


def _is_number(value: object) -> bool:
    return isinstance(value, (int, float, Fraction)) and not isinstance(value, bool) \
        and math.isfinite(value)


def _fraction(value: object) -> Fraction:
    """A number or a text "p/q" as an exact fraction (a float by its shortest repr)."""
    if isinstance(value, str):
        text = "".join(value.split())
        if len(text) > 64 or not _FRACTION_TEXT.fullmatch(text):
            raise ValueError
        return Fraction(text)
    if not _is_number(value):
        raise ValueError
    if isinstance(value, float):
        return Fraction(repr(value))
    assert isinstance(value, (int, Fraction))
    return Fraction(value)


def parse_speed(value: SpeedLike) -> Fraction:
    """A speed as a Fraction above 0 and at most 64: a number (2, 0.5) or a
    text "p/q" ("3/4")."""
    try:
        speed = _fraction(value)
    except (ValueError, ZeroDivisionError):
        speed = Fraction(0)
    if not 0 < speed <= MAX_SPEED:
        raise ShapingError("speed", 'must be a number above 0 and at most %d, or a fraction such '
                                    'as "1/2" or "3/4"' % MAX_SPEED, value)
    return speed


def _triple(field: str, value: object, scalar: bool, low: float) -> Triple:
    if _is_number(value) and scalar:
        assert isinstance(value, (int, float, Fraction))
        values: List[Any] = [value] * 3
    elif isinstance(value, (list, tuple)) and 1 <= len(value) <= 3:
        values = list(value) + [1.0 if scalar else 0.0] * (3 - len(value))
    else:
        values = []
    if len(values) != 3 or not all(_is_number(v) and v >= low for v in values):
        what = "a number" if scalar else ""
        raise ShapingError(field, "must be %s%s[x, y, z] of finite numbers%s" % (
            what, " or " if what else "", " of at least %g" % low if low > -math.inf else ""),
            value)
    return (float(values[0]), float(values[1]), float(values[2]))


def _beats(field: str, value: object) -> Fraction:
    try:
        beats = _fraction(value)
    except (ValueError, ZeroDivisionError):
        beats = Fraction(-1)
    if not 0 <= beats <= MAX_FADE_BEATS:
        raise ShapingError(field, "must be a number of beats from 0 to %d" % MAX_FADE_BEATS,
                           value)
    return beats


def _flag(field: str, value: object) -> bool:
    if not isinstance(value, bool):
        raise ShapingError(field, "must be True or False", value)
    return value


def _whole(field: str, value: object, low: int, high: int, optional: bool = False) -> Any:
    if value is None and optional:
        return None
    if isinstance(value, bool) or not isinstance(value, int) or not low <= value <= high:
        raise ShapingError(field, "must be a whole number from %d to %d" % (low, high), value)
    return value


class Shaping:
    """How a pattern is played: size, centre, speed, spread, reverse, wings,
    blocks, ping-pong, rotation and fades (see the module's conventions).

    Immutable and hashable; `replace(**changes)` gives a changed copy. Every
    argument is checked: a bad one raises ShapingError naming it.

    >>> Shaping(size=0.5, speed="1/2", spread=360, wings=True)
    Shaping(size=0.5, speed='1/2', spread=360, wings=True)
    """

    __slots__ = _FIELDS

    size: Triple
    centre: Triple
    speed: Fraction
    spread: Fraction
    reverse: bool
    wings: bool
    blocks: int
    pingpong: bool
    rotation: float
    fade_in: Fraction
    fade_out: Fraction
    start: Optional[int]
    end: Optional[int]

    def __init__(self, *, size: SizeLike = 1.0, centre: Sequence[Number] = (0.0, 0.0, 0.0),
                 speed: SpeedLike = 1, spread: SpeedLike = 0, reverse: bool = False,
                 wings: bool = False, blocks: int = 1, pingpong: bool = False,
                 rotation: Number = 0.0, fade_in: SpeedLike = 0, fade_out: SpeedLike = 0,
                 start: Optional[int] = None, end: Optional[int] = None) -> None:
        try:
            spread_value = _fraction(spread)
        except (ValueError, ZeroDivisionError):
            spread_value = Fraction(MAX_SPREAD + 1)
        if abs(spread_value) > MAX_SPREAD:
            raise ShapingError("spread", "must be an angle in degrees from %d to %d"
                               % (-MAX_SPREAD, MAX_SPREAD), spread)
        if not _is_number(rotation):
            raise ShapingError("rotation", "must be a finite angle in degrees", rotation)
        values = dict(
            size=_triple("size", size, True, 0.0),
            centre=_triple("centre", centre, False, -math.inf),
            speed=parse_speed(speed), spread=spread_value,
            reverse=_flag("reverse", reverse), wings=_flag("wings", wings),
            blocks=_whole("blocks", blocks, 1, MAX_COPIES),
            pingpong=_flag("pingpong", pingpong), rotation=float(rotation),
            fade_in=_beats("fade_in", fade_in), fade_out=_beats("fade_out", fade_out),
            start=_whole("start", start, -2**63, 2**63 - 1, optional=True),
            end=_whole("end", end, -2**63, 2**63 - 1, optional=True))
        for field, value in values.items():
            object.__setattr__(self, field, value)

    def __setattr__(self, name: str, value: object) -> None:
        raise AttributeError("a Shaping cannot be changed; use replace()")

    def _values(self) -> Tuple[Any, ...]:
        return tuple(getattr(self, field) for field in _FIELDS)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Shaping) and self._values() == other._values()

    def __hash__(self) -> int:
        return hash(self._values())

    def __repr__(self) -> str:
        return "Shaping(%s)" % ", ".join("%s=%r" % item for item in self.changes().items())

    def __reduce__(self) -> Tuple[Any, ...]:
        return (_rebuild, (self.changes(),))

    def replace(self, **changes: Any) -> "Shaping":
        """A copy with the given fields changed."""
        unknown = sorted(set(changes) - set(_FIELDS))
        if unknown:
            raise TypeError("Shaping has no field %s" % ", ".join(unknown))
        values = {field: getattr(self, field) for field in _FIELDS}
        values.update(changes)
        return Shaping(**values)

    def changes(self) -> Dict[str, Any]:
        """The fields that differ from the defaults, in plain values (numbers,
        texts "p/q" for fractions that are not whole, lists for triples), as
        a rig file or JSON would hold them."""
        out: Dict[str, Any] = {}
        for field in _FIELDS:
            value = getattr(self, field)
            if value == getattr(_DEFAULT, field):
                continue
            if isinstance(value, Fraction):
                value = value.numerator if value.denominator == 1 else str(value)
            elif field == "size" and value[0] == value[1] == value[2]:
                value = value[0]
            elif isinstance(value, tuple):
                value = list(value)
            out[field] = value
        return out

    @property
    def is_identity(self) -> bool:
        """Whether positions are the pattern's own samples (only time is shaped)."""
        return (self.size == (1.0, 1.0, 1.0) and self.centre == (0.0, 0.0, 0.0)
                and self.rotation % 360 == 0 and self.fade_in == 0 and self.start is None
                and self.end is None)

    def level(self, pip: int) -> float:
        """The fade level at master pip `pip`, from 0 to 1."""
        level = 1.0
        start = self.start
        if start is not None and pip < start:
            return 0.0
        if self.fade_in:
            since = pip - (start or 0)
            if since < 0:
                return 0.0
            level = min(level, float(since / (self.fade_in * PIPS_PER_BEAT)))
        if self.end is not None:
            if pip >= self.end:
                return 0.0
            if self.fade_out:
                level = min(level, float((self.end - pip) / (self.fade_out * PIPS_PER_BEAT)))
        return level


def _rebuild(changes: Dict[str, Any]) -> Shaping:
    return Shaping(**changes)


_DEFAULT = Shaping()


def rotation_terms(degrees: float) -> Tuple[float, float]:
    """(cos, sin) of an angle in degrees, exact at multiples of 90."""
    quarter = degrees / 90.0
    if quarter == math.floor(quarter):
        return ((1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0))[int(quarter) % 4]
    radians = math.radians(degrees)
    return math.cos(radians), math.sin(radians)


def places(shaping: Shaping, copies: int) -> Tuple[List[int], int]:
    """(the place of each copy along the spread, how many places there are)."""
    if shaping.wings:
        count = (copies + 1) // 2
        where = [min(i, copies - 1 - i) for i in range(copies)]
    else:
        count = copies
        where = list(range(copies))
    blocks = shaping.blocks
    return [place // blocks for place in where], -(-count // blocks)


def lags(shaping: Shaping, copies: int, period: int,
         where: Optional[Sequence[float]] = None) -> List[int]:
    """How many pattern pips each copy runs behind the first place (or,
    given each copy's position `where`, behind the nearest)."""
    if where is None:
        at, count = places(shaping, copies)
        step = shaping.spread * period / (360 * count)
        return [round(step * place) for place in at]
    low, high = min(where), max(where)
    if high == low:
        return [0] * copies
    scale = shaping.spread * period * (copies - 1) / (360 * copies * Fraction(high - low))
    return [round(scale * Fraction(w - low)) for w in where]


def _positions(where: Optional[Sequence[float]], shaping: Shaping, copies: int
               ) -> Optional[List[float]]:
    if where is None:
        return None
    values = list(where)
    if len(values) != copies or not all(_is_number(v) for v in values):
        raise ValueError("where: must give a finite position for each of the %d copies, found %r"
                         % (copies, where))
    if shaping.wings or shaping.blocks > 1:
        raise ValueError("where: a spread by position takes no wings or blocks")
    return [float(v) for v in values]


# The default catalogue's periods, read once.
_default_periods: Optional[Dict[str, int]] = None


def pattern_period(pattern: str, library: Any = None) -> int:
    """The period in pips of a pattern of the catalogue (or of `library`,
    a PatternLibrary, over the defaults); ValueError for an unknown name."""
    global _default_periods
    if library is None:
        if _default_periods is None:
            import pulsework

            _default_periods = {r["name"]: r["period_pips"] for r in pulsework.catalogue()}
        periods = _default_periods
    else:
        periods = {r["name"]: r["period_pips"] for r in library.catalogue()}
    try:
        return periods[pattern]
    except (KeyError, TypeError):
        raise ValueError("Unknown pulsework: %s" % (pattern,)) from None


Sampler = Callable[[str, int], Any]


class Motion:
    """One pattern, its shaping and its copies, ready to ask every frame.

    `library` is a PatternLibrary whose patterns (and the defaults) the name
    may come from. `sample` and `period` replace the module's sampling for
    a source of your own: `sample(name, pip)` returns anything with
    `as_tuple()`. `where` spreads the copies by position (see the module's
    conventions).

    >>> motion = Motion("bounce", Shaping(spread=360), copies=4)
    >>> motion.pattern_pips(0)
    [0, 48, 32, 16]
    """

    def __init__(self, pattern: str, shaping: Optional[Shaping] = None, copies: int = 1, *,
                 library: Any = None, sample: Optional[Sampler] = None,
                 period: Optional[int] = None, where: Optional[Sequence[float]] = None) -> None:
        if shaping is None:
            shaping = _DEFAULT
        if not isinstance(shaping, Shaping):
            raise TypeError("shaping must be a Shaping, found %s" % type(shaping).__name__)
        _whole("copies", copies, 1, MAX_COPIES)
        if period is None:
            period = pattern_period(pattern, library)
        _whole("period", period, 1, 65535)
        if sample is None:
            if library is not None:
                sample = library.sample
            else:
                import pulsework

                sample = pulsework.sample
        self.pattern = pattern
        self.shaping = shaping
        self.copies = copies
        self.period = period
        self.lags = lags(shaping, copies, period, _positions(where, shaping, copies))
        self._sample = sample
        self._speed = (shaping.speed.numerator, shaping.speed.denominator)
        cos, sin = rotation_terms(shaping.rotation)
        self._rotate = (cos, sin) if (cos, sin) != (1.0, 0.0) else None
        self._size = shaping.size if shaping.size != (1.0, 1.0, 1.0) else None
        self._identity = shaping.is_identity

    def time(self, pip: int) -> int:
        """The row's own time at master pip `pip`: floor(pip * speed)."""
        numerator, denominator = self._speed
        return pip * numerator // denominator

    def pattern_pips(self, pip: int) -> List[int]:
        """The pattern pip each copy shows at master pip `pip`, within one period."""
        time = self.time(pip)
        period = self.period
        if self.shaping.pingpong:
            cycle = 2 * period
            sign = -1 if self.shaping.reverse else 1
            return [(period - abs(period - (sign * (time - lag)) % cycle)) % period
                    for lag in self.lags]
        if self.shaping.reverse:
            return [(lag - time) % period for lag in self.lags]
        return [(time - lag) % period for lag in self.lags]

    def positions(self, pip: int) -> List[Triple]:
        """The shaped (x, y, z) of each copy at master pip `pip`."""
        sample, name = self._sample, self.pattern
        samples = [sample(name, p).as_tuple() for p in self.pattern_pips(pip)]
        if self._identity:
            return samples
        return self.shape(samples, pip)

    def shape(self, samples: Sequence[Triple], pip: int) -> List[Triple]:
        """Size, rotation, fade and centre applied to samples taken at master pip `pip`."""
        level = self.shaping.level(pip)
        cx, cy, cz = self.shaping.centre
        size, rotate = self._size, self._rotate
        out = []
        for x, y, z in samples:
            if size is not None:
                x, y, z = x * size[0], y * size[1], z * size[2]
            if rotate is not None:
                cos, sin = rotate
                x, y = x * cos - y * sin, x * sin + y * cos
            # (the centre's + also turns a -0.0 into 0.0)
            out.append((cx + level * x, cy + level * y, cz + level * z))
        return out


def positions(pattern: str, pip: int, shaping: Optional[Shaping] = None, copies: int = 1, *,
              library: Any = None) -> List[Triple]:
    """The shaped (x, y, z) of each of `copies` copies of `pattern` at master
    pip `pip`: `Motion(pattern, shaping, copies, library=library).positions(pip)`.

    >>> positions("bounce", 32)
    [(1.0, 0.0, 0.0)]
    """
    return Motion(pattern, shaping, copies, library=library).positions(pip)

"""Event responses over one loop, computed row by row only where an event
reaches.

A kernel is a function of the distance d = row - onset in pips, non-zero on
[-lead, tail]. Sampled once per fractional part of the onset and cached, it
is added into a period-long buffer at the rows it covers, folding round the
loop: a response that runs past the end of the period carries on from row 0,
so the tails of the previous cycle meet the start of the next.
"""
import math
from bisect import bisect_right
from itertools import accumulate
from typing import Callable, Dict, Iterable, List, Sequence, Tuple

TAU = 2.0 * math.pi


class Kernel:
    def __init__(self, f: Callable[[float], float], lead: float, tail: float):
        self.f = f
        self.lead = lead
        self.tail = tail
        self._cache: Dict[float, Tuple[int, List[float]]] = {}

    def at(self, pip: float) -> Tuple[int, List[float]]:
        """(first row, values) of the response to an onset at ``pip``."""
        base = math.floor(pip)
        frac = round(pip - base, 9)
        hit = self._cache.get(frac)
        if hit is None:
            first = math.ceil(frac - self.lead - 1e-9)
            last = math.floor(frac + self.tail + 1e-9)
            hit = (first, [self.f(i - frac) for i in range(first, last + 1)])
            self._cache[frac] = hit
        return base + hit[0], hit[1]


def add(buffer: List[float], pip: float, amplitude: float, kernel: Kernel) -> None:
    """Adds amplitude * kernel(row - pip) into the loop ``buffer``."""
    if amplitude == 0.0:
        return
    first, values = kernel.at(pip)
    period = len(buffer)
    start = first % period
    k, n = 0, len(values)
    while k < n:
        take = min(n - k, period - start)
        buffer[start:start + take] = [
            b + amplitude * v for b, v in zip(buffer[start:start + take], values[k:k + take])
        ]
        k += take
        start = 0


def respond(period: int, hits: Iterable[Tuple[float, float]], kernel: Kernel) -> List[float]:
    """The loop's response to (pip, amplitude) onsets."""
    buffer = [0.0] * period
    for pip, amplitude in hits:
        add(buffer, pip, amplitude, kernel)
    return buffer


# -- kernels ----------------------------------------------------------------

def _rise(d: float, rise: float) -> float:
    return (1.0 - math.cos(math.pi * (d + rise) / rise)) / 2.0


_KERNELS: Dict[tuple, Kernel] = {}


def _kernel(key: tuple, make) -> Kernel:
    if key not in _KERNELS:
        _KERNELS[key] = make()
    return _KERNELS[key]


def stroke(rise: float, fall: float) -> Kernel:
    """A stroke whose extreme lands on the onset: a raised-cosine approach of
    ``rise`` pips, then a raised-cosine release of ``fall`` pips."""

    def f(d: float) -> float:
        if d < -rise or d > fall:
            return 0.0
        if d < 0.0:
            return _rise(d, rise)
        return (1.0 + math.cos(math.pi * d / fall)) / 2.0

    return _kernel(("stroke", rise, fall), lambda: Kernel(f, rise, fall))


def swell(rise: float, decay: float, length: float) -> Kernel:
    """A stroke with a sustained release: peak on the onset, then an
    exponential decay of time constant ``decay`` faded out to zero at
    ``length`` pips."""

    def f(d: float) -> float:
        if d < -rise or d > length:
            return 0.0
        if d < 0.0:
            return _rise(d, rise)
        return math.exp(-d / decay) * (1.0 + math.cos(math.pi * d / length)) / 2.0

    return _kernel(("swell", rise, decay, length), lambda: Kernel(f, rise, length))


def ring(cycle: float, decay: float, length: float) -> Kernel:
    """A struck spring: sin(2 pi d / cycle) e^(-d / decay), at rest before the
    onset (d < 0) and faded to rest at ``length`` pips."""

    def f(d: float) -> float:
        if d <= 0.0 or d >= length:
            return 0.0
        fade = (1.0 + math.cos(math.pi * d / length)) / 2.0
        return math.sin(TAU * d / cycle) * math.exp(-d / decay) * fade

    return _kernel(("ring", cycle, decay, length), lambda: Kernel(f, 0.0, length))


def bump(half_width: float) -> Kernel:
    """A raised-cosine bump of height 1 centred on the onset."""

    def f(d: float) -> float:
        if abs(d) >= half_width:
            return 0.0
        return (1.0 + math.cos(math.pi * d / half_width)) / 2.0

    return _kernel(("bump", half_width), lambda: Kernel(f, half_width, half_width))


def hold(rise: float, length: float, fall: float) -> Kernel:
    """Reaches 1 on the onset, holds for ``length`` pips, then lets go over
    ``fall`` pips: a sustained note."""

    def f(d: float) -> float:
        if d < -rise or d > length + fall:
            return 0.0
        if d < 0.0:
            return _rise(d, rise)
        if d <= length:
            return 1.0
        return (1.0 + math.cos(math.pi * (d - length) / fall)) / 2.0

    return _kernel(("hold", rise, length, fall), lambda: Kernel(f, rise, length + fall))


# -- chains and phases --------------------------------------------------------

def smootherstep(u: float) -> float:
    return u * u * u * (u * (u * 6.0 - 15.0) + 10.0)


def sine_ease(u: float) -> float:
    return (1.0 - math.cos(math.pi * u)) / 2.0


def chain(period: int, keys: Sequence[Tuple[float, float]], ease=smootherstep) -> List[float]:
    """A closed chain through (pip, value) keys at any pips of the loop.

    Between neighbouring keys the value eases from one to the next; the last
    key leads to the first one period later. With an ease of zero slope at
    both ends, every key that its neighbours exceed is a minimum exactly at
    its pip (and a maximum where they fall short).
    """
    keys = sorted(((p % period, v) for p, v in keys), key=lambda k: k[0])
    if not keys:
        return [0.0] * period
    closed = [(keys[-1][0] - period, keys[-1][1])] + keys + [(keys[0][0] + period, keys[0][1])]
    out = []
    j = 0
    for i in range(period):
        while closed[j + 1][0] <= i:
            j += 1
        (a, va), (b, vb) = closed[j], closed[j + 1]
        out.append(va + (vb - va) * ease((i - a) / (b - a)))
    return out


def paced(period: int, pips: Sequence[float], speed: Sequence[float]) -> List[float]:
    """A phase that passes through k at the k-th of the sorted ``pips`` and,
    between two of them, advances in proportion to ``speed`` (which must
    stay positive): key moments stay on their pips while the motion between
    them hurries where the speed is high. Over the loop it climbs by
    len(pips); before the first pip it is still below 0."""
    pips = sorted(p % period for p in pips)
    n = len(pips)
    sums = [0.0] + list(accumulate(speed))  # sums[i]: the speed before row i
    total = sums[-1]

    def before(t: float) -> float:
        """Accumulated speed before pip t (0 <= t < 2 period), linear within a row."""
        cycles, r = divmod(t, period)
        i = int(r)
        return cycles * total + sums[i] + (r - i) * speed[i]

    marks = [before(p) for p in pips] + [before(pips[0] + period)]
    ends = pips + [pips[0] + period]
    out = []
    for i in range(period):
        t = i if i >= pips[0] else i + period
        j = bisect_right(ends, t) - 1
        value = j + (sums[i] + (total if t >= period else 0.0) - marks[j]) / (marks[j + 1] - marks[j])
        out.append(value - n if t >= period else value)
    return out


def phase(speed: Sequence[float], turns: float = 1.0) -> List[float]:
    """A monotone phase that runs through ``turns`` over the loop, advancing
    at each row in proportion to ``speed`` (which must stay positive)."""
    total = math.fsum(speed)  # exactly rounded: the same on every interpreter
    if total <= 0.0:
        raise ValueError("a phase needs a positive speed")
    # The phase of row i is the speed accumulated before it, plus half its own.
    sums = list(accumulate(speed))
    return [turns * (s - 0.5 * v) / total for s, v in zip(sums, speed)]


def smooth(values: Sequence[float], half_width: int) -> List[float]:
    """A closed moving average over 2 half_width + 1 rows."""
    n = len(values)
    w = 2 * half_width + 1
    padded = list(values[-half_width:]) + list(values) + list(values[:half_width])
    sums = [0.0] + list(accumulate(padded))
    return [(sums[i + w] - sums[i]) / w for i in range(n)]


# -- scaling ------------------------------------------------------------------

def fit(values: Sequence[float], low: float, high: float) -> List[float]:
    """Maps the smallest value to ``low`` and the largest to ``high``."""
    a, b = min(values), max(values)
    if b == a:
        raise ValueError("cannot fit a component that never moves")
    k = (high - low) / (b - a)
    return [low + (v - a) * k for v in values]


def peak(values: Sequence[float], top: float) -> List[float]:
    """Scales so that the largest |value| is ``top``; rest stays at 0."""
    m = max(abs(v) for v in values)
    if m == 0.0:
        raise ValueError("cannot scale a component that never moves")
    return [v * top / m for v in values]

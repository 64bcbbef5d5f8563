"""The shared vocabulary of motion primitives.

Every table is built from these small pure functions: pulses on a rhythmic
grid, smooth keyframe chains, closed splines, harmonic sums, time warps,
event responses and normalisation. Rows are plain (x, y, z) tuples of raw
floats; the generator rounds and checks them afterwards.
"""
import math
from typing import Callable, Iterable, List, Sequence, Tuple

from .model import Row, Rows

TAU = 2.0 * math.pi
HOUSE_PEAK = 0.82


# -- phase ------------------------------------------------------------------

def theta(i: int, period: int) -> float:
    """The angle 2 pi i / P of row i."""
    return TAU * i / period


def thetas(period: int) -> List[float]:
    return [TAU * i / period for i in range(period)]


def from_components(
    period: int,
    x: Callable[[float], float] = None,
    y: Callable[[float], float] = None,
    z: Callable[[float], float] = None,
) -> Rows:
    """Rows from per-component functions of theta; a missing one is 0."""
    zero = lambda _t: 0.0  # noqa: E731
    fx, fy, fz = x or zero, y or zero, z or zero
    return [(fx(t), fy(t), fz(t)) for t in thetas(period)]


# -- pulses -----------------------------------------------------------------

def raised_cosine(d: float, half_width: float) -> float:
    """(1 + cos(pi d / w)) / 2 inside |d| < w, else 0: a bump of height 1."""
    if abs(d) < half_width:
        return (1.0 + math.cos(math.pi * d / half_width)) / 2.0
    return 0.0


def cyclic_distance(row: float, centre: float, period: int) -> float:
    """row - centre folded into [-P/2, P/2)."""
    d = (row - centre) % period
    return d - period if d >= period / 2.0 else d


Pulse = Tuple[float, float, Tuple[float, float, float]]  # centre, half-width, amplitudes


def pulse_sum(period: int, pulses: Iterable[Pulse]) -> Rows:
    """Sum of raised-cosine pulses, each (centre pip, half-width, (ax, ay, az)).

    Centres may be fractional; distances are cyclic, so a pulse near the end
    of the cycle wraps round to its start.
    """
    xs = [0.0] * period
    ys = [0.0] * period
    zs = [0.0] * period
    for centre, half_width, (ax, ay, az) in pulses:
        lo = math.floor(centre - half_width)
        hi = math.ceil(centre + half_width)
        for k in range(lo, hi + 1):
            b = raised_cosine(k - centre, half_width)
            if b == 0.0:
                continue
            row = k % period
            xs[row] += ax * b
            ys[row] += ay * b
            zs[row] += az * b
    return list(zip(xs, ys, zs))


def grid_centre(step: int, steps: int, period: int) -> float:
    """Pip of a step on an even grid of ``steps`` steps over the period."""
    return period * step / steps


def euclid_onsets(k: int, n: int) -> List[int]:
    """Steps of k evenly distributed onsets on n steps: ceil(j n / k)."""
    return [-((-j * n) // k) for j in range(k)]


# -- keyframes and easing ---------------------------------------------------

def smoothstep3(u: float) -> float:
    """3u^2 - 2u^3: zero slope at both ends."""
    return u * u * (3.0 - 2.0 * u)


def smootherstep(u: float) -> float:
    """6u^5 - 15u^4 + 10u^3: zero slope and curvature at both ends."""
    return u * u * u * (u * (u * 6.0 - 15.0) + 10.0)


def keyframe_chain(
    period: int,
    keys: Sequence[Tuple[float, float]],
    ease: Callable[[float], float] = smootherstep,
) -> List[float]:
    """One value per row from (pip, value) keyframes, closed over the period.

    Between keys at pips a < b the value is va + (vb - va) ease((i - a)/(b - a));
    after the last key the chain returns to the first key one period later.
    Equal neighbouring values make a hold. A key may carry a third item, its
    own ease for the segment that starts at it.
    """
    if not keys or keys[0][0] != 0:
        raise ValueError("a keyframe chain starts at pip 0")
    closed = list(keys) + [(period, keys[0][1])]
    values = []
    j = 0
    for i in range(period):
        while closed[j + 1][0] <= i:
            j += 1
        (a, va), (b, vb) = closed[j][:2], closed[j + 1][:2]
        shape = closed[j][2] if len(closed[j]) > 2 else ease
        values.append(va + (vb - va) * shape((i - a) / (b - a)))
    return values


def time_warp(u: float, dwell: float, centre: float = 0.0) -> float:
    """A monotone eased phase on [0, 1) that slows near ``centre``.

    phi(u) = u - dwell / (2 pi) sin(2 pi (u - centre)) + const, with phi(0) = 0
    and phi(u + 1) = phi(u) + 1; dwell in [0, 1) keeps it monotone, and at
    dwell 1 the speed falls to zero at the centre.
    """
    offset = dwell / TAU * math.sin(TAU * (0.0 - centre))
    return u - dwell / TAU * math.sin(TAU * (u - centre)) + offset


# -- closed paths -----------------------------------------------------------

def catmull_rom_point(p0, p1, p2, p3, s: float) -> Tuple[float, ...]:
    """The uniform Catmull-Rom segment from p1 to p2 at s in [0, 1]."""
    s2 = s * s
    s3 = s2 * s
    return tuple(
        0.5 * (2.0 * b + (c - a) * s + (2.0 * a - 5.0 * b + 4.0 * c - d) * s2
               + (3.0 * b - a - 3.0 * c + d) * s3)
        for a, b, c, d in zip(p0, p1, p2, p3)
    )


def catmull_rom_closed(
    points: Sequence[Sequence[float]], period: int, times: Sequence[float] = None
) -> List[Tuple[float, ...]]:
    """A closed uniform Catmull-Rom spline through ``points``.

    ``times`` (optional, increasing, in [0, 1)) gives the phase at which the
    path passes each point; by default the points are evenly spaced. Returns
    one point (of the points' dimension) per row.
    """
    n = len(points)
    if times is None:
        times = [j / n for j in range(n)]
    knots = list(times) + [times[0] + 1.0]
    out = []
    j = 0
    for i in range(period):
        u = i / period
        while knots[j + 1] <= u:
            j += 1
        s = (u - knots[j]) / (knots[j + 1] - knots[j])
        out.append(catmull_rom_point(*(points[(j + o) % n] for o in (-1, 0, 1, 2)), s))
    return out


def catmull_rom_timed(
    points: Sequence[Sequence[float]], period: int, pips: Sequence[float],
    level_turns: Sequence[int] = (),
) -> List[Tuple[float, ...]]:
    """A closed Catmull-Rom spline that passes point j at pip ``pips[j]``.

    ``pips`` start at 0 and ascend within the period. Tangents are finite
    differences over time, (p[j+1] - p[j-1]) / (t[j+1] - t[j-1]), so that
    unevenly spaced points (keys on a musical grid) keep the velocity
    continuous where a uniform spline would kink. The components listed in
    ``level_turns`` have zero slope wherever they turn (a crest or trough
    among the neighbouring points), so that such a turn lands exactly on its
    point's pip and never overshoots it.
    """
    n = len(points)
    times = list(pips)
    if times[0] != 0 or any(b <= a for a, b in zip(times, times[1:])) or times[-1] >= period:
        raise ValueError("pass times start at 0 and ascend within one period")
    # Times unwrapped one point either side of the loop.
    ext = [times[-1] - period] + times + [period, times[1] + period if n > 1 else 2 * period]
    tangents = []
    for j in range(n):
        before, here, after = points[j - 1], points[j], points[(j + 1) % n]
        span = ext[j + 2] - ext[j]
        tangents.append([0.0 if axis in level_turns and (b - a) * (c - b) <= 0 else (c - a) / span
                         for axis, (a, b, c) in enumerate(zip(before, here, after))])
    out = []
    j = 0
    for i in range(period):
        while ext[j + 2] <= i:
            j += 1
        h = ext[j + 2] - ext[j + 1]
        s = (i - ext[j + 1]) / h
        s2 = s * s
        s3 = s2 * s
        h00, h10, h01, h11 = 2 * s3 - 3 * s2 + 1, s3 - 2 * s2 + s, 3 * s2 - 2 * s3, s3 - s2
        p1, p2 = points[j], points[(j + 1) % n]
        m1, m2 = tangents[j], tangents[(j + 1) % n]
        out.append(tuple(h00 * a + h * h10 * ma + h01 * b + h * h11 * mb
                         for a, b, ma, mb in zip(p1, p2, m1, m2)))
    return out


def even_pace(
    path: Sequence[Sequence[float]], period: int, turn_cost: float = 0.0
) -> List[Tuple[float, ...]]:
    """``period`` rows along a closed path at an even pace, the first at the
    path's start.

    ``path`` is the closed path finely sampled (many points a row). Each
    piece of it takes time in proportion to its length in the plane of the
    first two components plus ``turn_cost`` times the angle it turns through
    (radians), so the path never crawls where it was drawn slowly and eases,
    briefly, through its tightest turns instead of whipping round.
    """
    n = len(path)

    def heading(k):
        a, b = path[k % n], path[(k + 1) % n]
        return math.atan2(b[1] - a[1], b[0] - a[0])

    def length(k):
        # Spelled out: math.dist and sum() round differently across Python versions.
        a, b = path[k], path[(k + 1) % n]
        return math.sqrt((b[0] - a[0]) * (b[0] - a[0]) + (b[1] - a[1]) * (b[1] - a[1]))

    times = [0.0]
    for k in range(n):
        turn = (heading(k) - heading(k - 1) + math.pi) % TAU - math.pi
        times.append(times[-1] + length(k) + turn_cost * abs(turn))
    total = times[-1]
    out = []
    k = 0
    for i in range(period):
        target = total * i / period
        while times[k + 1] < target:
            k += 1
        step = times[k + 1] - times[k]
        s = (target - times[k]) / step if step else 0.0
        a, b = path[k], path[(k + 1) % n]
        out.append(tuple(p + s * (q - p) for p, q in zip(a, b)))
    return out


def periodic_bspline(points: Sequence[Sequence[float]], period: int) -> List[Tuple[float, ...]]:
    """A closed uniform cubic B-spline with ``points`` as control points.

    Smoother than Catmull-Rom (continuous curvature); it passes near, not
    through, its control points.
    """
    n = len(points)
    out = []
    for i in range(period):
        u = n * i / period
        j = int(u)
        s = u - j
        s2 = s * s
        s3 = s2 * s
        w0 = (1.0 - s) ** 3 / 6.0
        w1 = (3.0 * s3 - 6.0 * s2 + 4.0) / 6.0
        w2 = (-3.0 * s3 + 3.0 * s2 + 3.0 * s + 1.0) / 6.0
        w3 = s3 / 6.0
        p0, p1, p2, p3 = (points[(j + o) % n] for o in (-1, 0, 1, 2))
        out.append(tuple(w0 * a + w1 * b + w2 * c + w3 * d for a, b, c, d in zip(p0, p1, p2, p3)))
    return out


# -- event responses --------------------------------------------------------

def looped_response(
    period: int,
    events: Iterable[Tuple[float, float]],
    kernel: Callable[[float], float],
    tail_cycles: int = 4,
) -> List[float]:
    """Causal response of a loop to (pip, weight) impulses.

    ``kernel(age)`` is the response ``age`` pips after an event (0 for
    negative ages). Tails of earlier cycles are added until ``tail_cycles``
    periods back, so the end of the period meets its start.
    """
    values = [0.0] * period
    for pip, weight in events:
        for i in range(period):
            age = (i - pip) % period
            total = 0.0
            for cycle in range(tail_cycles + 1):
                total += kernel(age + cycle * period)
            values[i] += weight * total
    return values


def damped_spring(frequency: float, decay: float) -> Callable[[float], float]:
    """Kernel of a struck spring: sin(2 pi f a) e^(-a / decay), a in pips."""

    def kernel(age: float) -> float:
        if age < 0:
            return 0.0
        return math.sin(TAU * frequency * age) * math.exp(-age / decay)

    return kernel


# -- scaling ----------------------------------------------------------------

def normalise(rows: Sequence[Row], peak: float = HOUSE_PEAK) -> Rows:
    """Scales every coordinate by peak / M, M the largest |coordinate|."""
    m = max(abs(v) for row in rows for v in row)
    if m == 0.0:
        raise ValueError("cannot normalise a table that never moves")
    return [(peak * x / m, peak * y / m, peak * z / m) for x, y, z in rows]


# -- more easing shapes -----------------------------------------------------

def sine_ease(u: float) -> float:
    """(1 - cos(pi u)) / 2: the gentlest symmetric ease."""
    return (1.0 - math.cos(math.pi * u)) / 2.0


def swell_ease(u: float) -> float:
    """(1 - cos(pi u^2)) / 2: a long slow start that accelerates and then
    arrives softly (zero slope at both ends)."""
    return (1.0 - math.cos(math.pi * u * u)) / 2.0


EASES = {
    "smooth": smoothstep3,
    "smoother": smootherstep,
    "sine": sine_ease,
    "swell": swell_ease,
}


# -- timed moves and stations -----------------------------------------------

def open_run_path(points: Sequence[Sequence[float]]) -> List[Tuple[float, ...]]:
    """The points of an open run with its ends continued straight, as the
    Catmull-Rom segments of the run need them."""
    ahead = tuple(2.0 * b - a for a, b in zip(points[1], points[0]))
    beyond = tuple(2.0 * b - a for a, b in zip(points[-2], points[-1]))
    return [ahead] + [tuple(p) for p in points] + [beyond]


def open_run_point(path: Sequence[Sequence[float]], share: float) -> Tuple[float, ...]:
    """The point at ``share`` (0 to 1, already eased) along an open run whose
    path ``open_run_path`` gave."""
    spans = len(path) - 3
    s = spans * share
    j = min(int(s), spans - 1)
    return catmull_rom_point(path[j], path[j + 1], path[j + 2], path[j + 3], s - j)


def eased_run(points: Sequence[Sequence[float]], u: float,
              ease: Callable[[float], float] = smootherstep) -> Tuple[float, ...]:
    """The position at share ``u`` (0 to 1) of a run through ``points``.

    The first point is where the run starts. A run between two points is a
    straight move; through more, an open Catmull-Rom spline with its ends
    continued straight. Timed by ``ease``, the run leaves and arrives at rest
    and flows through the points between.
    """
    if len(points) == 2:
        s = ease(u)
        return tuple(a + (b - a) * s for a, b in zip(points[0], points[1]))
    return open_run_point(open_run_path(points), ease(u))


TimedRun = Tuple[float, float, Sequence[Sequence[float]]]  # start pip, end pip, points


def timed_runs(period: int, runs: Sequence[TimedRun],
               ease: Callable[[float], float] = smootherstep) -> List[Tuple[float, ...]]:
    """One point per row that runs through each run's points during
    [start, end] and holds still between runs.

    Runs are given in time order over one cycle and do not overlap; times may
    be fractional, and the last run may end after the period (it wraps to the
    start). Every run starts where the previous one arrived, the first where
    the last arrived, so the loop closes by construction.
    """
    n = len(runs)
    if n == 0:
        raise ValueError("a timed path needs at least one run")
    next_starts = [run[0] for run in runs[1:]] + [runs[0][0] + period]
    for (start, end, _points), next_start in zip(runs, next_starts):
        if not start < end <= next_start:
            raise ValueError("runs must be in order and must not overlap")
    arrivals = [tuple(points[-1]) for _s, _e, points in runs]
    rows = []
    for i in range(period):
        if i < runs[0][0]:
            # Before the first start: in or after the last run of the previous cycle.
            k, shift = n - 1, -period
        else:
            k, shift = max(j for j in range(n) if runs[j][0] <= i), 0
        start, end, points = runs[k]
        start, end = start + shift, end + shift
        if i >= end:
            rows.append(arrivals[k])
        else:
            path = [arrivals[k - 1]] + [tuple(p) for p in points]
            rows.append(eased_run(path, (i - start) / (end - start), ease))
    return rows


def station_warp(s: float) -> float:
    """s - sin(2 pi s) / (2 pi): a phase over one segment that leaves and
    arrives at zero speed, so a path dwells at both ends of the segment."""
    return s - math.sin(TAU * s) / TAU


def station_phase(period: int, times: Sequence[float], phases: Sequence[float]) -> List[float]:
    """Phase of a closed path, one per row, that reaches ``phases[j]`` at pip
    ``times[j]`` and dwells there.

    Times ascend within one cycle (fractional pips allowed); phases ascend
    within [0, 1), the path's own parameter; after the last station the phase
    runs on to the first one of the next cycle (phase + 1).
    """
    n = len(times)
    knots = list(times) + [times[0] + period]
    values = list(phases) + [phases[0] + 1.0]
    out = []
    for i in range(period):
        t = i if i >= times[0] else i + period
        j = max(k for k in range(n) if knots[k] <= t)
        s = (t - knots[j]) / (knots[j + 1] - knots[j])
        out.append(values[j] + (values[j + 1] - values[j]) * station_warp(s))
    return out


def windowed_cosine(d: float, half_width: float, cycle: float) -> float:
    """An oscillation packet: cos(2 pi d / cycle) under a raised-cosine window
    of half-width ``half_width``; crests fall on multiples of ``cycle``."""
    return raised_cosine(d, half_width) * math.cos(TAU * d / cycle)


def push_kernel(rise: float) -> Callable[[float], float]:
    """Kernel of a pushed, heavily damped mass: (a / r) e^(1 - a / r).

    It leaves the rest point at once, peaks at 1 after ``rise`` pips and
    glides back, so a later push finds it still moving.
    """

    def kernel(age: float) -> float:
        if age < 0:
            return 0.0
        return age / rise * math.exp(1.0 - age / rise)

    return kernel


def push_turn_kernel(rise: float) -> Callable[[float], float]:
    """A companion of ``push_kernel`` for the direction across the push:
    (a / r)(1 - a / 2r) e^(1 - a / r) starts at rest, swings one way until
    2r pips, then the other, and nets to zero. Added across a push it bends
    the out-and-back into a loop."""

    def kernel(age: float) -> float:
        if age < 0:
            return 0.0
        s = age / rise
        return s * (1.0 - 0.5 * s) * math.exp(1.0 - s)

    return kernel


# -- continuous paths -------------------------------------------------------

def signed_power(v: float, exponent: float) -> float:
    """sign(v) |v|^exponent: bends a cosine into the edge of a superellipse."""
    return math.copysign(abs(v) ** exponent, v) if v else 0.0


def periodic_cubic(
    points: Sequence[Sequence[float]], times: Sequence[float], period: int
) -> List[Tuple[float, ...]]:
    """The closed C2 cubic spline that passes ``points[j]`` at phase ``times[j]``.

    ``times`` increase within [0, 1); the segments between them may be of
    any length. The tangents at the points are solved together so that speed
    and curvature run on unbroken through every point and round the seam
    (the periodic cubic spline on unequal knots); each segment is then the
    cubic Hermite piece between its two points and tangents.
    """
    n = len(points)
    if n < 3 or len(times) != n:
        raise ValueError("a closed cubic needs three or more timed points")
    spans = [((times[(j + 1) % n] - times[j]) % 1.0) or 1.0 for j in range(n)]
    if abs(sum(spans) - 1.0) > 1e-9:
        raise ValueError("the times of a closed cubic must increase within one cycle")
    dims = len(points[0])
    tangents = [[0.0] * n for _ in range(dims)]
    for axis in range(dims):
        slopes = [(points[(j + 1) % n][axis] - points[j][axis]) / spans[j] for j in range(n)]
        # h_j m_(j-1) + 2 (h_(j-1) + h_j) m_j + h_(j-1) m_(j+1)
        #   = 3 (h_j d_(j-1) + h_(j-1) d_j), cyclic in j
        matrix = [[0.0] * n for _ in range(n)]
        rhs = [0.0] * n
        for j in range(n):
            before, after = spans[j - 1], spans[j]
            matrix[j][(j - 1) % n] += after
            matrix[j][j] += 2.0 * (before + after)
            matrix[j][(j + 1) % n] += before
            rhs[j] = 3.0 * (after * slopes[j - 1] + before * slopes[j])
        tangents[axis] = solve_linear(matrix, rhs)
    out = []
    j = 0
    start = times[0]
    for i in range(period):
        u = (i / period - start) % 1.0
        j = 0
        while j + 1 < n and (times[j + 1] - start) % 1.0 <= u:
            j += 1
        h = spans[j]
        s = (u - (times[j] - start) % 1.0) / h
        s2, s3 = s * s, s * s * s
        h00, h10 = 2.0 * s3 - 3.0 * s2 + 1.0, s3 - 2.0 * s2 + s
        h01, h11 = -2.0 * s3 + 3.0 * s2, s3 - s2
        a, b = points[j], points[(j + 1) % n]
        out.append(tuple(
            h00 * a[k] + h10 * h * tangents[k][j] + h01 * b[k] + h11 * h * tangents[k][(j + 1) % n]
            for k in range(dims)
        ))
    return out


def solve_linear(matrix: List[List[float]], rhs: List[float]) -> List[float]:
    """x with matrix x = rhs, by Gaussian elimination with partial pivoting
    (small, well-conditioned systems only)."""
    n = len(rhs)
    a = [row[:] + [rhs[r]] for r, row in enumerate(matrix)]
    for col in range(n):
        pivot = max(range(col, n), key=lambda r: abs(a[r][col]))
        a[col], a[pivot] = a[pivot], a[col]
        for r in range(col + 1, n):
            f = a[r][col] / a[col][col]
            for c in range(col, n + 1):
                a[r][c] -= f * a[col][c]
    x = [0.0] * n
    for r in range(n - 1, -1, -1):
        x[r] = (a[r][n] - sum(a[r][c] * x[c] for c in range(r + 1, n))) / a[r][r]
    return x


def eased_run_rows(points: Sequence[Sequence[float]], pips: int) -> List[Tuple[float, ...]]:
    """``pips`` positions of a run from ``points[0]`` through the others.

    The path is an open Catmull-Rom curve (its ends continued straight), so a
    run through two points is a straight move and one through more is a
    flowing arc; its timing is smootherstep, so the run starts and ends at
    rest. The last point is not included: it is where the next move starts.
    """
    path = open_run_path(points)
    return [open_run_point(path, smootherstep(i / pips)) for i in range(pips)]


def moves_and_holds(start: Sequence[float], moves) -> List[Tuple[float, ...]]:
    """Rows of a point that holds and makes eased runs, in turn.

    ``moves`` is a list of (pips, points): no points holds still for the
    pips; otherwise an eased run from where the point is through the points.
    Every run starts and ends at rest, so each arrival is a stop.
    """
    here = tuple(start)
    rows = []
    for pips, targets in moves:
        if targets:
            rows += eased_run_rows([here] + [tuple(p) for p in targets], pips)
            here = tuple(targets[-1])
        else:
            rows += [here] * pips
    return rows


def padded(points: Iterable[Sequence[float]]) -> Rows:
    """Points of two or three components as (x, y, z) rows."""
    return [tuple(p) + (0.0,) * (3 - len(p)) for p in points]


def centred(rows: Sequence[Row]) -> Rows:
    """Rows shifted so that each component's range is centred on 0."""
    mids = [(max(r[k] for r in rows) + min(r[k] for r in rows)) / 2.0 for k in range(3)]
    return [(x - mids[0], y - mids[1], z - mids[2]) for x, y, z in rows]

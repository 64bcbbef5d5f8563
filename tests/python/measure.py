"""Measurements over a table's rows that the family tests share: runs of a
condition round the closed cycle, holds, peaks and the winding of a path."""
import math

TAU = 2.0 * math.pi


def column(rows, axis):
    return [row[axis] for row in rows]


def runs(flags):
    """(start, length) of each maximal run of true flags, the cycle closed."""
    n = len(flags)
    if all(flags):
        return [(0, n)]
    first = next(i for i in range(n) if not flags[i])
    found, start = [], None
    for k in range(1, n + 1):
        i = (first + k) % n
        if flags[i] and start is None:
            start = i
        elif not flags[i] and start is not None:
            found.append((start, (i - start) % n))
            start = None
    return found


def holds(rows):
    """(first row, length) of every stretch where the point stands still."""
    still = [rows[i] == rows[i - 1] for i in range(len(rows))]
    return [((start - 1) % len(rows), length + 1) for start, length in runs(still)]


def peaks(values):
    """Rows of the cyclic local maxima (a flat top counts once)."""
    n = len(values)
    rising = [values[i] > values[i - 1] for i in range(n)]
    falling = [values[(i + 1) % n] < values[i] for i in range(n)]
    found = []
    for i in range(n):
        if not rising[i]:
            continue
        j = i
        while values[(j + 1) % n] == values[j] and (j + 1) % n != i:
            j = (j + 1) % n
        if falling[j]:
            found.append(i)
    return found


def excursions(rows, test):
    return len(runs([test(row) for row in rows]))


def winding(points):
    """Turns of the closed path of (a, b) points about the origin."""
    total = 0.0
    for i in range(len(points)):
        a0, b0 = points[i - 1]
        a1, b1 = points[i]
        d = math.atan2(b1, a1) - math.atan2(b0, a0)
        total += (d + math.pi) % TAU - math.pi
    return total / TAU


def crossings(values):
    """Rows where a closed cycle of values changes sign: of the two rows
    either side of each change, the one nearer zero."""
    n = len(values)
    found = []
    for i in range(n):
        a, b = values[i - 1], values[i]
        if (a < 0) != (b < 0):
            found.append(i if abs(b) <= abs(a) else (i - 1) % n)
    return sorted(found)


def first_harmonic_share(values):
    """Share of a closed cycle's variance in its slowest wave (one cycle a
    period): 1 for a pure sine."""
    n = len(values)
    mean = sum(values) / n
    centred = [v - mean for v in values]
    total = sum(v * v for v in centred)
    c = sum(v * math.cos(TAU * i / n) for i, v in enumerate(centred))
    s = sum(v * math.sin(TAU * i / n) for i, v in enumerate(centred))
    return 2.0 * (c * c + s * s) / n / total

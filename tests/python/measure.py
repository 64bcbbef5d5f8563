"""Measurements over a table's rows that the family tests share: runs of a
condition round the closed cycle, holds, peaks, the winding of a path, the
share of a sine in a component and the slowest pace along a path; and the
onsets of a rendered sound's loudness."""
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


def first_harmonic_share(values):
    """Share of a component's motion (variance) in its first harmonic: 1.0 for a sine."""
    n = len(values)
    mean = sum(values) / n
    c = sum((v - mean) * math.cos(TAU * i / n) for i, v in enumerate(values))
    s = sum((v - mean) * math.sin(TAU * i / n) for i, v in enumerate(values))
    return 2.0 * (c * c + s * s) / n / sum((v - mean) ** 2 for v in values)


def correlation(a, b):
    """Pearson correlation of two equally long sequences."""
    ma, mb = sum(a) / len(a), sum(b) / len(b)
    cov = sum((p - ma) * (q - mb) for p, q in zip(a, b))
    return cov / math.sqrt(sum((p - ma) ** 2 for p in a) * sum((q - mb) ** 2 for q in b))


def apart(a, b, period):
    """Pips between a and b round the loop."""
    return abs((a - b + period / 2) % period - period / 2)


def slowest_pace(rows, width):
    """Distance covered in the slowest ``width`` rows of the cycle, as a share
    of the average over the cycle (1.0 for an even pace)."""
    n = len(rows)
    step = [math.dist(rows[i - 1], rows[i]) for i in range(n)]
    window = sum(step[:width])
    slowest = window
    for i in range(n):
        window += step[(i + width) % n] - step[i]
        slowest = min(slowest, window)
    return slowest / (sum(step) * width / n)


def speeds(rows):
    """Distance moved into each row from the row before, the cycle closed."""
    return [math.dist(rows[i], rows[i - 1]) for i in range(len(rows))]


def arrivals(values):
    """(row, value) where a value arrives and is held for at least the next row."""
    return [((start - 1) % len(values), values[start]) for start, _length in
            runs([values[i] == values[i - 1] for i in range(len(values))])]


def onsets(envelope, threshold=0.05):
    """(ms, strength) of each sudden rise of a loudness envelope (the loudest
    sample of each millisecond), at least 30 ms apart. An onset is placed
    where the level has made 30% of that rise."""
    level = [max(envelope[max(0, k - 7):k + 1]) for k in range(len(envelope))]
    found, k = [], 10
    while k < len(level):
        base = level[k - 10]
        if level[k] - base > threshold:
            peak = max(level[k:k + 25])
            first = k - 9
            while level[first] - base < 0.3 * (peak - base):
                first += 1
            found.append((first, peak - base))
            k += 30
        else:
            k += 1
    return found


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

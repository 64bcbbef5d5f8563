"""Atlas tables: closed paths on indexed SHA-256 control points,
noise_<character>_<N>.

Control point k of the table named NAME comes from the digest d = SHA-256 of
the ASCII text "NAME/k" (for example "noise_drift_5/0"): u0, u1 and u2 are
the big-endian unsigned 32-bit integers in bytes 0-3, 4-7 and 8-11 of d,
divided by 2^32 (each in [0, 1)). N is a count the path shows; the
character decides what is counted and what the numbers mean:

- drift: a closed random walk of N turns that wanders off and finds its way
  back. Step k has direction 2 pi u0 and length 0.6 + 0.4 u1; the steps
  lose their mean (so that they sum to zero), point k is the sum of steps
  0 to k, and each axis of the walk is scaled to span -0.82 to 0.82. The
  path is the closed cubic B-spline of these points, which rounds every
  turn, walked at an even pace that eases only briefly through its tightest
  turns; each axis is then fitted to span -0.82 to 0.82, using the whole
  field.
- orbit: one lap round the centre on a ring whose radius swells and shrinks
  N times: 2N points, point k at angle 2 pi (t_k / P + 0.15 (u0 - 0.5) / N)
  and radius 0.62 + (-1)^k (0.12 + 0.12 u1), swelling at even k.
- ripple: a sideways sweep rippling up and down N times: 2N points,
  x = 0.75 cos(2 pi t_k / P) + 0.1 (u0 - 0.5) |sin(2 pi t_k / P)| and
  y = (-1)^k (0.3 + 0.45 u1), a crest at every even k and a trough at every
  odd one, so the alternation closes round the loop for odd N too.
- depth: a small lap round the centre that dives into depth and comes out
  again N times: 2N points, point k at angle 2 pi (t_k / P + 0.15 (u0 - 0.5)
  / N), radius 0.3 + 0.25 u1 and z = (-1)^k (0.3 + 0.5 u2), diving at even k.

Orbit, ripple and depth put their N swells, crests or dives on the
eighth-note grid, the j-th at the eighth nearest P j / N, and the shrinks,
troughs or rises halfway between (on the sixteenth grid): t_k is the pip of
point k. Their path is a closed Catmull-Rom spline through the points at
their pips, so every control point is a row of the table; a ripple's y
turns exactly on its points, so its crests and troughs keep their grid
pips, and so do a depth's dives and rises in z.
Nothing here keeps random state: the same name gives the same path.
"""
import hashlib
import math

from ...motion import TAU, catmull_rom_timed, even_pace, periodic_bspline
from . import RECORDS

EIGHTH = 32
DRIFT_PEAK = 0.82
DRAWING_STEPS = 16  # points of the drawn path a row, for an even pace
TURN_EASE = 0.03  # time a radian of turn costs, in units of distance: eases reversals


def digest_units(name, k):
    """The three numbers u0, u1, u2 in [0, 1) of control point k."""
    d = hashlib.sha256(("%s/%d" % (name, k)).encode("ascii")).digest()
    return [int.from_bytes(d[4 * c:4 * c + 4], "big") / 2.0**32 for c in range(3)]


def centred(points):
    mean = [math.fsum(p[axis] for p in points) / len(points) for axis in (0, 1)]
    return [(x - mean[0], y - mean[1]) for x, y in points]


def on_eighths(pip):
    return EIGHTH * math.floor(pip / EIGHTH + 0.5)


def alternating_pips(count, period):
    """Pips of 2 count alternating points: the count main ones on the eighths
    nearest an even spread, each answer halfway to the next."""
    main = [on_eighths(period * j / count) for j in range(count)] + [period]
    pips = []
    for a, b in zip(main, main[1:]):
        pips += [a, (a + b) / 2.0]
    return pips


def alternating(k, base, spread, u):
    return (-1.0) ** k * (base + spread * u)


def spanned(values):
    """Values moved and scaled to span -0.82 to 0.82."""
    low, high = min(values), max(values)
    return [DRIFT_PEAK * (2.0 * v - high - low) / (high - low) for v in values]


def drift(name, count, period):
    units = [digest_units(name, k) for k in range(count)]
    steps = [(0.6 + 0.4 * u[1], TAU * u[0]) for u in units]
    steps = centred([(length * math.cos(a), length * math.sin(a)) for length, a in steps])
    walk, x, y = [], 0.0, 0.0
    for sx, sy in steps:
        x, y = x + sx, y + sy
        walk.append((x, y))
    walk = list(zip(*(spanned([p[axis] for p in walk]) for axis in (0, 1))))
    # A B-spline rounds the walk's turns, even a reversal, and walking it at
    # an even pace keeps a near pair of turns from making it crawl.
    rows = even_pace(periodic_bspline(walk, DRAWING_STEPS * period), period, TURN_EASE)
    return list(zip(*(spanned([row[axis] for row in rows]) for axis in (0, 1)), [0.0] * period))


def orbit(name, count, period):
    pips = alternating_pips(count, period)
    points = []
    for k, t in enumerate(pips):
        u = digest_units(name, k)
        angle = TAU * (t / period + 0.15 * (u[0] - 0.5) / count)
        radius = 0.62 + alternating(k, 0.12, 0.12, u[1])
        points.append((radius * math.cos(angle), radius * math.sin(angle), 0.0))
    return catmull_rom_timed(points, period, pips)


def ripple(name, count, period):
    pips = alternating_pips(count, period)
    points = []
    for k, t in enumerate(pips):
        u = digest_units(name, k)
        sweep = TAU * t / period
        x = 0.75 * math.cos(sweep) + 0.1 * (u[0] - 0.5) * abs(math.sin(sweep))
        points.append((x, alternating(k, 0.3, 0.45, u[1]), 0.0))
    return catmull_rom_timed(points, period, pips, level_turns=(1,))


def depth(name, count, period):
    pips = alternating_pips(count, period)
    points = []
    for k, t in enumerate(pips):
        u = digest_units(name, k)
        angle = TAU * (t / period + 0.15 * (u[0] - 0.5) / count)
        radius = 0.3 + 0.25 * u[1]
        points.append((radius * math.cos(angle), radius * math.sin(angle),
                       alternating(k, 0.3, 0.5, u[2])))
    return catmull_rom_timed(points, period, pips, level_turns=(2,))


CHARACTERS = {"drift": drift, "orbit": orbit, "ripple": ripple, "depth": depth}


def noise_path(name):
    _prefix, character, count = name.split("_")

    def build(period):
        return CHARACTERS[character](name, int(count), period)

    return build


BUILDERS = {r.name: noise_path(r.name) for r in RECORDS if r.name.startswith("noise_")}

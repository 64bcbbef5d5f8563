"""Atlas tables: closed paths through indexed SHA-256 control points,
noise_<character>_<N>.

Control point j (j = 0 to N - 1) of the table named NAME comes from the
digest d = SHA-256 of the ASCII text "NAME/j" (for example
"noise_drift_5/0"): u0, u1 and u2 are the big-endian unsigned 32-bit
integers in bytes 0-3, 4-7 and 8-11 of d, divided by 2^32 (each in [0, 1)).
The character decides what the numbers mean:

- drift: a closed random walk that wanders off and finds its way back.
  Step j has direction 2 pi u0 and length 0.6 + 0.4 u1; the steps lose
  their mean (so that they sum to zero), point j is the sum of steps 0 to
  j, and the points are centred on their mean and scaled so that their
  largest |coordinate| is 0.72. Every point is a turn of the walk.
- orbit: one lap round the centre on a wobbling ring: point j lies at angle
  2 pi (j + 0.3 (u0 - 0.5)) / N and radius 0.62 + (-1)^j (0.06 + 0.12 u1),
  so the radius swells and shrinks N times.
- ripple: a sideways sweep rippling up and down: x = 0.75 cos(2 pi j / N)
  + 0.1 (u0 - 0.5), y = (-1)^j (0.3 + 0.45 u1).
- depth: a small lap round the centre that dives in and out of depth:
  angle 2 pi (j + 0.3 (u0 - 0.5)) / N, radius 0.3 + 0.25 u1, and
  z = (-1)^j (0.3 + 0.5 u2).

The path is the closed Catmull-Rom spline through the points that passes
point j at row floor(P j / N), so every control point is a row of the
table. Nothing here keeps random state: the same name gives the same path.
"""
import hashlib
import math

from ...motion import TAU, catmull_rom_closed
from . import RECORDS


def digest_units(name, j):
    """The three numbers u0, u1, u2 in [0, 1) of control point j."""
    d = hashlib.sha256(("%s/%d" % (name, j)).encode("ascii")).digest()
    return [int.from_bytes(d[4 * k:4 * k + 4], "big") / 2.0**32 for k in range(3)]


def centred(points):
    mean = [sum(p[axis] for p in points) / len(points) for axis in (0, 1)]
    return [(x - mean[0], y - mean[1]) for x, y in points]


def drift_points(units):
    steps = [(0.6 + 0.4 * u[1], TAU * u[0]) for u in units]
    steps = centred([(length * math.cos(a), length * math.sin(a)) for length, a in steps])
    walk, x, y = [], 0.0, 0.0
    for sx, sy in steps:
        x, y = x + sx, y + sy
        walk.append((x, y))
    walk = centred(walk)
    peak = max(abs(v) for point in walk for v in point)
    return [(0.72 * x / peak, 0.72 * y / peak, 0.0) for x, y in walk]


def ring(units, j, count, radius):
    angle = TAU * (j + 0.3 * (units[0] - 0.5)) / count
    return radius * math.cos(angle), radius * math.sin(angle)


def alternating(j, base, spread, u):
    return (-1.0) ** j * (base + spread * u)


def orbit_points(units):
    n = len(units)
    return [ring(u, j, n, 0.62 + alternating(j, 0.06, 0.12, u[1])) + (0.0,)
            for j, u in enumerate(units)]


def ripple_points(units):
    n = len(units)
    return [
        (0.75 * math.cos(TAU * j / n) + 0.1 * (u[0] - 0.5), alternating(j, 0.3, 0.45, u[1]), 0.0)
        for j, u in enumerate(units)
    ]


def depth_points(units):
    n = len(units)
    return [ring(u, j, n, 0.3 + 0.25 * u[1]) + (alternating(j, 0.3, 0.5, u[2]),)
            for j, u in enumerate(units)]


CHARACTERS = {
    "drift": drift_points,
    "orbit": orbit_points,
    "ripple": ripple_points,
    "depth": depth_points,
}


def control_points(name):
    """The control points of noise_<character>_<N>, as (x, y, z)."""
    _prefix, character, count = name.split("_")
    units = [digest_units(name, j) for j in range(int(count))]
    return CHARACTERS[character](units)


def noise_path(name):
    def build(period):
        points = control_points(name)
        n = len(points)
        times = [(period * j // n) / period for j in range(n)]
        return catmull_rom_closed(points, period, times)

    return build


BUILDERS = {r.name: noise_path(r.name) for r in RECORDS if r.name.startswith("noise_")}

"""Atlas tables: signed-radius roses, one complete traversal a cycle.

polar_rose_n passes n petals: r = 0.82 cos(n psi) over psi in [0, pi) for
odd n (a half-turn parameter, psi = theta / 2), and r = 0.82 cos(n/2 theta)
over a whole turn for even n. Written as two harmonics of theta, the rose is
0.41 (cos lo t + cos hi t, -sin lo t + sin hi t). For n = 6 and 10 the
radius cos 3 theta and cos 5 theta draws three and five petals, each passed
twice in the cycle.
"""
import math

from .rule_support import family_from_names, formula

sin, cos = math.sin, math.cos


def rose_harmonics(n):
    """The two harmonics (lo, hi) of the rose that passes n petals."""
    if n % 2:
        return (n - 1) // 2, (n + 1) // 2
    return n // 2 - 1, n // 2 + 1


def polar_rose(n):
    lo, hi = rose_harmonics(n)
    return formula(
        x=lambda t: 0.41 * cos(lo * t) + 0.41 * cos(hi * t),
        y=lambda t: -0.41 * sin(lo * t) + 0.41 * sin(hi * t),
    )


BUILDERS = family_from_names("polar_rose_", polar_rose)

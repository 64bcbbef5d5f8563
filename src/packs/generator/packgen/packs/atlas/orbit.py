"""Atlas tables: ellipses with one unequal pair of harmonic ripples."""
import math

from .rule_support import normalised, read_table

sin, cos = math.sin, math.cos


def orbit_harmonic(k, c, phi):
    """X = cos t + c cos(k t + phi), Y = 0.72 sin t - c sin((k + 1) t - phi), scaled to 0.82."""
    return normalised(
        x=lambda t: cos(t) + c * cos(k * t + phi),
        y=lambda t: 0.72 * sin(t) - c * sin((k + 1) * t - phi),
    )


BUILDERS = {
    "orbit_harmonic_" + nn: orbit_harmonic(int(k), float(c), float(phi))
    for nn, k, c, phi in read_table("orbit_harmonics.tsv")
}

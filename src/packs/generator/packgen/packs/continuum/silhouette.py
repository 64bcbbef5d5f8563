"""Continuum tables: silhouette_harmonic_NN, by rule.

With t = 2 pi i / P and p, q, r, a, b from data/continuum/silhouette.tsv:

    X = cos pt + a sin(qt + 0.3) + b cos rt
    Y = 0.65 sin(pt + 0.2) + b sin qt - a cos(rt + 0.1)
    Z = 0.12 sin((p + q) t) sin t

scaled by 0.82 / M, where M is the largest |X|, |Y| or |Z| over 2,048 evenly
spaced points of the cycle (twice the table's resolution, so that the scale
does not depend on where the rows happen to fall).
"""
import math

from ...motion import HOUSE_PEAK, TAU
from . import load_data

sin, cos = math.sin, math.cos
SCALE_POINTS = 2048


def silhouette(p, q, r, a, b):
    def shape(t):
        return (
            cos(p * t) + a * sin(q * t + 0.3) + b * cos(r * t),
            0.65 * sin(p * t + 0.2) + b * sin(q * t) - a * cos(r * t + 0.1),
            0.12 * sin((p + q) * t) * sin(t),
        )

    def build(period):
        m = max(abs(v) for j in range(SCALE_POINTS) for v in shape(TAU * j / SCALE_POINTS))
        return [tuple(HOUSE_PEAK * v / m for v in shape(TAU * i / period)) for i in range(period)]

    return build


BUILDERS = {
    "silhouette_harmonic_%02d" % int(row["NN"]): silhouette(
        int(row["p"]), int(row["q"]), int(row["r"]), row["a"], row["b"])
    for row in load_data("silhouette.tsv")
}

"""Atlas tables: closed traces of a pen on a circle rolling inside or outside
a fixed circle, scaled so the largest coordinate is 0.82."""
import math

from ...motion import TAU, normalise
from . import RECORDS
from .rule_support import read_table

sin, cos = math.sin, math.cos

# (R, r) -> pen distance d from the rolling circle's centre.
PENS = {(int(big), int(small)): float(d) for big, small, d in read_table("spiro_pens.tsv")}


def rolling_circle(side, big, small, pen):
    """The rolling circle goes round ``small`` times per period, closing the curve."""

    def build(period):
        rows = []
        for i in range(period):
            t = TAU * small * i / period
            if side == "inside":
                arm = big - small
                x = arm * cos(t) + pen * cos(arm * t / small)
            else:
                arm = big + small
                x = arm * cos(t) - pen * cos(arm * t / small)
            y = arm * sin(t) - pen * sin(arm * t / small)
            rows.append((x, y, 0.0))
        return normalise(rows)

    return build


def spiro(name):
    side, big, small = name[len("spiro_"):].split("_")
    big, small = int(big), int(small)
    return rolling_circle(side, big, small, PENS[big, small])


BUILDERS = {r.name: spiro(r.name) for r in RECORDS if r.name.startswith("spiro_")}

"""Atlas tables: positive-radius scalloped loops, polar_scallop_k.

One turn round the centre per period, angle phi = 2 pi i / P. The turn is cut
into k lobes centred on the angles 2 pi j / k; within a lobe, u runs from -1
at one notch through 0 at the lobe's centre to 1 at the next notch, and the
radius follows an arch, r = notch + (crest - notch) s(u), where
s(u) = (sqrt(cos^2(pi u / 2) + e^2) - e) / (sqrt(1 + e^2) - e) rises from 0
at the notches to 1 at the crest with zero slope at both (e, the softness,
rounds the notches). One lobe is bent: there u is first warped to
u - b (1 - u^2), which keeps the notches where they are and moves the crest
by about b of a half lobe, and the point is turned on by b s(u)^2 of a half
lobe (b pi s^2 / k radians), most at the crest, so that lobe leans over
to one side with a steep flank and a long one. The radius never falls below the notch radius, so the loop
never comes near the centre. Parameters per k: data/atlas/polar_scallop.tsv.
"""
import math

from ...motion import TAU, thetas
from .authored_data import load_columns

PARAMETERS = {int(row["k"]): row for row in load_columns("polar_scallop.tsv")}


def arch(u, softness):
    top = math.sqrt(1.0 + softness * softness) - softness
    return (math.sqrt(math.cos(math.pi * u / 2.0) ** 2 + softness * softness) - softness) / top


def scallop_point(phi, k, p):
    """Radius and angle of the loop at turn angle phi."""
    position = k * phi / TAU + 0.5
    lobe = int(math.floor(position)) % k
    u = 2.0 * (position - math.floor(position)) - 1.0
    lean = 0.0
    if lobe == int(p["bent_lobe"]):
        u -= p["bend"] * (1.0 - u * u)
        lean = p["bend"] * math.pi / k
    s = arch(u, p["softness"])
    return p["notch_radius"] + (p["crest_radius"] - p["notch_radius"]) * s, phi + lean * s * s


def scallop(k):
    p = PARAMETERS[k]

    def build(period):
        rows = []
        for phi in thetas(period):
            r, angle = scallop_point(phi, k, p)
            rows.append((r * math.cos(angle), r * math.sin(angle), 0.0))
        return rows

    return build


BUILDERS = {"polar_scallop_%d" % k: scallop(k) for k in sorted(PARAMETERS)}

"""Continuum tables: ribbons, ribbon_a_b_slim|deep.

A point runs a times round a curved elliptical spine (a bean: an ellipse
whose top is pushed up and sides down, turned a little) while crossing it b
times: it is offset along the spine's outward normal by w(t) sin(b t), where
the width w swells on one side of the spine and narrows on the other. Depth
is linked to that offset, z = depth / width * offset, so the band the point
weaves across is a flat ribbon tilted out of the plane: outward is forward.
Spine, width and depth are data (data/continuum/ribbon.json).
"""
import math

from ...motion import TAU, centred, normalise
from . import load_data, members

DATA = load_data("ribbon.json")


def spine(s):
    """Point and outward unit normal of the spine at spine angle s."""
    p = DATA["spine"]
    tilt = math.radians(p["tilt_degrees"])
    x, y = p["rx"] * math.cos(s), p["ry"] * math.sin(s) - p["bend"] * math.cos(2.0 * s)
    dx, dy = -p["rx"] * math.sin(s), p["ry"] * math.cos(s) + 2.0 * p["bend"] * math.sin(2.0 * s)
    c, sn = math.cos(tilt), math.sin(tilt)
    length = math.hypot(dx, dy)
    point = (c * x - sn * y, sn * x + c * y)
    normal = ((c * dy + sn * dx) / length, (sn * dy - c * dx) / length)
    return point, normal


def ribbon(a, b, kind):
    k = DATA["kinds"][kind]
    swell_at = math.radians(DATA["swell_at_degrees"])

    def build(period):
        rows = []
        for i in range(period):
            t = TAU * i / period
            s = a * t
            (x, y), (nx, ny) = spine(s)
            across = math.sin(b * t) * (1.0 + DATA["swell"] * math.cos(s - swell_at))
            offset = k["width"] * across
            rows.append((x + offset * nx, y + offset * ny, k["depth"] * across))
        return normalise(centred(rows))

    return build


BUILDERS = {}
for record in members("ribbon_"):
    _prefix, a, b, kind = record.name.split("_")
    BUILDERS[record.name] = ribbon(int(a), int(b), kind)

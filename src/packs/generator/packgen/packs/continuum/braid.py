"""Continuum tables: braids, braid_a_b.

The centreline of a tube is an ellipse, turned a little and offset from the
axis it loops round; the point runs a times along it. Meanwhile it rolls b
times round the tube's elliptical cross-section: across the centreline in
the plane (along the centreline's outward normal) and out of it in depth, a
quarter turn apart, so the path winds round the tube like one strand of a
braid. A second depth ripple at twice the roll rate skews each roll: the
strand climbs steeply and sinks slowly. Numbers: data/continuum/braid.json.
"""
import math

from ...motion import TAU, normalise
from . import load_data, members

DATA = load_data("braid.json")


def centreline(s):
    """Point and outward unit normal of the centreline at angle s."""
    p = DATA["centreline"]
    tilt = math.radians(p["tilt_degrees"])
    c, sn = math.cos(tilt), math.sin(tilt)
    x, y = p["rx"] * math.cos(s), p["ry"] * math.sin(s)
    dx, dy = -p["rx"] * math.sin(s), p["ry"] * math.cos(s)
    length = math.hypot(dx, dy)
    point = (p["offset"][0] + c * x - sn * y, p["offset"][1] + sn * x + c * y)
    normal = ((c * dy + sn * dx) / length, (sn * dy - c * dx) / length)
    return point, normal


def braid(a, b):
    section, ripple = DATA["cross_section"], DATA["ripple"]
    ripple_phase = math.radians(ripple["phase_degrees"])

    def build(period):
        rows = []
        for i in range(period):
            t = TAU * i / period
            (x, y), (nx, ny) = centreline(a * t)
            across = section["width"] * math.cos(b * t)
            depth = (section["depth"] * math.sin(b * t)
                     + ripple["depth"] * math.sin(2.0 * b * t + ripple_phase))
            rows.append((x + across * nx, y + across * ny, depth))
        return normalise(rows)

    return build


BUILDERS = {}
for record in members("braid_"):
    _prefix, a, b = record.name.split("_")
    BUILDERS[record.name] = braid(int(a), int(b))

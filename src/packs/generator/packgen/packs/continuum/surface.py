"""Continuum tables: surface paths, surface_a_b_low|wide.

A point moves on an egg-shaped surface (an oval in plan, wider at the top
than at the bottom). Its longitude runs a times round the vertical axis while
its latitude swings b times about a middle latitude. The two are coupled:
the swing is larger on one side of the surface than on the other, and the
longitude hurries while the latitude crosses its middle and lingers at the
ends of each swing (the speed-up never stops the turn). x, y are the plan
position, z the height on the surface: every coordinate is kept as it falls.
`low` swings in a narrow band below the equator; `wide` sweeps from low to
high latitudes. Numbers: data/continuum/surface.json.
"""
import math

from ...motion import TAU, normalise
from . import load_data, members

DATA = load_data("surface.json")


def surface(a, b, kind):
    k = DATA["kinds"][kind]
    middle, swing = math.radians(k["middle_degrees"]), math.radians(k["swing_degrees"])
    oval_at = math.radians(DATA["oval_at_degrees"])
    # Keeps the longitude monotone: its rate a + 2 b hurry stays positive.
    hurry = DATA["longitude_hurry"] * a / (2.0 * b)

    def build(period):
        rows = []
        for i in range(period):
            t = TAU * i / period
            lon = a * t + hurry * math.sin(2.0 * b * t)
            lat = middle + swing * (1.0 + DATA["swing_coupling"] * math.cos(lon)) * math.sin(b * t)
            r = (1.0 + DATA["oval"] * math.cos(2.0 * (lon - oval_at)) * math.cos(lat)
                 + DATA["egg"] * math.sin(lat))
            rows.append((r * math.cos(lat) * math.cos(lon), r * math.cos(lat) * math.sin(lon),
                         r * math.sin(lat)))
        return normalise(rows)

    return build


BUILDERS = {}
for record in members("surface_"):
    _prefix, a, b, kind = record.name.split("_")
    BUILDERS[record.name] = surface(int(a), int(b), kind)

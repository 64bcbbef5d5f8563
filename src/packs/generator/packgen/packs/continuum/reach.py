"""Continuum tables: reaches from a shared centre, reach_<kind>_n.

n reaches leave the centre one after another, each in its own direction and
of its own length, and each settles back on the centre and holds there until
the next: n returns, with no jump anywhere. A reach is two eased runs in its
own frame (along its direction, across it, in depth): out to its tip, where
it halts, and back to the centre. Reaches start on sixteenths spread evenly
over the period; out and back take equal halves, so tips land on the grid.

Kinds: `scoop` swoops out low to one side and comes back nearly straight;
`hook` goes straight out and curls round at the tip, returning alongside;
`lift` rises forward in depth on the way out and dips back on the way home;
`recoil` comes back past the centre to the other side before it settles.
Shapes, directions and lengths: data/continuum/reach.json.
"""
import math

from ...motion import moves_and_holds, normalise, padded
from . import load_data, members

DATA = load_data("reach.json")
SIXTEENTH = 16
CENTRE = (0.0, 0.0, 0.0)


def placed(point, angle, length):
    """A point of a reach's own frame in the table's frame."""
    along, across, depth = (length * c for c in point)
    c, s = math.cos(angle), math.sin(angle)
    return (along * c - across * s, along * s + across * c, depth)


def reach(kind, n, dimensions, member):
    shape = DATA["kinds"][kind]

    def build(period):
        pips = DATA["pips"][str(n)]
        slots = period // SIXTEENTH
        onsets = [SIXTEENTH * ((2 * j * slots + n) // (2 * n)) for j in range(n)] + [period]
        moves = []
        for j in range(n):
            angle = math.radians(member["directions"][j])
            length = member["lengths"][j]
            moves.append((pips // 2, [placed(p, angle, length) for p in shape["out"]]))
            moves.append((pips // 2, [placed(p, angle, length) for p in shape["back"]]))
            moves.append((onsets[j + 1] - onsets[j] - pips, []))
        rows = moves_and_holds(CENTRE, moves)
        if dimensions == 2:
            rows = padded((x, y) for x, y, _z in rows)
        return normalise(rows)

    return build


BUILDERS = {}
for record in members("reach_"):
    _prefix, kind, n = record.name.split("_")
    BUILDERS[record.name] = reach(kind, int(n), record.dimensions, DATA["members"][record.name])

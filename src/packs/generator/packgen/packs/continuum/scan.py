"""Continuum tables: serpentine scans, scan_<kind>_m.

The point sweeps m passes across a field, left to right and back, each pass
an eased run that starts and ends at rest, joined by round U-turns that bulge
just beyond the pass ends. After the last pass an explicit return carries it
back to the start outside the field: round the far side and back over the top,
dropping onto the start, when m is odd (the scan ends on the far side); up the
near side, arriving from the left, when m is even. Passes
and turns start on the sixteenth grid, row 0 at the start of the first pass.

Kinds: `flat` passes run straight; `bowed` ones sag in the middle; `tilted`
rows slope down across the field; `depth` lays the rows out in depth (a floor
scanned from back to front) and the return rises up and over the field.
Numbers: data/continuum/scan.json.
"""
import math

from ...motion import moves_and_holds, normalise, padded
from . import load_data, members

DATA = load_data("scan.json")
TURN_ANGLES = (45.0, 90.0, 135.0)  # points a U-turn passes, round its half-ellipse
BOW_POINTS = 4  # a bowed pass runs through this many points of its sag


def field_point(kind, x, row):
    if kind == "tilted":
        return (x, row - DATA["tilt"] * x)
    return (x, row)


def serpentine(kind, m):
    """Start, moves (pips, points) of the passes and turns, and the pips they take."""
    w, first, last = DATA["half_width"], DATA["first_row"], DATA["last_row"]
    timing = DATA["timing"][str(m)]
    rows = [first + (last - first) * j / (m - 1) for j in range(m)]
    side = [(-w if j % 2 == 0 else w) for j in range(m + 1)]
    moves = []
    for j in range(m):
        if kind == "bowed":
            xs = [side[j] + (side[j + 1] - side[j]) * q / BOW_POINTS for q in range(1, BOW_POINTS + 1)]
            points = [(x, rows[j] - DATA["bow"] * (1.0 - (x / w) ** 2)) for x in xs]
        else:
            points = [field_point(kind, side[j + 1], rows[j])]
        moves.append((timing["pass"], points))
        if j + 1 < m:
            outward = 1.0 if side[j + 1] > 0 else -1.0
            middle, half_gap = (rows[j] + rows[j + 1]) / 2.0, (rows[j] - rows[j + 1]) / 2.0
            turn = [field_point(kind, side[j + 1] + outward * DATA["turn_bulge"] * math.sin(math.radians(a)),
                                middle + half_gap * math.cos(math.radians(a))) for a in TURN_ANGLES]
            moves.append((timing["turn"], turn + [field_point(kind, side[j + 1], rows[j + 1])]))
    return field_point(kind, -w, first), moves, m * timing["pass"] + (m - 1) * timing["turn"]


def outer_return(m, start):
    """Points of the return outside a flat field, ending at ``start``."""
    w, first, last, margin = DATA["half_width"], DATA["first_row"], DATA["last_row"], DATA["margin"]
    outside = w + margin
    if m % 2:
        route = [(outside, (first + last) / 2.0), (outside, first + 0.5 * margin),
                 (0.0, start[1] + margin), (start[0], start[1] + 0.6 * margin)]
    else:
        route = [(-outside, (first + last) / 2.0), (-outside, start[1])]
    return route + [start]


def scan(kind, m):
    def build(period):
        if kind != "depth":
            start, moves, spent = serpentine(kind, m)
            moves.append((period - spent, outer_return(m, start)))
            return normalise(padded(moves_and_holds(start, moves)))
        # Rows in depth, back to front; the return arcs up over the field.
        start, moves, spent = serpentine("flat", m)
        floor = lambda p: (p[0], 0.0, -p[1])  # noqa: E731
        moves = [(pips, [floor(p) for p in points]) for pips, points in moves]
        end = moves[-1][1][-1]
        over = ((end[0] + start[0]) / 2.0, DATA["lift"], (end[2] - start[1]) / 2.0)
        moves.append((period - spent, [over, floor(start)]))
        return normalise(moves_and_holds(floor(start), moves))

    return build


BUILDERS = {}
for record in members("scan_"):
    _prefix, kind, m = record.name.split("_")
    BUILDERS[record.name] = scan(kind, int(m))

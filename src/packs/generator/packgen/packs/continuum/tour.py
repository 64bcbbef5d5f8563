"""Continuum tables: star-polygon tours, tour_n_k.

n stops stand round a noncircular oval; the tour visits them k steps apart
({n/k}), holds at each, and moves on in an eased straight run, so every
corner is a stop. The holds alternate long and short. An alternation needs
an even number of visits to close, so a tour of odd n goes round the star
twice: each stop is held once long and once short, and the loop ends where it
began. Visits come in long-short pairs; pairs start on sixteenths, spread as
evenly as the grid allows, holds last whole thirty-seconds, and within a pair
both moves take the same time, so every arrival lands on the thirty-second
grid. Row 0 is the arrival at the top stop. Three-dimensional tours lift the stops
of the long holds forward in depth and drop the others back, so the star
zigzags through depth. Shapes and shares: data/continuum/tour.json.
"""
import math

from ...motion import moves_and_holds, normalise, padded
from . import load_data, members

DATA = load_data("tour.json")
SIXTEENTH = 16
HOLD_GRID = 8  # holds last whole thirty-seconds


def stops(n, shape):
    points = []
    for i in range(n):
        angle = math.radians(90.0 + shape["turn"]) + 2.0 * math.pi * i / n
        r = 1.0 + shape["egg"] * math.sin(angle)
        points.append((r * math.cos(angle), shape["aspect"] * r * math.sin(angle)))
    return points


def tour(n, k, dimensions, shape):
    def build(period):
        visits = n if n % 2 == 0 else 2 * n
        pairs = visits // 2
        slots = period // SIXTEENTH
        starts = [SIXTEENTH * ((2 * q * slots + pairs) // (2 * pairs)) for q in range(pairs)]
        starts.append(period)
        mean_visit = period / visits
        long_hold = HOLD_GRID * max(1, round(DATA["dwell"]["long"] * mean_visit / HOLD_GRID))
        short_hold = HOLD_GRID * max(1, round(DATA["dwell"]["short"] * mean_visit / HOLD_GRID))
        # Even moves, whole thirty-seconds each: the two holds fill whole sixteenths.
        long_hold += (long_hold + short_hold) % SIXTEENTH
        places = stops(n, shape)
        depth = DATA["depth"]
        path = []
        for j in range(visits):
            x, y = places[(j * k) % n]
            path.append((x, y, depth["lifted"] if j % 2 == 0 else depth["lowered"])
                        if dimensions == 3 else (x, y))
        moves = []
        for q in range(pairs):
            # A pair: a long hold and a move, a short hold and a move of the same length.
            move = (starts[q + 1] - starts[q] - long_hold - short_hold) // 2
            for j, hold in ((2 * q, long_hold), (2 * q + 1, short_hold)):
                moves.append((hold, []))
                moves.append((move, [path[(j + 1) % visits]]))
        return normalise(padded(moves_and_holds(path[0], moves)))

    return build


BUILDERS = {}
for record in members("tour_"):
    _prefix, n, k = record.name.split("_")
    BUILDERS[record.name] = tour(int(n), int(k), record.dimensions,
                                 DATA["shapes"][record.name])

"""Atlas tables: single-point gestures, gesture_<name>.

A gesture is authored as a start position and a list of moves
(data/atlas/gesture.json). A move either holds still for its pips or runs
from where the point is through the listed points, along an open
Catmull-Rom path (its ends continued straight), timed by smootherstep so
that it starts and ends at rest. A run through one point is a straight,
eased move; a run through several is a flowing arc. Moves meet at rest, so
every pose, touch and turn of a gesture is a moment of stillness, and the
last move comes back to the start for a seamless loop.
"""
import math

from ...motion import TAU, eased_run_rows
from .authored_data import load_json

DATA = load_json("gesture.json")["gestures"]


def point3(p):
    return tuple(p) + (0.0,) * (3 - len(p))


def spiral_points(start, plan):
    """Points of a spiral opening out from ``start`` while moving in depth."""
    count = int(round(plan["turns"] * plan["points_per_turn"]))
    x0, y0, z0 = start
    points = []
    for k in range(1, count + 1):
        share = k / count
        angle = TAU * plan["turns"] * share
        r = plan["radius"] * share
        points.append((x0 + r * math.cos(angle), y0 + r * math.sin(angle), z0 + (plan["z"] - z0) * share))
    return points


def gesture(plan):
    def build(period):
        here = point3(plan["start"])
        rows = []
        for move in plan["moves"]:
            pips, targets = move[0], move[1:]
            if targets and isinstance(targets[0], dict):
                targets = spiral_points(here, targets[0]["spiral"])
            targets = [point3(p) for p in targets]
            rows += eased_run_rows([here] + targets, pips) if targets else [here] * pips
            here = targets[-1] if targets else here
        if len(rows) != period or here != point3(plan["start"]):
            raise ValueError("a gesture fills its period and ends where it starts")
        return rows

    return build


BUILDERS = {name: gesture(plan) for name, plan in DATA.items()}

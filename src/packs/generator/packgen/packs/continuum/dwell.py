"""Continuum tables: dwell_phrase_NN, two lift-and-hold gestures of unequal
musical length, a transfer between them and a settling return.

Each phrase is authored as moves (data/continuum/dwell.json): runs through
points that leave and arrive at rest, and holds of a whole number of
sixteenths. The phrase starts on the downbeat at its resting point and ends
there after overshooting it less and less, so the settling is the loop's
seam and the two holds are the only stillness.
"""
from ...motion import timed_runs
from .rhythm_support import SIXTEENTH, family, load_json

PHRASES = load_json("dwell.json")["phrases"]


def runs_of_moves(moves):
    """(start pip, end pip, points) of each run; holds are the gaps between runs."""
    runs, pip, holds = [], 0, []
    for move in moves:
        pips, points = move[0], move[1:]
        if points:
            runs.append((pip, pip + pips, points))
        else:
            holds.append(pips)
        pip += pips
    return runs, pip, holds


def dwell(name, _word, _number):
    plan = PHRASES[name]
    runs, length, holds = runs_of_moves(plan["moves"])
    if len(holds) != 2 or holds[0] == holds[1] or any(h % SIXTEENTH for h in holds):
        raise ValueError("%s: two holds of unequal whole sixteenths" % name)
    if runs[-1][2][-1] != plan["start"]:
        raise ValueError("%s: the phrase settles where it starts" % name)

    def build(period):
        if length != period:
            raise ValueError("%s: moves fill %d of %d pips" % (name, length, period))
        return timed_runs(period, runs)

    return build


BUILDERS = family("dwell_", dwell)

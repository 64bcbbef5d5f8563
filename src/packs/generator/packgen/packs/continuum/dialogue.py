"""Continuum tables: dialogue_g1_g2_..., groups of g eighth notes in the
name's order, each in a new direction, with a late pickup into each change.

Each group has a station away from the centre (data/continuum/dialogue.json),
a new direction for every group. Through a group the point pumps outward
from its station once on every eighth note, so a group of g eighths shows g
pumps. The next group answers late: the point stays until the last
sixteenth of the group and then picks up to the next station, landing on
the new group's downbeat. The period is 32 pips for every eighth note of
the name.
"""
from ...motion import normalise, pulse_sum, timed_runs
from .rhythm_support import EIGHTH, SIXTEENTH, family, load_json, note_runs

STATIONS = load_json("dialogue.json")["stations"]
PUMP = 0.35  # outward share of a station's distance on each eighth
PUMP_HALF_WIDTH = EIGHTH / 2


def group_starts(groups):
    starts, pip = [], 0
    for g in groups:
        starts.append(pip)
        pip += EIGHTH * g
    return starts


def dialogue(name, *groups):
    if len(groups) > len(STATIONS):
        raise ValueError("%s: more groups than stations" % name)

    def build(period):
        if period != EIGHTH * sum(groups):
            raise ValueError("%s: the period is an eighth note per step of its groups" % name)
        starts = group_starts(groups)
        stations = [(start, STATIONS[j]) for j, start in enumerate(starts)]
        base = timed_runs(period, note_runs(period, stations, SIXTEENTH))
        pumps = [(start + EIGHTH * e, PUMP_HALF_WIDTH, (PUMP, 0.0, 0.0))
                 for start, g in zip(starts, groups) for e in range(g)]
        pump = [row[0] for row in pulse_sum(period, pumps)]
        return normalise([tuple(v * (1.0 + pump[i]) for v in base[i]) for i in range(period)])

    return build


BUILDERS = family("dialogue_", dialogue)

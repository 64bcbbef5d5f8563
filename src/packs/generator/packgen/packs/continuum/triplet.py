"""Continuum tables: triplet_NN_answer|turnaround, strokes on the triplet
grid with deliberate omissions.

A figure (data/continuum/triplet.json) marks which of the twelve triplet
eighths of four beats sound. It plays in the first four beats; in the last
four the answer table plays it again and fills some of its gaps with
answers off the triplet grid, on straight sixteenths, while the turnaround
table plays it rotated.

Each of the three triplet eighths of a beat has its own place: the beat
low in the middle, the second up to the right, the third up to the left.
The point runs from stroke to stroke and arrives on each one's time, so a
full beat draws a triangle and an omission cuts its corner. Every stroke
taps forward in depth, a stroke on the beat harder; an answer is a long
push in depth that the figure never makes.
"""
from ...motion import normalise, pulse_sum, timed_runs
from .rhythm_support import BEAT, SIXTEENTH, family, load_json, note_runs

FIGURES = load_json("triplet.json")["figures"]
SLOT = BEAT / 3  # a triplet eighth
SLOTS = 12  # four beats of triplet eighths
PLACES = ((0.0, -0.55), (0.6, 0.35), (-0.6, 0.35))  # by triplet eighth within the beat
TAP_HALF_WIDTH = 8
BEAT_TAP, TAP = 0.4, 0.22
ANSWER_PUSH = 0.6  # above every tap, and no further than the figure reaches: answer and turnaround share a scale
ANSWER_HALF_WIDTH = 14
CLEARANCE = 12  # pips an answer keeps from every stroke


def strokes(figure, first_slot):
    return [first_slot + s for s, mark in enumerate(figure) if mark == "x"]


def triplet(name, number, ending):
    plan = FIGURES["%02d" % number]
    figure = plan["figure"]
    if len(figure) != SLOTS or "." not in figure or set(figure) - set("x."):
        raise ValueError("%s: twelve triplet eighths with omissions" % name)
    r = plan["rotation"] % SLOTS
    second = figure if ending == "answer" else figure[r:] + figure[:r]
    if ending == "turnaround" and second == figure:
        raise ValueError("%s: the turnaround must change the figure" % name)
    slots = strokes(figure, 0) + strokes(second, SLOTS)
    answers = [SLOTS * SLOT + SIXTEENTH * q for q in plan["answers"]] if ending == "answer" else []
    for pip in answers:
        if min(abs(pip - SLOT * s) for s in slots) < CLEARANCE or pip % BEAT == 0:
            raise ValueError("%s: an answer at pip %s is not in a gap off the grid" % (name, pip))

    def build(period):
        places = [(SLOT * s, PLACES[s % 3]) for s in slots]
        xy = timed_runs(period, note_runs(period, places, BEAT, share=1.0))
        taps = [(SLOT * s, TAP_HALF_WIDTH, (0.0, 0.0, BEAT_TAP if s % 3 == 0 else TAP))
                for s in slots]
        taps += [(pip, ANSWER_HALF_WIDTH, (0.0, 0.0, ANSWER_PUSH)) for pip in answers]
        z = [row[2] for row in pulse_sum(period, taps)]
        return normalise([(xy[i][0], xy[i][1], z[i]) for i in range(period)])

    return build


BUILDERS = family("triplet_", triplet)

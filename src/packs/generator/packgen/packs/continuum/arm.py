"""Continuum tables: two-link arms, arm_coupled_NN.

The tip of a two-link planar arm whose joints are driven kinematically, not
simulated: the shoulder angle and the elbow angle each follow a periodic
programme of a few integer-frequency sines, with frequencies coupled (the
elbow flexes once, twice, three or four times per shoulder cycle), so the
tip traces the closed curve of a jointed limb rather than an ellipse.
Three-dimensional arms also swing the arm's plane about the vertical through
the shoulder, which carries the tip forward and back in depth. Rows are the
tip in table units, as laid out in data/continuum/arm.json (no rescaling),
so the shoulder and the links can be read back from the table.
"""
import math

from ...motion import TAU
from . import load_data, members

ARMS = load_data("arm.json")["arms"]


def programme(angles, t):
    """An angle programme's value, in radians, at t."""
    mean, terms = angles
    return math.radians(mean + sum(a * math.sin(f * t + math.radians(p)) for f, a, p in terms))


def arm(plan, dimensions):
    (sx, sy), (upper, lower) = plan["shoulder"], plan["links"]

    def build(period):
        rows = []
        for i in range(period):
            t = TAU * i / period
            shoulder = programme(plan["shoulder_angle"], t)
            hand = shoulder + programme(plan["elbow"], t)
            x = upper * math.cos(shoulder) + lower * math.cos(hand)
            y = upper * math.sin(shoulder) + lower * math.sin(hand)
            if dimensions == 3:
                swing = programme(plan["swing"], t)
                rows.append((sx + x * math.cos(swing), sy + y, x * math.sin(swing)))
            else:
                rows.append((sx + x, sy + y, 0.0))
        return rows

    return build


BUILDERS = {}
for record in members("arm_"):
    plan = ARMS[record.name]
    if ("swing" in plan) != (record.dimensions == 3):
        raise ValueError("%s: a swing programme is what gives an arm depth" % record.name)
    BUILDERS[record.name] = arm(plan, record.dimensions)

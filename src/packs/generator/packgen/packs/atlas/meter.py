"""Atlas tables: additive meters of eighth-note groups.

Group starts lean alternately right and left; every other eighth note is a
small lift with a touch of depth. Each eighth note is 32 pips, so the period
is 32 times the sum of the groups.
"""
from ...motion import pulse_sum
from .rule_support import family_from_names

STEP = 32
START_HALF_WIDTH = 19.2
START_X, START_Y = 0.72, -0.33
SUBDIVISION_HALF_WIDTH = 32 / 3
SUBDIVISION = (0.0, -0.1134, 0.0504)


def meter(*groups):
    starts = {}
    step = 0
    for j, group in enumerate(groups):
        starts[step] = j
        step += group

    def build(period):
        pulses = []
        for s in range(sum(groups)):
            if s in starts:
                side = 1.0 if starts[s] % 2 == 0 else -1.0
                pulses.append((STEP * s, START_HALF_WIDTH, (side * START_X, START_Y, 0.0)))
            else:
                pulses.append((STEP * s, SUBDIVISION_HALF_WIDTH, SUBDIVISION))
        return pulse_sum(period, pulses)

    return build


BUILDERS = family_from_names("meter_", meter)

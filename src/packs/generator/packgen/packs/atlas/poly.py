"""Atlas tables: two independent pulse trains, a left lane of a pulses and a
right lane of b, sharing the eight-beat boundary; right-lane gestures reach
into depth. Centres are exact fractions of the period, not grid steps."""
from ...motion import pulse_sum
from .rule_support import family_from_names

HALF_WIDTH = 22.4
LEFT = (-0.62, -0.26, 0.0)
RIGHT = (0.62, -0.26, 0.22)
LATER_WEIGHT = 0.65


def lane(count, direction, period):
    pulses = []
    for j in range(count):
        weight = 1.0 if j == 0 else LATER_WEIGHT
        pulses.append((period * j / count, HALF_WIDTH, tuple(weight * a for a in direction)))
    return pulses


def poly(a, b):
    def build(period):
        return pulse_sum(period, lane(a, LEFT, period) + lane(b, RIGHT, period))

    return build


BUILDERS = family_from_names("poly_", poly)

"""Atlas tables: mechanisms that follow a formula of the crank angle."""
import math

from .rule_support import formula, normalised

sin, cos, sqrt = math.sin, math.cos, math.sqrt


def piston(rod):
    """Slider-crank travel with crank 1 and connecting rod ``rod``, centred and scaled by 0.82."""
    return lambda t: 0.82 * (cos(t) + sqrt(rod * rod - sin(t) ** 2) - rod)


BUILDERS = {
    "mech_scotch_yoke": formula(
        x=lambda t: 0.82 * cos(t), y=lambda t: 0.287 * sin(t) + 0.1476 * sin(3 * t)
    ),
    "mech_piston_balance": formula(
        x=lambda t: 0.82 * cos(t), y=lambda t: 0.41 * sin(2 * t), z=lambda t: 0.205 * sin(t)
    ),
    "mech_piston_short": formula(x=piston(2), y=lambda t: 0.246 * sin(t)),
    "mech_piston_long": formula(x=piston(4), y=lambda t: 0.205 * sin(2 * t)),
    "mech_wobble_plate": formula(
        x=lambda t: 0.82 * cos(t), y=lambda t: 0.287 * sin(t), z=lambda t: 0.41 * sin(2 * t + 0.3)
    ),
    "mech_two_lobe_cam": normalised(
        x=lambda t: 0.6 * sin(t), y=lambda t: 0.4 * cos(t) + 1.1 * cos(2 * t)
    ),
    "mech_three_lobe_cam": normalised(
        x=lambda t: 0.25 * sin(t), y=lambda t: 0.2 * cos(t) + cos(3 * t)
    ),
    "mech_paddle": normalised(
        x=lambda t: cos(t) + 0.23 * cos(4 * t), y=lambda t: sin(t) + 0.23 * sin(4 * t)
    ),
    "mech_coupled_cranks": normalised(
        x=lambda t: cos(t) + 0.35 * cos(3 * t + 0.6), y=lambda t: sin(t) - 0.35 * sin(3 * t + 0.6)
    ),
}

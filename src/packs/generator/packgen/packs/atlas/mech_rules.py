"""Atlas tables: mech rules."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "mech_scotch_yoke",
    "mech_piston_balance",
    "mech_piston_short",
    "mech_piston_long",
    "mech_wobble_plate",
    "mech_two_lobe_cam",
    "mech_three_lobe_cam",
    "mech_paddle",
    "mech_coupled_cranks",
]

BUILDERS = stand_ins(RECORDS, NAMES)

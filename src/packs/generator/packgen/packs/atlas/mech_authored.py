"""Atlas tables: mech authored."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "mech_offset_crank",
    "mech_whitworth",
    "mech_elliptic_cam",
    "mech_escapement",
    "mech_rocking_beam",
    "mech_crank_rocker",
    "mech_cam_return",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: space."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "space_torus_2_5",
    "space_torus_2_7",
    "space_torus_3_4",
    "space_torus_3_5",
    "space_torus_3_7",
    "space_torus_4_5",
    "space_torus_4_7",
    "space_torus_5_6",
    "space_weave_1_2_3",
    "space_weave_1_3_4",
    "space_weave_2_3_4",
    "space_weave_2_3_7",
    "space_weave_2_5_7",
    "space_weave_3_4_5",
    "space_weave_3_5_7",
    "space_weave_4_5_7",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: spiro."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "spiro_inside_3_1",
    "spiro_inside_4_1",
    "spiro_inside_5_2",
    "spiro_inside_5_1",
    "spiro_inside_7_2",
    "spiro_inside_7_3",
    "spiro_inside_8_3",
    "spiro_inside_9_4",
    "spiro_outside_3_1",
    "spiro_outside_4_1",
    "spiro_outside_5_2",
    "spiro_outside_5_1",
    "spiro_outside_7_2",
    "spiro_outside_7_3",
    "spiro_outside_8_3",
    "spiro_outside_9_4",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: meter."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "meter_2_3",
    "meter_3_2",
    "meter_3_2_2",
    "meter_2_3_2",
    "meter_3_4",
    "meter_4_3",
    "meter_2_2_2_3",
    "meter_2_3_2_2",
    "meter_3_2_3_2",
    "meter_3_3_2_3",
    "meter_2_2_3_2_3",
    "meter_3_3_3_2",
    "meter_4_3_3",
    "meter_3_4_4",
    "meter_2_3_3_2_3",
    "meter_3_3_3_4",
]

BUILDERS = stand_ins(RECORDS, NAMES)

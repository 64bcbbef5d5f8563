"""Atlas tables: poly."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "poly_2_5",
    "poly_2_7",
    "poly_2_9",
    "poly_3_5",
    "poly_3_7",
    "poly_3_8",
    "poly_3_10",
    "poly_4_5",
    "poly_4_7",
    "poly_4_9",
    "poly_5_6",
    "poly_5_7",
    "poly_5_8",
    "poly_5_9",
    "poly_6_7",
    "poly_7_8",
]

BUILDERS = stand_ins(RECORDS, NAMES)

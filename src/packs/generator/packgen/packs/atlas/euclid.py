"""Atlas tables: euclid."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "euclid_2_5",
    "euclid_3_7",
    "euclid_3_10",
    "euclid_4_9",
    "euclid_4_11",
    "euclid_5_9",
    "euclid_5_11",
    "euclid_5_13",
    "euclid_5_14",
    "euclid_6_13",
    "euclid_7_12",
    "euclid_7_15",
    "euclid_7_17",
    "euclid_8_19",
    "euclid_9_20",
    "euclid_11_24",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: weave."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "weave_1_3",
    "weave_1_4",
    "weave_1_5",
    "weave_2_5",
    "weave_2_7",
    "weave_3_4",
    "weave_3_5",
    "weave_3_7",
    "weave_3_8",
    "weave_4_5",
    "weave_4_7",
    "weave_4_9",
    "weave_5_6",
    "weave_5_7",
    "weave_5_8",
    "weave_5_9",
]

BUILDERS = stand_ins(RECORDS, NAMES)

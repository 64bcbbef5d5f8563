"""Atlas tables: swing."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "swing_push_3_5",
    "swing_answer_3_5",
    "swing_skip_3_5",
    "swing_shuffle_3_5",
    "swing_push_2_3",
    "swing_answer_2_3",
    "swing_skip_2_3",
    "swing_shuffle_2_3",
    "swing_push_5_7",
    "swing_answer_5_7",
    "swing_skip_5_7",
    "swing_shuffle_5_7",
    "swing_push_3_4",
    "swing_answer_3_4",
    "swing_skip_3_4",
    "swing_shuffle_3_4",
]

BUILDERS = stand_ins(RECORDS, NAMES)

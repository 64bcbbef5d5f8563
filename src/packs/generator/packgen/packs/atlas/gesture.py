"""Atlas tables: gesture."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "gesture_side_reach",
    "gesture_cross_reach",
    "gesture_low_scoop",
    "gesture_high_arc",
    "gesture_corner_taps",
    "gesture_diagonal_touch",
    "gesture_box_return",
    "gesture_zigzag_lift",
    "gesture_duck_sway",
    "gesture_push_pull",
    "gesture_reach_depth",
    "gesture_bow_turn",
    "gesture_heel_toe",
    "gesture_hop_answer",
    "gesture_spiral_reach",
    "gesture_diamond_depth",
]

BUILDERS = stand_ins(RECORDS, NAMES)

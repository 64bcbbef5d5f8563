"""Atlas tables: wave rules."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "wave_pinched",
    "wave_shouldered",
    "wave_folded",
    "wave_double_fold",
    "wave_rounded_square",
    "wave_skew_warp",
    "wave_notched",
    "wave_reed",
    "wave_unequal_peaks",
    "wave_ripple_return",
]

BUILDERS = stand_ins(RECORDS, NAMES)

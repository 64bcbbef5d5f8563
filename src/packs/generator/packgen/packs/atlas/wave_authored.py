"""Atlas tables: wave authored."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "wave_soft_rectifier",
    "wave_scoop_warp",
    "wave_shelf_wave",
    "wave_bottle",
    "wave_soft_teeth",
    "wave_warped_fold",
]

BUILDERS = stand_ins(RECORDS, NAMES)

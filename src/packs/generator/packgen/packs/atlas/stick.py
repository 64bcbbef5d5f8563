"""Atlas tables: stick."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "stick_study_01",
    "stick_study_02",
    "stick_study_03",
    "stick_study_04",
    "stick_study_05",
    "stick_study_06",
    "stick_study_07",
    "stick_study_08",
    "stick_study_09",
    "stick_study_10",
    "stick_study_11",
    "stick_study_12",
    "stick_study_13",
    "stick_study_14",
    "stick_study_15",
    "stick_study_16",
]

BUILDERS = stand_ins(RECORDS, NAMES)

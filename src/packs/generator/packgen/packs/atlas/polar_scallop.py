"""Atlas tables: polar scallop."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "polar_scallop_2",
    "polar_scallop_3",
    "polar_scallop_4",
    "polar_scallop_5",
    "polar_scallop_6",
    "polar_scallop_7",
    "polar_scallop_8",
    "polar_scallop_9",
]

BUILDERS = stand_ins(RECORDS, NAMES)

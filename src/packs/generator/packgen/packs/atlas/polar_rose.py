"""Atlas tables: polar rose."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "polar_rose_3",
    "polar_rose_6",
    "polar_rose_7",
    "polar_rose_8",
    "polar_rose_9",
    "polar_rose_10",
    "polar_rose_11",
    "polar_rose_12",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: orbit."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "orbit_harmonic_01",
    "orbit_harmonic_02",
    "orbit_harmonic_03",
    "orbit_harmonic_04",
    "orbit_harmonic_05",
    "orbit_harmonic_06",
    "orbit_harmonic_07",
    "orbit_harmonic_08",
    "orbit_harmonic_09",
    "orbit_harmonic_10",
    "orbit_harmonic_11",
    "orbit_harmonic_12",
    "orbit_harmonic_13",
    "orbit_harmonic_14",
    "orbit_harmonic_15",
    "orbit_harmonic_16",
]

BUILDERS = stand_ins(RECORDS, NAMES)

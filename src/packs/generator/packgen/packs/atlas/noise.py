"""Atlas tables: noise."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "noise_drift_5",
    "noise_drift_7",
    "noise_drift_9",
    "noise_drift_11",
    "noise_orbit_6",
    "noise_orbit_8",
    "noise_orbit_10",
    "noise_orbit_12",
    "noise_ripple_5",
    "noise_ripple_7",
    "noise_ripple_9",
    "noise_ripple_11",
    "noise_depth_6",
    "noise_depth_8",
    "noise_depth_10",
    "noise_depth_12",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: env."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "env_lift_hold_drop",
    "env_inhale_exhale",
    "env_triple_swell",
    "env_rising_echo",
    "env_falling_echo",
    "env_anticipation",
    "env_plateau_scoop",
    "env_hesitant",
    "env_double_hold",
    "env_swell_recoil",
    "env_late_release",
    "env_split_attack",
    "env_suspended",
    "env_valley_peaks",
    "env_four_breaths",
    "env_return_stair",
]

BUILDERS = stand_ins(RECORDS, NAMES, y_only=NAMES)

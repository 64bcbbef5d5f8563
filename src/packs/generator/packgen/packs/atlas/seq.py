"""Atlas tables: seq."""
from ..stand_in import stand_ins
from . import RECORDS

NAMES = [
    "seq_up_down_even",
    "seq_up_down_lilt",
    "seq_pendulum_even",
    "seq_pendulum_lilt",
    "seq_octave_even",
    "seq_octave_lilt",
    "seq_unequal_even",
    "seq_unequal_lilt",
    "seq_question_even",
    "seq_question_lilt",
    "seq_answer_even",
    "seq_answer_lilt",
    "seq_ratchet_even",
    "seq_ratchet_lilt",
    "seq_stairs_even",
    "seq_stairs_lilt",
]

BUILDERS = stand_ins(RECORDS, NAMES)

"""Atlas tables: eight-stroke sticking studies answered with the hands swapped.

Sixteen eighth-note strokes over eight beats: the sticking of
data/atlas/stickings.tsv, then the same with R and L exchanged, accents kept.
"""
from ...motion import pulse_sum
from ...rhythm import sticking_pulses
from .rule_support import read_table

HALF_WIDTH = 12
ACCENT = (0.74, -0.34)
PLAIN = (0.407, -0.187)
SWAP = str.maketrans("RL", "LR")


def stick_study(strokes):
    """``strokes``: R/L letters, capitals for the accented group leads."""
    hands = "".join(strokes).upper()
    hands += hands.translate(SWAP)
    accents = [k for k, s in enumerate(strokes) if s.isupper()]
    accents += [k + len(strokes) for k in accents]

    def build(period):
        return pulse_sum(period, sticking_pulses(hands, period, HALF_WIDTH, accents, ACCENT, PLAIN))

    return build


BUILDERS = {
    "stick_study_" + fields[0]: stick_study(fields[1:]) for fields in read_table("stickings.tsv")
}

"""Atlas tables: k evenly distributed onsets on an n-step grid of eighth notes.

The first onset is the phrase accent; the later ones swing alternately left
and right. Each step is 32 pips, so the period is 32 n.
"""
from ...motion import euclid_onsets, pulse_sum
from .rule_support import family_from_names

STEP = 32
HALF_WIDTH = 24
ACCENT = (0.75, -0.32, 0.0)
ONSET_X, ONSET_Y = 0.5625, -0.24


def euclid(k, n):
    def build(period):
        pulses = []
        for j, step in enumerate(euclid_onsets(k, n)):
            if j == 0:
                amplitudes = ACCENT
            else:
                amplitudes = (ONSET_X if j % 2 == 0 else -ONSET_X, ONSET_Y, 0.0)
            pulses.append((STEP * step, HALF_WIDTH, amplitudes))
        return pulse_sum(period, pulses)

    return build


BUILDERS = family_from_names("euclid_", euclid)

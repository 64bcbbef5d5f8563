"""Continuum tables: accent_walk_n_k, four bars of n evenly spaced pulses
and a two-accent motif that walks k pulses later in each bar.

Every pulse lifts the point a little; the motif's two accents (its pulses 0
and 2 in the first bar, k pulses later in each bar after, wrapping round
within the bar) lift it high and push it forward. The motif's first accent
throws the point to the right and its second to the left, and the point
travels between them, so the sway shifts with the walk while the grid of
pulses keeps its spacing.
"""
from ...motion import normalise, pulse_sum, timed_runs
from .rhythm_support import BAR, family, note_runs

BARS = 4
MOTIF = (0, 2)  # pulses of the two accents in the first bar
SIDES = (0.6, -0.6)
PULSE_LIFT, ACCENT_LIFT = 0.28, 0.85
ACCENT_DEPTH = 0.6
WIDTH_SHARE = 0.6  # half-width of a pulse as a share of the pulse spacing


def accents_in_bar(n, k, bar):
    """Pulse numbers of the motif's accents in ``bar``."""
    return [(pulse + k * bar) % n for pulse in MOTIF]


def accent_walk(_name, _walk, n, k):
    def build(period):
        if period != BARS * BAR:
            raise ValueError("an accent walk is four bars long")
        spacing = BAR / n
        lifts, sides = [], []
        for bar in range(BARS):
            accented = accents_in_bar(n, k, bar)
            for pulse in range(n):
                pip = BAR * bar + spacing * pulse
                if pulse in accented:
                    lifts.append((pip, WIDTH_SHARE * spacing, (0.0, ACCENT_LIFT, ACCENT_DEPTH)))
                    sides.append((pip, (SIDES[accented.index(pulse)],)))
                else:
                    lifts.append((pip, WIDTH_SHARE * spacing, (0.0, PULSE_LIFT, 0.0)))
        x = timed_runs(period, note_runs(period, sides, BAR, share=1.0))
        return normalise([(x[i][0], y, z) for i, (_x, y, z) in enumerate(pulse_sum(period, lifts))])

    return build


BUILDERS = family("accent_", accent_walk)

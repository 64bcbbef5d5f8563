"""Continuum tables: burst_a_b_c, three directional bursts subdivided a, b
and c, deliberate gaps and a late settling accent.

Each burst fills one beat (on beats 1, 3 and 5) with its strokes, evenly
subdivided and starting on the beat: the point travels in the burst's
direction one stroke at a time, arriving on the beat and on each
subdivision after it with a quick move and resting till the next. A burst
of a given subdivision always travels the same way
(data/continuum/burst.json). In the gaps the point drifts part of the way
home. On the last sixteenth before beat 8 it picks up into the late accent,
strikes on beat 8 and settles home through smaller and smaller overshoots
before the downbeat's stroke.
"""
from ...motion import normalise, timed_runs
from .rhythm_support import BEAT, SIXTEENTH, family, load_json

DATA = load_json("burst.json")
REACH = 0.9  # distance a burst travels
STROKE_SHARE = 0.6  # share of a subdivision a stroke takes to arrive; it rests for the rest
STROKE_MOVE = 12  # pips a stroke takes at most, so the first one's move fits before its beat
DRIFT_HOME = 0.4  # share of the way home the point drifts in a gap
BURST_BEATS = (0, 2, 4)
ACCENT_BEAT = 7
OVERSHOOTS = (-0.3, 0.1)  # settling positions as shares of the accent's reach


def along(point, direction, share):
    return tuple(p + share * d for p, d in zip(point, direction))


def toward(point, target, share):
    return tuple(p + share * (t - p) for p, t in zip(point, target))


def burst(name, *counts):
    rest = tuple(DATA["rest"])
    strike = tuple(r + a for r, a in zip(rest, DATA["accent"]))
    directions = [DATA["directions"][str(c)] for c in counts]

    moves = [min(STROKE_SHARE * BEAT / c, STROKE_MOVE) for c in counts]

    def build(period):
        runs, here = [], rest
        for k, (beat, count, direction) in enumerate(zip(BURST_BEATS, counts, directions)):
            for m in range(count):
                arrival = BEAT * beat + BEAT * m / count
                here = along(here, direction, REACH / count)
                runs.append((arrival - moves[k], arrival, [here]))
            last = k == len(BURST_BEATS) - 1
            gap_end = BEAT * ACCENT_BEAT - SIXTEENTH if last else BEAT * BURST_BEATS[k + 1] - moves[k + 1]
            here = toward(here, rest, DRIFT_HOME)
            runs.append((BEAT * (beat + 1), gap_end, [here]))
        accent = BEAT * ACCENT_BEAT
        runs.append((accent - SIXTEENTH, accent, [strike]))
        settle = [toward(rest, strike, share) for share in OVERSHOOTS] + [rest]
        runs += [(accent, accent + BEAT / 2, [settle[0]]),
                 (accent + BEAT / 2, accent + 3 * BEAT / 4, [settle[1]]),
                 (accent + 3 * BEAT / 4, period - moves[0], [settle[2]])]
        # The downbeat's stroke sets off before the loop's end: its move closes the cycle.
        first = runs.pop(0)
        runs.append((first[0] + period, first[1] + period, first[2]))
        return normalise(timed_runs(period, runs))

    return build


BUILDERS = family("burst_", burst)

"""Atlas tables: eight beats whose offbeats fall at p/q of each beat.

The score names which events sound: push (a light lift on every offbeat),
answer (the second half answers on the offbeats), skip (push without beats 2
and 6) and shuffle (answers on every offbeat and a ghost after beats 3 and 7).
"""
from ...motion import pulse_sum
from .rule_support import name_numbers
from . import RECORDS

BEAT = 64
BEATS = 8
SCORES = ("push", "answer", "skip", "shuffle")


def beat_pulse(b):
    side = 1.0 if b % 2 == 0 else -1.0
    if b % 4 == 0:
        return (BEAT * b, 12.8, (0.585 * side, -0.216, 0.0))
    return (BEAT * b, 12.8, (0.4225 * side, -0.156, 0.0))


def push_offbeat(b, offbeat):
    return (BEAT * b + offbeat, 8, (0.075, -0.15, 0.09))


def answer_offbeat(b, offbeat):
    side = 1.0 if b % 2 == 0 else -1.0
    return (BEAT * b + offbeat, 12.8, (-0.325 * side, -0.12, 0.0))


def shuffle_ghost(b, offbeat):
    # Halfway from the beat to its offbeat: 32 p / q pips after the beat.
    return (BEAT * b + offbeat / 2, 6.4, (0.0525, -0.105, 0.063))


def score_events(score, b, offbeat):
    """The pulses of beat b under ``score``."""
    events = []
    if not (score == "skip" and b in (2, 6)):
        events.append(beat_pulse(b))
    if score in ("push", "skip"):
        events.append(push_offbeat(b, offbeat))
    if (score == "answer" and b >= 4) or score == "shuffle":
        events.append(answer_offbeat(b, offbeat))
    if score == "shuffle" and b in (3, 7):
        events.append(shuffle_ghost(b, offbeat))
    return events


def swing(score, p, q):
    if score not in SCORES:
        raise ValueError("unknown swing score: " + score)

    def build(period):
        offbeat = BEAT * p / q
        pulses = []
        for b in range(BEATS):
            pulses += score_events(score, b, offbeat)
        return pulse_sum(period, pulses)

    return build


def swing_of_name(name):
    score = name.split("_")[1]
    return swing(score, *name_numbers(name, "swing_" + score + "_"))


BUILDERS = {r.name: swing_of_name(r.name) for r in RECORDS if r.name.startswith("swing_")}

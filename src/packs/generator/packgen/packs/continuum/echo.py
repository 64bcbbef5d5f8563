"""Continuum tables: echo_<kind>_n, a decaying call and n echoes.

The call sounds on the downbeat; each echo repeats it weaker and in the
answer's direction, at gaps kept as exact fractions of the period
(data/continuum/echo.json): equal gaps (regular), gaps that shrink or
expand, or equal gaps with the echoes crossing from side to side (crossed).
Every sound is a push: the point leaves at once along the sound's
direction, peaks a sixteenth later and glides back, bending through a small
loop on its way, so a quick next sound finds it still moving. The tails of
the cycle before are added in, so the loop closes.
"""
from ...motion import looped_response, normalise, push_kernel, push_turn_kernel
from .rhythm_support import family, fraction, load_json

DATA = load_json("echo.json")
RISE = 16  # a sound peaks a sixteenth after its onset
TURN = 0.35  # size of the loop across a sound's direction
ECHO_DECAY = 0.85  # each echo this much weaker than the sound before
CALL_TURN, ANSWER_TURN = (0.0, 0.0, -1.0), (1.0, 0.0, 0.0)


def echo(name, kind, n):
    gaps = [fraction(g) for g in DATA["gaps"]["%s_%d" % (kind, n)]]
    if len(gaps) != n or sum(gaps) >= 1:
        raise ValueError("%s: n gaps inside the period" % name)
    call = DATA["call"]
    answers = DATA["answers"][kind]
    push, turn = push_kernel(RISE), push_turn_kernel(RISE)

    def build(period):
        # The call loops through depth; the answers loop from side to side.
        sounds = [(0.0, 1.0, call, CALL_TURN)]
        at = 0
        for k, gap in enumerate(gaps):
            at += gap
            answer = answers[k % len(answers)]
            sounds.append((float(period * at), ECHO_DECAY ** (k + 1), answer, ANSWER_TURN))
        lanes = []
        for axis in range(3):
            pushes = [(pip, weight * way[axis]) for pip, weight, way, _across in sounds]
            turns = [(pip, weight * TURN * across[axis]) for pip, weight, _way, across in sounds]
            out = looped_response(period, pushes, push, tail_cycles=1)
            back = looped_response(period, turns, turn, tail_cycles=1)
            lanes.append([a + b for a, b in zip(out, back)])
        return normalise(list(zip(*lanes)))

    return build


BUILDERS = family("echo_", echo)

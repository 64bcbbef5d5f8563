"""Continuum tables: canon_NN_close|late, a one-bar motif called in the
lateral lane and answered in the depth lane.

A motif (data/continuum/canon.json) is a melody of positions on onsets at
rational beats (quarters, thirds and halves of a beat). The call plays it
in x in both bars; the answer follows in z after a short (close) or a longer
(late) delay, exact in the first half of the period and altered in the
second: mirrored, reversed, or both. The delays keep the answer's onsets
off the call's, so the answer is heard between the call's notes. Each lane
moves quickly to a note's position, arriving on its onset, and holds it
until the next note. A reversed answer starts on the note the straight one
ended on, so a motif answered reversed ends with a release: both lanes let
go to the centre before the next statement, and every entrance moves. A
call note pushes the point up and an answer note pushes it down, each push
gliding back until the next, so y tells who speaks and never stops.
"""
from ...motion import looped_response, normalise, push_kernel, timed_runs
from .rhythm_support import BAR, BEAT, family, fraction, load_json, note_runs

MOTIFS = load_json("canon.json")["motifs"]
MOVE = 16  # a lane reaches a note in a sixteenth (less between quicker notes)
CALL_LANE = 0.8
ANSWER_LANE = 0.8
PUSH_RISE = 12  # pips from a note to the top of its push
CALL_PUSH, ANSWER_PUSH = 0.3, -0.3
ALTERATIONS = {
    "inverted": lambda values: [-v for v in values],
    "retrograde": lambda values: values[::-1],
    "inverted retrograde": lambda values: [-v for v in values[::-1]],
}


def statement(notes, start, values=None):
    """(onset pip, position) of one statement of the motif from ``start``."""
    values = values if values is not None else [v for _onset, v in notes]
    return [(start + BEAT * fraction(onset), v) for (onset, _v), v in zip(notes, values)]


def releases(motif, *starts):
    """(pip, centre) where the lanes let go after each statement, if the motif has a release."""
    if "release" not in motif:
        return []
    return [(start + BEAT * fraction(motif["release"]), 0.0) for start in starts]


def lane(period, notes, scale):
    rows = timed_runs(period, note_runs(period, [(float(t), (scale * v,)) for t, v in notes], MOVE))
    return [row[0] for row in rows]


def canon(name, number, timing):
    motif = MOTIFS["%02d" % number]
    notes = motif["notes"]
    delay = BEAT * fraction(motif[timing])
    altered = ALTERATIONS[motif["altered"]]([v for _onset, v in notes])
    held = altered[0] == notes[-1][1] or notes[0][1] == altered[-1]
    if held and "release" not in motif:
        raise ValueError("%s: an answer enters on the note it holds; give the motif a release" % name)
    if "release" in motif and not fraction(notes[-1][0]) < fraction(motif["release"]) < 4:
        raise ValueError("%s: the release falls after the last note, within the bar" % name)

    def build(period):
        call = statement(notes, 0) + statement(notes, BAR)
        answer = statement(notes, delay) + statement(notes, BAR + delay, altered)
        x = lane(period, call + releases(motif, 0, BAR), CALL_LANE)
        z = lane(period, answer + releases(motif, delay, BAR + delay), ANSWER_LANE)
        pushes = [(float(t), CALL_PUSH) for t, _v in call]
        pushes += [(float(t), ANSWER_PUSH) for t, _v in answer]
        y = looped_response(period, pushes, push_kernel(PUSH_RISE), tail_cycles=1)
        return normalise(list(zip(x, y, z)))

    return build


BUILDERS = family("canon_", canon)

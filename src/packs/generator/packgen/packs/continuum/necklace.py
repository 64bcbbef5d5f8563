"""Continuum tables: necklace_NN, a hand-authored sixteen-step accent word.

Each member has its own word (data/continuum/necklace.tsv), one step an
eighth note over the eight beats, strung round a ring that the point runs
once a cycle, clockwise from the top. On every step a bead pushes the point
off the string: outward on an onset of the word, inward on a step of its
complement. Onsets rise: each onset of a run pushes further out than the
one before and comes further forward, so accents add depth as they rise;
a complement step lets the depth fall back.
"""
import math

from ...motion import TAU, normalise, pulse_sum, timed_runs
from .rhythm_support import EIGHTH, family, note_runs, read_table

STEPS = 16
WORDS = {fields[0]: fields[1] for fields in read_table("necklace.tsv")}
RING = 0.55
BEAD_HALF_WIDTH = 20
OUTWARD, RISE = 0.2, 0.1
INWARD = -0.18
ONSET_DEPTH, DEPTH_PER_RISE = 0.3, 0.22
BACK = -0.25


def rotations(word):
    return {word[k:] + word[:k] for k in range(len(word))}


def check_words(words):
    seen = set()
    for member, word in sorted(words.items()):
        if len(word) != STEPS or set(word) - set("01") or word[0] != "1":
            raise ValueError("necklace %s: sixteen steps of 0 and 1, starting with 1" % member)
        if word in seen:
            raise ValueError("necklace %s: a rotation of an earlier word" % member)
        seen |= rotations(word)


def run_index(word, s):
    """How many onsets come straight before step s within its run."""
    j = 0
    while j < s and word[s - j - 1] == "1":
        j += 1
    return j


def necklace(name, number):
    word = WORDS["%02d" % number]

    def build(period):
        step = period / STEPS
        if step != EIGHTH:
            raise ValueError("%s: a step is an eighth note" % name)
        beads, depths = [], []
        for s, bit in enumerate(word):
            if bit == "1":
                j = run_index(word, s)
                beads.append((step * s, BEAD_HALF_WIDTH, (OUTWARD + RISE * j, 0.0, 0.0)))
                depths.append((step * s, (ONSET_DEPTH + DEPTH_PER_RISE * j,)))
            else:
                beads.append((step * s, BEAD_HALF_WIDTH, (INWARD, 0.0, 0.0)))
                depths.append((step * s, (BACK,)))
        offset = [row[0] for row in pulse_sum(period, beads)]
        z = timed_runs(period, note_runs(period, depths, step, share=1.0))
        rows = []
        for i in range(period):
            angle, radius = TAU * i / period, RING + offset[i]
            rows.append((radius * math.sin(angle), radius * math.cos(angle), z[i][0]))
        return normalise(rows)

    return build


check_words(WORDS)
BUILDERS = family("necklace_", necklace)

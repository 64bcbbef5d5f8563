"""The continuum rhythm studies show what their names promise, measured on
the tables read through sample(): counts of holds, packets, echoes, landings,
pulses, strokes and pumps, and the grid their events fall on."""
import math
from fractions import Fraction
from itertools import combinations

import pytest

from measure import apart, arrivals, column, correlation, holds, peaks, runs, speeds

BEAT = 64
TRIPLET = Fraction(64, 3)


def numbers(name):
    return [int(part) for part in name.split("_") if part.isdigit()]


def near_grid(pip, *steps, tolerance=1.0):
    return any(abs(pip - step * round(pip / step)) <= tolerance for step in steps)


def peaks_above(values, floor, lo=0, hi=None):
    hi = len(values) if hi is None else hi
    return [i for i in peaks(values) if lo <= i < hi and values[i] > floor]


MEMBERS = {
    "dwell_": ["dwell_phrase_%02d" % k for k in range(1, 17)],
    "packet_": ["packet_%s_%d" % (kind, n) for n in range(2, 6)
                for kind in ("alternating", "cascading", "crossing", "depth")],
    "canon_": ["canon_%02d_%s" % (k, timing) for k in range(1, 9) for timing in ("close", "late")],
    "echo_": ["echo_%s_%d" % (kind, n) for n in range(3, 7)
              for kind in ("regular", "shrinking", "expanding", "crossed")],
    "ladder_": ["ladder_" + counts for counts in (
        "2_3_4_6 3_5_4_2 2_5_3_7 4_3_6_5 2_4_7_3 3_6_2_5 5_3_7_4 6_4_3_2 "
        "2_7_4_5 7_3_5_2 4_7_3_6 5_2_6_3 3_4_5_7 6_5_4_3 7_5_3_4 4_6_7_5").split()],
    "accent_walk_": ["accent_walk_" + nk for nk in (
        "5_1 5_2 7_1 7_2 7_3 8_1 8_3 9_1 9_2 9_4 10_3 11_2 11_3 12_5 13_3 13_5").split()],
    "triplet_": ["triplet_%02d_%s" % (k, ending) for k in range(1, 9)
                 for ending in ("answer", "turnaround")],
    "dialogue_": ["dialogue_" + groups for groups in (
        "3_4_5 5_3_4 3_5_2 2_5_4 4_3_2 3_2_4_5 5_2_3_4 2_3_5_3 "
        "3_4_3_5 5_4_2_3 2_4_5_2 4_5_3_2 3_5_4_3 5_3_2_5 2_5_3_5 4_3_5_4").split()],
    "burst_": ["burst_" + counts for counts in (
        "3_5_2 4_3_6 5_2_4 2_7_3 3_4_5 5_3_7 6_2_5 4_7_2 "
        "7_3_4 2_5_6 5_7_3 3_6_4 4_5_7 6_3_5 7_4_3 5_6_2").split()],
}


def family_test(prefix):
    """Parametrises a test over the members of a family."""
    return pytest.mark.parametrize("name", MEMBERS[prefix])


@family_test("dwell_")
def test_dwell_two_unequal_holds_of_whole_sixteenths(table, name):
    rows = table(name)
    found = holds(rows)
    assert len(found) == 2, found
    (a, first), (b, second) = found
    # A hold of h pips is h + 1 equal rows: the arrival and the h rows it is kept.
    assert first != second and (first - 1) % 16 == 0 and (second - 1) % 16 == 0
    assert a % 16 == 0 and b % 16 == 0
    assert all(abs(p - q) > 0.1 for p, q in zip(rows[a], rows[b]))  # a transfer in every direction
    # The settling return overshoots the resting point on its way home.
    x = column(rows, 0)
    assert len(peaks(x[b + second:])) + len(peaks([-v for v in x[b + second:]])) >= 2
    # Depth is a motion of its own, not a copy of another axis.
    assert all(abs(correlation(column(rows, axis), column(rows, 2))) < 0.9 for axis in (0, 1))


def packet_spans(rows, axes):
    """(start, length) of the stretches where the point shimmies: its bending,
    the largest second difference within a sixteenth, stands out."""
    n = len(rows)
    bend = [max(abs(rows[(i + 1) % n][a] - 2 * rows[i][a] + rows[i - 1][a]) for a in axes)
            for i in range(n)]
    near = [max(bend[(i + k) % n] for k in range(-8, 9)) for i in range(n)]
    return runs([b > 0.01 for b in near])


@family_test("packet_")
def test_packet_count_of_shimmies_on_the_eighths(table, name):
    rows = table(name)
    kind, n = name.split("_")[1], numbers(name)[0]
    shimmy_axes = (2,) if kind == "depth" else (0, 1)
    spans = packet_spans(rows, shimmy_axes)
    assert len(spans) == n, spans
    for start, length in spans:
        assert near_grid(start + length / 2, 32, tolerance=4)
    if kind != "depth":
        assert set(column(rows, 2)) == {0.0}
    else:
        assert not packet_spans(rows, (0, 1))


@family_test("canon_")
def test_canon_answer_copies_the_call_then_alters_it(table, name):
    rows = table(name)
    period = len(rows)
    call = arrivals(column(rows, 0))
    answer = column(rows, 2)
    assert all(near_grid(t, 16, float(TRIPLET)) for t, _v in call)
    first = [(t, v) for t, v in call if t < period // 2]
    second = [(t, v) for t, v in call if t >= period // 2]
    assert [v for _t, v in first] == [v for _t, v in second]  # the call plays twice

    def echoes(notes, d):
        ratios = [answer[(t + d) % period] / v for t, v in notes if v]
        return ratios[0] > 0 and all(abs(r - ratios[0]) < 1e-6 for r in ratios)

    # The answer arrives on each note a fixed delay after the call, holding it as long.
    delays = [d for d in range(1, period // 2) if echoes(first, d)]
    assert delays
    delay = delays[0]
    assert (delay < BEAT) == name.endswith("_close")
    assert not echoes(second, delay)  # the second answer is altered
    # Heard as an answer: at most a quarter of its notes (a lane at the centre has let go,
    # it plays none) in unison with the call's, and each entrance moves.
    calls = [t for t, v in call if v]
    answered = [t for t, v in arrivals(answer) if v]
    unison = [t for t in answered if any(apart(t, c, period) <= 2 for c in calls)]
    assert len(unison) <= len(answered) / 4, unison
    for entrance in (delay, delay + period // 2):
        assert abs(answer[entrance] - answer[entrance - 17]) > 0.2  # a note is reached in a sixteenth


ECHO_SPACING = {
    "regular": lambda gaps: max(gaps) - min(gaps) <= 1,
    "crossed": lambda gaps: max(gaps) - min(gaps) <= 1,
    "shrinking": lambda gaps: all(a > b for a, b in zip(gaps, gaps[1:])),
    "expanding": lambda gaps: all(a < b for a, b in zip(gaps, gaps[1:])),
}


def onsets(values, kink=0.01):
    """(first row, strength) of the places where a value suddenly starts to
    climb; the strength is the sudden gain in slope."""
    n = len(values)
    bend = [(values[(i + 1) % n] - values[i]) - (values[i] - values[i - 1]) for i in range(n)]
    return [(start, sum(bend[start:start + length]))
            for start, length in runs([b > kink for b in bend])]


@family_test("echo_")
def test_echo_call_then_n_echoes_spaced_as_named(table, name):
    rows = table(name)
    period = len(rows)
    kind, n = name.split("_")[1], numbers(name)[0]
    x, y = column(rows, 0), column(rows, 1)
    call = x.index(max(x))
    assert call < 32 and abs(y[call]) < 0.01  # the call moves sideways, not up
    echoes, strengths = zip(*onsets(y))
    assert len(echoes) == n
    assert all(a > b for a, b in zip(strengths, strengths[1:]))  # each echo weaker
    gaps = [b - a for a, b in zip((0,) + echoes, echoes)]
    # Each gap an exact fraction of the period: whole 32nd notes or triplet quarters.
    assert all(near_grid(g, period / 64, period / 12) for g in gaps), gaps
    assert ECHO_SPACING[kind](gaps), gaps
    moves = [[b - a for a, b in zip(rows[i], rows[i + 16])] for i in echoes]
    if kind == "crossed":
        assert all((a[0] > 0) != (b[0] > 0) for a, b in zip(moves, moves[1:]))
    else:
        assert all(m[1] > 2 * abs(m[0]) for m in moves)  # the answer moves up, not sideways


@family_test("ladder_")
def test_ladder_regions_land_as_named_with_accents_first(table, name):
    rows = table(name)
    y, z = column(rows, 1), column(rows, 2)
    depths = []
    for r, count in enumerate(numbers(name)):
        lo, hi = 128 * r, 128 * (r + 1)
        landings = [i for i in peaks([-v for v in y]) if lo <= i < hi]
        assert len(landings) == count
        assert all(abs(i - (lo + 128 * j / count)) <= 1 for j, i in enumerate(landings))
        assert min(y[i] for i in landings) == y[lo]  # the accent presses lowest
        depths.append((count, z[lo]))
    # Denser regions stand further forward.
    assert [d for _c, d in sorted(depths)] == sorted(d for _c, d in depths)


def necklace_word(rows):
    radius = [math.hypot(x, y) for x, y, _z in rows]
    beads = [radius[32 * s] for s in range(16)]
    middle = (max(beads) + min(beads)) / 2
    return "".join("1" if r > middle else "0" for r in beads)


def test_necklace_words_are_distinct_necklaces_and_accents_rise(table):
    words = {}
    for name in ["necklace_%02d" % k for k in range(1, 17)]:
        rows = table(name)
        word = necklace_word(rows)
        assert word[0] == "1"
        rotations = {word[k:] + word[:k] for k in range(16)}
        assert not rotations & set(words.values()), name
        words[name] = word
        z = [rows[32 * s][2] for s in range(16)]
        for s in range(1, 16):
            if word[s] == word[s - 1] == "1":
                assert z[s] > z[s - 1]  # accents add depth as they rise
        assert max(z[s] for s in range(16) if word[s] == "0") < min(
            z[s] for s in range(16) if word[s] == "1")
    assert len(words) == 16


@family_test("accent_walk_")
def test_accent_walk_pulses_keep_spacing_and_motif_walks(table, name):
    rows = table(name)
    n, k = numbers(name)
    y = column(rows, 1)
    accented = []
    for bar in range(4):
        lo = 256 * bar
        pulses = [i for i in peaks(y) if lo <= i < lo + 256]
        assert len(pulses) == n
        assert all(abs(i - (lo + 256 * j / n)) <= 1 for j, i in enumerate(pulses))
        loudest = sorted(pulses, key=lambda i: y[i])[-2:]
        accented.append(sorted(pulses.index(i) for i in loudest))
    for bar in range(1, 4):
        assert accented[bar] == sorted((p + k * bar) % n for p in accented[0])


def triplet_slots(z, lo, hi, floor, answers):
    taps = [i for i in peaks_above(z, floor, lo, hi) if i not in answers]
    assert all(near_grid(i, float(TRIPLET)) for i in taps)
    return sorted(round((i - lo) / TRIPLET) for i in taps)


@family_test("triplet_")
def test_triplet_strokes_on_the_grid_with_omissions_then_answer_or_turn(table, name):
    rows = table(name)
    z = column(rows, 2)
    answers = [i for i in peaks(z) if not near_grid(i, float(TRIPLET), tolerance=4)]
    strokes_top = max(z[i] for i in peaks(z) if i not in answers)
    first = triplet_slots(z, 0, 256, 0.02, answers)
    second = triplet_slots(z, 256, 512, 0.02, answers)
    assert 0 < len(first) < 12
    # The figure is drawn full size, with answers or without: the twins share a scale.
    assert max(abs(v) for row in rows for v in row[:2]) > 0.8
    if name.endswith("_answer"):
        assert second == first and answers and all(i >= 256 for i in answers)
        assert all(z[i] > strokes_top for i in answers)
    else:
        assert not answers and second != first
        assert any(sorted((s - r) % 12 for s in first) == second for r in range(1, 12))


@family_test("dialogue_")
def test_dialogue_groups_pump_per_eighth_and_pick_up_late(table, name):
    rows = table(name)
    distance = [math.hypot(*row) for row in rows]
    start = 0
    directions = []
    for g in numbers(name):
        end = start + 32 * g
        assert len([i for i in peaks(distance) if start <= i <= end - 16]) == g
        here = [tuple(v / distance[i] for v in rows[i]) for i in range(start, end - 16)]
        assert all(sum(a * b for a, b in zip(here[0], h)) > 0.999 for h in here)
        directions.append(here[0])
        start = end
    for a, b in zip(directions, directions[1:] + directions[:1]):
        assert sum(p * q for p, q in zip(a, b)) < 0.5  # a new direction


@family_test("burst_")
def test_burst_strokes_gaps_and_a_late_accent(table, name):
    rows = table(name)
    speed = speeds(rows)
    stops = [start for start, _length in holds(rows)]
    moves = []
    for beat, count in zip((0, 2, 4), numbers(name)):
        lo = BEAT * beat
        # Strokes arrive on the beat and each subdivision after it; the last rests till the next beat.
        strokes = [i for i in stops if lo <= i < lo + BEAT]
        assert strokes == [math.ceil(lo + BEAT * k / count) for k in range(count)]
        assert len(set(rows[strokes[-1]:lo + BEAT + 1])) == 1
        moves.append([b - a for a, b in zip(rows[lo], rows[lo + BEAT])])
        # The gap after a burst is one slow drift.
        burst = [speed[i % len(rows)] for i in range(lo - 12, lo + BEAT)]
        assert max(speed[lo + BEAT + 1:lo + 2 * BEAT - 12]) < max(burst)
    for a, b in combinations(moves, 2):
        cos = sum(p * q for p, q in zip(a, b)) / math.hypot(*a) / math.hypot(*b)
        assert cos < 0.9  # three different directions
    assert speed.index(max(speed)) >= 7 * BEAT - 16  # the late accent is the strongest move

"""The atlas tables authored without a closed rule: each family is measured
for what its names and descriptions promise (counts of holds, lobes, stops,
touches and turns), read back through sample(). The recorded digests guard
the exact values."""
import hashlib
import math

import pytest

from measure import (TAU, column, excursions, first_harmonic_share, holds, peaks, runs,
                     slowest_pace, winding)


# -- wave_ -----------------------------------------------------------------------


def test_soft_rectifier_is_one_swell_then_rest(table):
    x = column(table("wave_soft_rectifier"), 0)
    assert min(x) == 0.0 and max(x) == 0.82
    assert excursions(x, lambda v: v > 0.41) == 1
    assert sum(v < 0.01 for v in x) > 0.3 * len(x)


def test_scoop_warp_falls_fast_and_climbs_out_slowly(table):
    x = column(table("wave_scoop_warp"), 0)
    crest, trough = x.index(max(x)), x.index(min(x))
    assert peaks(x) == [crest]
    fall = (trough - crest) % len(x)
    assert (len(x) - fall) > 1.5 * fall


def test_shelf_wave_has_a_shelf_on_the_rise_then_a_scoop(table):
    x = column(table("wave_shelf_wave"), 0)
    crest, trough = x.index(max(x)), x.index(min(x))
    flat = [0.3 < x[i] < 0.6 and abs(x[i] - x[i - 1]) < 0.002 for i in range(len(x))]
    (start, length), = runs(flat)
    assert length >= 40 and start < crest
    assert peaks(x) == [crest] and min(x) < -0.8 and crest < trough


def test_bottle_is_body_neck_and_lip_then_inverted(table):
    x = column(table("wave_bottle"), 0)
    half = len(x) // 2
    assert all(x[i + half] == -x[i] for i in range(half))
    body = runs([v == 0.82 for v in x[:half]])
    neck = runs([v == 0.3 for v in x[:half]])
    assert len(body) == 1 and len(neck) == 1 and body[0][0] < neck[0][0]
    assert body[0][1] > 80 and neck[0][1] > 50
    lip = max(x[neck[0][0] + neck[0][1]:half])
    assert 0.3 < lip < 0.5


def test_soft_teeth_are_three_steep_faces_and_long_backs(table):
    x = column(table("wave_soft_teeth"), 0)
    tops = peaks(x)
    bottoms = peaks([-v for v in x])
    assert len(tops) == 3 and len(bottoms) == 3
    for top in tops:
        fall = min((b - top) % len(x) for b in bottoms)
        assert fall > 2 * (len(x) / 3 - fall)


def test_warped_fold_folds_unevenly(table):
    x = column(table("wave_warped_fold"), 0)
    assert len(peaks(x)) >= 3
    half = len(x) // 2
    assert max(abs(x[i + half] + x[i]) for i in range(half)) > 0.3


# -- seq_ ------------------------------------------------------------------------

SEQUENCES = ["up_down", "pendulum", "octave", "unequal", "question", "answer", "ratchet", "stairs"]


def held_positions(rows):
    found = holds(rows)
    return [start for start, _length in found], [rows[start][:2] for start, _length in found]


@pytest.mark.parametrize("sequence", SEQUENCES)
def test_seq_even_segments_are_equal_and_lilt_long_short(table, sequence):
    even_starts, even_positions = held_positions(table("seq_%s_even" % sequence))
    lilt_starts, lilt_positions = held_positions(table("seq_%s_lilt" % sequence))
    assert len(even_starts) == 8 and even_positions == lilt_positions
    assert even_starts[0] == 0 and lilt_starts[0] == 0
    durations = [(b - a) % 512 for a, b in zip(even_starts, even_starts[1:] + even_starts[:1])]
    assert all(abs(d - 64) <= 1 for d in durations)
    durations = [(b - a) % 512 for a, b in zip(lilt_starts, lilt_starts[1:] + lilt_starts[:1])]
    assert all(abs(d - 512 / 12 * (2 if k % 2 == 0 else 1)) <= 1 for k, d in enumerate(durations))


def direction_changes(values):
    rises = [b > a for a, b in zip(values, values[1:])]
    return sum(r != s for r, s in zip(rises, rises[1:]))


def step_sizes(positions):
    return [math.dist(p, q) for p, q in zip(positions, positions[1:] + positions[:1])]


def largest_move(positions):
    """Index k of the largest move, from position k to the next (7: back to the start)."""
    sizes = step_sizes(positions)
    return sizes.index(max(sizes))


SEQUENCE_SHAPES = {
    # Up to a single top and back down.
    "up_down": lambda xs, ys: direction_changes(ys) == 1 and ys.index(max(ys)) == 4,
    # Side to side: stations along x out and back, high at the ends, low in the middle.
    "pendulum": lambda xs, ys: direction_changes(xs) == 1 and ys[0] == ys[4] == max(ys)
    and min(ys) == ys[2] == ys[6],
    # Alternate low and high, an octave (more than 0.9) apart.
    "octave": lambda xs, ys: all((ys[k] < 0) == (k % 2 == 0) for k in range(8))
    and all(ys[k + 1] - ys[k] > 0.9 for k in range(0, 8, 2)),
    # Steps of very different sizes.
    "unequal": lambda xs, ys: max(step_sizes(list(zip(xs, ys))))
    > 5 * min(step_sizes(list(zip(xs, ys)))),
    # Ends with a leap up to its highest position; the answer with a fall to its lowest.
    "question": lambda xs, ys: ys[-1] == max(ys) and largest_move(list(zip(xs, ys))) == 6,
    "answer": lambda xs, ys: ys[-1] == min(ys) and largest_move(list(zip(xs, ys))) == 6,
    # Two steps forward, one back, and a release from the far end.
    "ratchet": lambda xs, ys: all((xs[k + 1] > xs[k]) == (k % 2 == 0) for k in range(7))
    and xs[2] > xs[0] and xs[4] > xs[2] and xs[6] > xs[4] and xs[7] == max(xs),
    # Each step moves along one axis only: up the risers and treads, and back down them.
    "stairs": lambda xs, ys: all((xs[k] == xs[k - 1]) != (ys[k] == ys[k - 1]) for k in range(8))
    and xs[:5] == sorted(xs[:5]) and ys[:5] == sorted(ys[:5])
    and list(zip(xs, ys))[5:] == list(zip(xs, ys))[3:0:-1],
}


@pytest.mark.parametrize("sequence", SEQUENCES)
def test_seq_sequence_is_recognisable(table, sequence):
    _starts, positions = held_positions(table("seq_%s_even" % sequence))
    xs = [p[0] for p in positions]
    ys = [p[1] for p in positions]
    assert all(p != q for p, q in zip(positions, positions[1:] + positions[:1]))
    assert SEQUENCE_SHAPES[sequence](xs, ys), positions
    if sequence != "ratchet":  # whose release from the far end is the phrase
        # The way back to the start is a move of the phrase, not its largest jump.
        assert step_sizes(positions)[-1] <= max(step_sizes(positions)[:-1]), positions


# -- noise_ ----------------------------------------------------------------------

NOISE = ["noise_%s_%d" % (c, n) for c, counts in (
    ("drift", (5, 7, 9, 11)), ("orbit", (6, 8, 10, 12)),
    ("ripple", (5, 7, 9, 11)), ("depth", (6, 8, 10, 12))) for n in counts]


def digest_units(name, k):
    d = hashlib.sha256(("%s/%d" % (name, k)).encode("ascii")).digest()
    return [int.from_bytes(d[4 * c:4 * c + 4], "big") / 2.0**32 for c in range(3)]


def noise_control_points(name, period):
    """(row, point) of the control points that the path passes, as the
    generator documents them (a drift rounds its points off instead)."""
    _prefix, character, count = name.split("_")
    n = int(count)
    main = [32 * math.floor(period * j / n / 32 + 0.5) for j in range(n)] + [period]
    rows = [t for a, b in zip(main, main[1:]) for t in (a, (a + b) // 2)]
    points = []
    for k, t in enumerate(rows):
        u, sweep = digest_units(name, k), TAU * t / period
        if character == "ripple":
            point = (0.75 * math.cos(sweep) + 0.1 * (u[0] - 0.5) * abs(math.sin(sweep)),
                     (-1) ** k * (0.3 + 0.45 * u[1]), 0.0)
        elif character == "depth":
            angle, r = sweep + TAU * 0.15 * (u[0] - 0.5) / n, 0.3 + 0.25 * u[1]
            point = (r * math.cos(angle), r * math.sin(angle), (-1) ** k * (0.3 + 0.5 * u[2]))
        else:
            angle, r = sweep + TAU * 0.15 * (u[0] - 0.5) / n, 0.62 + (-1) ** k * (0.12 + 0.12 * u[1])
            point = (r * math.cos(angle), r * math.sin(angle), 0.0)
        points.append((t, point))
    return points


@pytest.mark.parametrize("name", [name for name in NOISE if "drift" not in name])
def test_noise_path_runs_through_its_digest_control_points(table, name):
    rows = table(name)
    for row, point in noise_control_points(name, len(rows)):
        assert max(abs(a - b) for a, b in zip(rows[row], point)) < 1e-9, (row, rows[row], point)


@pytest.mark.parametrize("name", NOISE)
def test_noise_character(table, name):
    rows = table(name)
    character, n = name.split("_")[1], int(name.split("_")[2])
    x, y, z = (column(rows, a) for a in range(3))
    assert (max(z) - min(z) > 1.0) == (character == "depth")
    if character == "orbit":
        # Once round the centre, the radius swelling and shrinking N times.
        radius = [math.hypot(a, b) for a, b in zip(x, y)]
        assert round(winding(list(zip(x, y)))) == 1 and min(radius) > 0.35
        assert len(peaks(radius)) == n and len(peaks([-r for r in radius])) == n
    if character == "ripple":
        # One sideways sweep while y ripples up and down N times, crest and
        # trough alternating all round the loop, the crests on eighth notes.
        assert len(peaks(x)) == 1
        crests, troughs = peaks(y), peaks([-v for v in y])
        assert len(crests) == len(troughs) == n
        assert len(runs([v > 0 for v in y])) == len(runs([v < 0 for v in y])) == n
        assert all(i % 32 == 0 and y[i] > 0.25 for i in crests)
    if character == "depth":
        # Once round the centre, diving N times, the dives on eighth notes.
        dives = peaks(z)
        assert len(dives) == len(peaks([-v for v in z])) == n
        assert all(i % 32 == 0 and z[i] > 0.25 for i in dives)
        assert round(winding(list(zip(x, y)))) == 1
    if character == "drift":
        # A wander over the whole field that never stalls: its slowest beat
        # still covers most of an average beat's distance.
        assert min(x) < -0.8 and max(x) > 0.8 and min(y) < -0.8 and max(y) > 0.8
        assert slowest_pace(rows, 64) > 0.6


# -- polar_scallop_k ---------------------------------------------------------------


@pytest.mark.parametrize("k", range(2, 10))
def test_scallop_has_k_lobes_one_bent_never_near_the_centre(table, k):
    rows = table("polar_scallop_%d" % k)
    radius = [math.hypot(x, y) for x, y, _z in rows]
    assert min(radius) > 0.4
    assert round(winding([(x, y) for x, y, _z in rows])) == 1
    crests = peaks(radius)
    notches = peaks([-r for r in radius])
    assert len(crests) == k and len(notches) == k
    leans = []
    n = len(rows)
    for crest in crests:
        before = min((crest - m) % n for m in notches)
        after = min((m - crest) % n for m in notches)
        leans.append(abs(after - before) / (after + before))
    bent = [lean for lean in leans if lean > 0.25]
    assert len(bent) == 1 and max(lean for lean in leans if lean <= 0.25) < 0.02


# -- mech_ -----------------------------------------------------------------------


def rising_share(values):
    """Share of the cycle from the lowest value to the highest."""
    low, high = values.index(min(values)), values.index(max(values))
    return ((high - low) % len(values)) / len(values)


def test_whitworth_returns_twice_as_fast_as_it_advances(table):
    x = column(table("mech_whitworth"), 0)
    assert abs(rising_share(x) - 2 / 3) < 0.01


def test_offset_crank_strokes_differ_in_time(table):
    x = column(table("mech_offset_crank"), 0)
    # Out from the downbeat over five beats, back in three: 5 : 3, on the beats.
    assert x.index(max(x)) == 0 and x.index(min(x)) == 320
    y = column(table("mech_offset_crank"), 1)
    assert -min(y) > 3 * max(y)  # the rod leans mostly to one side


def test_escapement_steps_and_pauses_once_a_beat(table):
    rows = table("mech_escapement")
    stops = holds(rows)
    assert len(stops) == 8
    assert [start for start, _length in stops] == [26 + 64 * k for k in range(8)]
    radius = [math.hypot(x, y) for x, y, _z in rows]
    assert max(radius) - min(radius) < 1e-9
    assert round(winding([row[:2] for row in rows])) == 1


@pytest.mark.parametrize("name, lobes", [("mech_elliptic_cam", 1), ("mech_cam_return", 1)])
def test_cam_lifts_once_a_turn_and_offset_follows_the_slope(table, name, lobes):
    rows = table(name)
    x, y = column(rows, 0), column(rows, 1)
    assert len(peaks(y)) == lobes
    n = len(rows)
    for i in range(n):
        slope = y[(i + 1) % n] - y[i - 1]
        if abs(x[i]) > 0.02:
            assert (slope > 0) == (x[i] > 0), i


def test_cam_return_rises_dwells_returns_dwells(table):
    rows = table("mech_cam_return")
    y = column(rows, 1)
    dwells = holds(rows)
    assert [y[start] for start, _length in dwells] == [0.7, -0.7]
    # 45 and 90 degrees of crank, and the row where the next move leaves from rest.
    assert [length for _start, length in dwells] == [64 + 1, 128 + 1]
    assert rising_share(y) > 0.37 and rising_share(y) < 0.38


def test_rocking_beam_rocks_far_round_its_pivot(table):
    rows = table("mech_rocking_beam")
    x, y = column(rows, 0), column(rows, 1)
    assert len(peaks(y)) == 1 and len(peaks(x)) == 2
    # Top of the swing on the downbeat, bottom half a turn later; the end
    # pulls in at both.
    assert (y.index(max(y)), y.index(min(y))) == (0, 256)
    assert sorted(peaks([-v for v in x])) == [0, 256]
    # The end keeps its distance from a pivot on the beam's level and rocks
    # through more than 120 degrees about it.
    middle = x.index(max(x))
    pivot = (x[0] ** 2 + y[0] ** 2 - x[middle] ** 2 - y[middle] ** 2) / (2 * (x[0] - x[middle]))
    reach = [math.hypot(a - pivot, b) for a, b in zip(x, y)]
    assert max(reach) - min(reach) < 1e-9
    swing = [math.degrees(math.atan2(b, a - pivot)) for a, b in zip(x, y)]
    assert max(swing) - min(swing) > 120
    assert first_harmonic_share(y) < 0.96  # a rock, not a plain sine nod


def test_crank_rocker_follows_its_crank_and_rocks(table):
    rows = table("mech_crank_rocker")
    for i, (x, _y, z) in enumerate(rows):
        t = TAU * i / 512
        assert abs(x - 0.82 * math.cos(t)) < 1e-12 and abs(z - 0.123 * math.cos(3 * t)) < 1e-12
    y = column(rows, 1)
    assert len(peaks(y)) == 1 and max(y) == -min(y) == 0.7
    assert 0.56 < rising_share(y) < 0.6  # the rocker returns faster than it advances


# -- gesture_ --------------------------------------------------------------------


def near(v, target, tolerance=0.05):
    return abs(v - target) < tolerance


def quadrants_visited(rows, reach):
    quadrants = []
    for start, length in runs([abs(r[0]) > reach and abs(r[1]) > reach for r in rows]):
        x, y = rows[start][:2]
        quadrants.append((x > 0, y > 0))
    return quadrants


def side_reach(rows):
    return [rows[s][0] > 0 for s, _l in runs([abs(r[0]) > 0.7 for r in rows])] == [True, False] \
        and excursions(rows, lambda r: abs(r[0]) < 0.01) == 2


def cross_reach(rows):
    crosses = [rows[s][0] > 0 for s, _l in runs([abs(r[0]) > 0.4 and r[1] < -0.4 for r in rows])]
    reaches = [rows[s][0] > 0 for s, _l in runs([abs(r[0]) > 0.75 and r[1] > 0.45 for r in rows])]
    return crosses == [False, True] and reaches == [True, False]


def low_scoop(rows):
    (start, length), = runs([r[1] < -0.6 for r in rows])
    return all(rows[i + 1][0] >= rows[i][0] for i in range(start, start + length - 1))


def high_arc(rows):
    arcs = runs([r[1] > 0.7 for r in rows])
    return len(arcs) == 2 and rows[arcs[0][0] + arcs[0][1]][0] > rows[arcs[0][0]][0] \
        and rows[arcs[1][0] + arcs[1][1]][0] < rows[arcs[1][0]][0]


def corner_taps(rows):
    return sorted(quadrants_visited(rows, 0.6)) == sorted({(a, b) for a in (0, 1) for b in (0, 1)}) \
        and excursions(rows, lambda r: r[:2] == (0.0, 0.0)) == 4


def diagonal_touch(rows):
    touches = [rows[s][0] > 0 for s, _l in runs([abs(r[0]) > 0.55 for r in rows])]
    return all(r[0] == r[1] for r in rows) and touches == [True, False]


def box_return(rows):
    order = quadrants_visited(rows, 0.55)
    # Round the box from its upper left corner and back to it, then to the centre.
    perimeter = [(False, True), (True, True), (True, False), (False, False), (False, True)]
    return order == perimeter and rows[0][:2] == (0.0, 0.0) \
        and all(abs(r[0]) <= 0.6 and abs(r[1]) <= 0.6 for r in rows)


def zigzag_lift(rows):
    lift = max(range(len(rows)), key=lambda i: rows[i][1])
    xs = [r[0] for r in rows[:lift + 1]]
    ys = [r[1] for r in rows[:lift + 1]]
    return direction_changes(xs) == 4 and all(b >= a for a, b in zip(ys, ys[1:]))


def duck_sway(rows):
    ducked = runs([r[1] < -0.5 for r in rows])
    if len(ducked) != 1:
        return False
    start, length = ducked[0]
    low = rows[start:start + length]
    sides = [low[s][0] > 0 for s, _l in runs([abs(r[0]) > 0.5 for r in low])]
    return sides == [False, True, False]


def push_pull(rows):
    return excursions(rows, lambda r: r[2] > 0.7) == 2 and excursions(rows, lambda r: r[2] < -0.6) == 2


def reach_depth(rows):
    return excursions(rows, lambda r: r[2] > 0.75) == 1 and excursions(rows, lambda r: r[2] < -0.55) == 1


def bow_turn(rows):
    bows = runs([r[1] < -0.5 for r in rows])
    return len(bows) == 1 and rows[bows[0][0]][2] > 0.4 \
        and abs(round(winding([(r[0], r[2]) for r in rows]))) == 1


def heel_toe(rows):
    y = [r[1] for r in rows]
    touches = [y[s] for s, _l in holds(rows) if y[s] < -0.3]
    return len(touches) == 8 and touches == [-0.35, -0.75] * 4


def hop_answer(rows):
    y = [r[1] for r in rows]
    tops = [y[i] for i in peaks(y) if y[i] > 0]
    return [t > 0.6 for t in tops] == [True, False, True, False, False]


def spiral_reach(rows):
    flat = [(r[0], r[1]) for r in rows if math.hypot(r[0], r[1]) > 1e-9]
    turns = sum(
        ((math.atan2(b[1], b[0]) - math.atan2(a[1], a[0]) + math.pi) % TAU - math.pi)
        for a, b in zip(flat, flat[1:])
    ) / TAU
    z = [r[2] for r in rows]
    # Two and a half turns, less the first eighth that leaves the centre straight.
    return abs(turns - 2.375) < 0.01 and min(z) == -0.5 and max(z) == 0.8


def diamond_depth(rows):
    corners = [rows[s] for s, _l in holds(rows)]
    return [(c[1], c[2]) for c in corners] == [(0.0, 0.82), (-0.75, 0.0), (0.0, -0.75), (0.75, 0.0)]


GESTURES = {
    "gesture_side_reach": side_reach,
    "gesture_cross_reach": cross_reach,
    "gesture_low_scoop": low_scoop,
    "gesture_high_arc": high_arc,
    "gesture_corner_taps": corner_taps,
    "gesture_diagonal_touch": diagonal_touch,
    "gesture_box_return": box_return,
    "gesture_zigzag_lift": zigzag_lift,
    "gesture_duck_sway": duck_sway,
    "gesture_push_pull": push_pull,
    "gesture_reach_depth": reach_depth,
    "gesture_bow_turn": bow_turn,
    "gesture_heel_toe": heel_toe,
    "gesture_hop_answer": hop_answer,
    "gesture_spiral_reach": spiral_reach,
    "gesture_diamond_depth": diamond_depth,
}


@pytest.mark.parametrize("name", sorted(GESTURES))
def test_gesture_shows_what_its_name_says(table, name):
    assert GESTURES[name](table(name))

"""The authored tables of the initial and expansion packs do what their names
and descriptions promise, measured on the tables read through sample()."""
import math

import pytest

EPS = 1e-9


def lane(rows, axis):
    return [r[axis] for r in rows]


def peaks(values, floor=0.03, sign=1.0):
    """Rows of cyclic local maxima of sign * value that rise above ``floor``."""
    n = len(values)
    v = [sign * a for a in values]
    return [i for i in range(n)
            if v[i] > floor and v[i] >= v[i - 1] and v[i] > v[(i + 1) % n]]


def extremes(values, floor=0.03):
    """(row, value) of every cyclic local extreme beyond ``floor``, in row order."""
    found = [(i, values[i]) for i in peaks(values, floor)]
    found += [(i, values[i]) for i in peaks(values, floor, -1.0)]
    return sorted(found)


def still_runs(values, length):
    """(start, length) of cyclic runs of at least ``length`` identical values."""
    n = len(values)
    start = next((i for i in range(n) if values[i] != values[i - 1]), None)
    if start is None:
        return [(0, n)]
    runs, i = [], start
    while i < start + n:
        j = i
        while j + 1 < start + n and values[(j + 1) % n] == values[i % n]:
            j += 1
        if j - i + 1 >= length:
            runs.append((i % n, j - i + 1))
        i = j + 1
    return runs


def cyclic_gap(a, b, n):
    """Rows forward from a to b."""
    return (b - a) % n


# -- initial pack ---------------------------------------------------------------

def test_lfo_surge_long_sweep_short_recovery(table):
    x = lane(table("lfo_surge"), 0)
    low, high = x.index(min(x)), x.index(max(x))
    sweep = cyclic_gap(low, high, 256)
    assert sweep >= 0.7 * 256  # the rise takes most of the cycle
    assert len(peaks(x, -1.0)) == 1 and len(peaks(x, -1.0, -1.0)) == 1  # one rise, one fall
    assert max(x) - min(x) > 1.5


def test_lfo_soft_gate_dwells_and_soft_transitions(table):
    x = lane(table("lfo_soft_gate"), 0)
    dwells = still_runs(x, 32)
    assert len(dwells) == 4
    assert sum(length for _start, length in dwells) >= 0.7 * 256
    levels = [x[start] for start, _length in dwells]
    assert levels[0] == levels[2] and levels[1] == levels[3] and abs(levels[0] - levels[1]) > 1.5
    # Every transition takes several rows: no square-wave teleport.
    assert max(abs(x[i] - x[i - 1]) for i in range(256)) < 0.2


def test_lfo_double_pump_two_unequal_pumps_on_the_grid_then_a_breath(table):
    rows = table("lfo_double_pump")
    assert {r[0] for r in rows} == {0.0}
    y = lane(rows, 1)
    pumps = peaks(y, 0.2)
    assert len(pumps) == 2 and all(i % 32 == 0 for i in pumps)  # on beats or eighths
    big, small = sorted((y[i] for i in pumps), reverse=True)
    assert small < 0.8 * big
    # The breath: one slow, clear sink of more than a beat after the second pump.
    (breath,) = peaks(y, 0.2, -1.0)
    assert y[breath] < -0.3 and breath % 32 == 0
    assert cyclic_gap(pumps[1], breath, 256) < cyclic_gap(pumps[1], pumps[0], 256)
    assert sum(v < -0.1 for v in y) > 64


def test_lfo_glide_stair_five_rounded_steps_then_return(table):
    x = lane(table("lfo_glide_stair"), 0)
    dwells = still_runs(x, 8)
    levels = [x[start] for start, _length in dwells]
    assert len(levels) == 6  # six levels: five steps
    lowest = levels.index(min(levels))
    ordered = levels[lowest:] + levels[:lowest]
    assert ordered == sorted(ordered)
    steps = [b - a for a, b in zip(ordered, ordered[1:])]
    assert max(steps) - min(steps) < 1e-9 and max(x) - min(x) > 1.5
    # Up the stair without a dip, down again in one smooth run.
    start = dwells[lowest][0]
    top_end = dwells[(lowest + 5) % 6][0] + dwells[(lowest + 5) % 6][1]
    climb = [x[(start + k) % 256] for k in range(cyclic_gap(start, top_end, 256))]
    back = [x[(top_end - 1 + k) % 256] for k in range(cyclic_gap(top_end - 1, start, 256) + 1)]
    assert all(b >= a for a, b in zip(climb, climb[1:]))
    assert all(b < a for a, b in zip(back, back[1:]))


def rise_and_fall(cycle):
    """Rows from trough to crest and from crest to trough of one cycle."""
    low, high = cycle.index(min(cycle)), cycle.index(max(cycle))
    rise = cyclic_gap(low, high, len(cycle))
    return rise, len(cycle) - rise


def test_lfo_morph_sine_at_phrase_ends_skewed_triangle_mid_phrase(table):
    x = lane(table("lfo_morph"), 0)
    ups = [i for i in range(512) if x[i - 1] < 0 <= x[i]]
    assert len(ups) == 4
    ratios = []
    for c in range(4):
        rise, fall = rise_and_fall(x[128 * c:128 * (c + 1)])
        ratios.append(rise / fall)
    assert 0.8 < ratios[0] < 1.3  # near a sine as the phrase starts
    assert ratios[1] > 2.0 and ratios[2] > 2.0  # the skewed triangle mid-phrase
    assert ratios[3] < ratios[2]  # and back towards the sine


def test_rhythm_half_time_downbeat_snare_on_three_small_shuffles(table):
    rows = table("rhythm_half_time")
    x, y = lane(rows, 0), lane(rows, 1)
    assert y.index(min(y)) == 0 and min(y) < -0.75  # the strong downbeat
    assert max(range(256), key=lambda i: abs(x[i])) == 128  # the snare on beat three
    assert abs(x[128]) > 0.6
    shuffles = [i for i, v in extremes(x, 0.1) if i not in (0, 128)]
    assert len(shuffles) == 4
    assert all(i % 64 and abs(x[i]) < 0.3 for i in shuffles)
    assert [i // 64 for i in shuffles] == [0, 1, 2, 3]  # one after each beat


def test_rudiment_flam_accent_graces_lead_accented_groups_of_three(table):
    x = lane(table("rudiment_flam_accent"), 0)
    centres = [round(256 * k / 12) for k in range(12)]
    signs = [math.copysign(1.0, x[c]) for c in centres]
    assert signs == [1.0, -1.0] * 6  # R L R, L R L, ...
    for k, c in enumerate(centres):
        if k % 3 == 0:
            assert abs(x[c]) > 0.8
            graces = [i for i, v in extremes(x, 0.15)
                      if 0 < cyclic_gap(i, c, 256) < 16 and v * signs[k] < 0]
            assert len(graces) == 1 and abs(x[graces[0]]) < 0.45
        else:
            assert abs(x[c]) < 0.55


def test_ease_elastic_decaying_window_peak_exactly_point_eight(table):
    x = lane(table("ease_elastic"), 0)
    assert max(abs(v) for v in x) == 0.8
    swings = [abs(v) for _i, v in extremes(x, 0.005)]
    assert len(swings) >= 6 and swings[0] == 0.8
    assert all(b < a for a, b in zip(swings, swings[1:]))
    crossings = sum(1 for i in range(1, 256) if x[i - 1] * x[i] < 0)
    assert crossings >= 6
    assert abs(x[0]) < 1e-3 and abs(x[255]) < 1e-3  # closed at rest


def onsets(rows):
    """Per lane, the (row, value) extremes that mark the hits."""
    return [extremes(lane(rows, axis), 0.04) for axis in (0, 1)]


@pytest.mark.parametrize("excerpt", ["a", "b"])
def test_grooves_played_and_grid_differ_only_in_timing(table, excerpt):
    played = onsets(table("groove_%s_played" % excerpt))
    grid = onsets(table("groove_%s_grid" % excerpt))
    off_grid = 0
    for p_lane, g_lane in zip(played, grid):
        assert all(i % 16 == 0 for i, _v in g_lane)  # the grid twin is quantised
        assert len(p_lane) == len(g_lane) > 8
        for g, gv in g_lane:
            near = [(p, pv) for p, pv in p_lane
                    if min(cyclic_gap(g, p, 512), cyclic_gap(p, g, 512)) <= 7 and pv * gv > 0]
            assert len(near) == 1, (excerpt, g, near)
            p, pv = near[0]
            assert abs(pv - gv) < 0.06  # the same hit, just moved
            off_grid += p % 16 != 0
    assert off_grid >= 0.5 * sum(len(g) for g in grid)  # microtiming a viewer can see


def test_grooves_b_is_busier_than_a(table):
    a = onsets(table("groove_a_grid"))
    b = onsets(table("groove_b_grid"))
    assert len(b[0]) > len(a[0]) and len(b[1]) > len(a[1])
    # B ends on a snare fill: rising hits on five consecutive sixteenths.
    fill = [v for i, v in b[1] if i >= 432]
    assert len(fill) == 5 and all(v > 0 for v in fill) and fill == sorted(fill)


# -- expansion pack -------------------------------------------------------------

def test_lfo_twin_swell_two_unequal_swells_and_gentle_answers(table):
    rows = table("lfo_twin_swell")
    x, y = lane(rows, 0), lane(rows, 1)
    swells = peaks(y, 0.2)
    assert len(swells) == 2
    depths = sorted(y[i] for i in swells)
    assert depths[0] < 0.75 * depths[1]
    answers = extremes(x, 0.05)
    assert 1 <= len(answers) <= 2 and max(abs(v) for v in x) < 0.5 * max(y)
    for i, _v in answers:  # each answer follows a swell's crest
        after = min(cyclic_gap(s, i, 512) for s in swells)
        assert 32 <= after <= 192


def test_lfo_pulse_hold_pulse_plateau_recoil_rest(table):
    x = lane(table("lfo_pulse_hold"), 0)
    top, bottom = max(x), min(x)
    runs = still_runs(x, 48)
    plateau = [r for r in runs if x[r[0]] == top]
    rest = [r for r in runs if x[r[0]] == 0.0]
    assert len(plateau) == 1 and len(rest) == 1 and len(runs) == 2
    assert bottom < 0 and abs(bottom) < 0.5 * top  # the smaller opposite recoil
    recoil = x.index(bottom)
    p_end = plateau[0][0] + plateau[0][1]
    assert cyclic_gap(p_end, recoil, 256) < cyclic_gap(p_end, rest[0][0], 256)


def test_lfo_sweep_ratchet_sweep_then_three_decaying_ratchets(table):
    rows = table("lfo_sweep_ratchet")
    x, y = lane(rows, 0), lane(rows, 1)
    hits = peaks(y, 0.1, -1.0)
    assert len(hits) == 3
    depths = [-y[i] for i in hits]
    assert depths[0] > depths[1] > depths[2]
    # The sweep comes first: x crosses the field while y is still.
    start = x.index(min(x))
    assert all(y[(start + k) % 512] == 0.0 for k in range(cyclic_gap(start, x.index(max(x)), 512)))
    assert all(x[i] > 0.7 for i in hits)
    assert max(abs(x[i] - x[i - 1]) for i in range(512)) < 0.05  # no reset jump


def test_lfo_seeded_drift_two_irregular_independent_lanes(table):
    rows = table("lfo_seeded_drift")
    x, y = lane(rows, 0), lane(rows, 1)
    for values in (x, y):
        crest = peaks(values, -1.0)
        assert len(crest) >= 4
        gaps = [cyclic_gap(a, b, 1024) for a, b in zip(crest, crest[1:] + crest[:1])]
        assert max(gaps) > 1.5 * min(gaps)  # irregular spacing
        heights = [values[i] for i in crest]
        assert max(heights) - min(heights) > 0.3  # irregular heights
    mx, my = sum(x) / 1024, sum(y) / 1024
    cov = sum((a - mx) * (b - my) for a, b in zip(x, y))
    corr = cov / math.sqrt(sum((a - mx) ** 2 for a in x) * sum((b - my) ** 2 for b in y))
    assert abs(corr) < 0.5
    assert peaks(x, -1.0) != peaks(y, -1.0)


def test_lfo_pendulum_dwell_lingers_at_the_turns(table):
    rows = table("lfo_pendulum_dwell")
    x, y = lane(rows, 0), lane(rows, 1)
    wide = max(abs(v) for v in x)
    near_turns = sum(1 for v in x if abs(v) >= 0.9 * wide) / 512
    assert near_turns > 0.45  # a plain sine spends 0.29 of its cycle there
    speed = [abs(x[i] - x[i - 1]) for i in range(512)]
    turns = [i for i in range(512) if abs(x[i]) == wide]
    centre = [i for i in range(1, 512) if x[i - 1] * x[i] <= 0]
    assert min(speed[i] for i in centre) > 5 * max(speed[i] for i in turns)
    # The arc: high at either turn, lowest through the middle.
    assert all(y[i] == max(y) for i in turns) and all(y[i] < 0 for i in centre)


def test_lfo_reverse_swell_long_rise_quick_return_two_aftershocks(table):
    y = lane(table("lfo_reverse_swell"), 1)
    crest = y.index(max(y))
    rise_start = max(i for i in range(crest) if y[i] < 0.02)
    back = next(k for k in range(1, 512) if y[(crest + k) % 512] < 0.02)
    assert crest - rise_start > 5 * back
    shocks = [i for i in peaks(y, 0.05) if i != crest]
    assert len(shocks) == 2 and all(cyclic_gap(crest, i, 512) < 160 for i in shocks)
    first, second = sorted(shocks, key=lambda i: cyclic_gap(crest, i, 512))
    assert max(y) * 0.5 > y[first] > y[second]


def test_path_orbit_dwell_ellipse_stopping_at_the_seam(table):
    rows = table("path_orbit_dwell")
    a = max(abs(r[0]) for r in rows)
    # Every row away from the ends of the major axis gives the same minor axis.
    minor = [abs(y) / math.sqrt(1 - (x / a) ** 2) for x, y, _z in rows if abs(x) < 0.9 * a]
    b = minor[0]
    assert a > b > 0.3 and len(minor) > 100
    assert all(abs(m - b) < 1e-9 for m in minor)
    angle = [math.atan2(r[1] / b, r[0] / a) for r in rows]
    speed = [abs((angle[i] - angle[i - 1] + math.pi) % (2 * math.pi) - math.pi) for i in range(512)]
    assert speed[0] < 1e-4 and speed.index(max(speed)) in (256, 257)
    assert all(s1 < s2 for s1, s2 in zip(speed[1:256], speed[2:257]))


def test_path_crank_slider_rod_three_crank_one(table):
    rows = table("path_crank_slider")
    x = lane(rows, 0)
    scale = max(x)
    assert min(x) == -scale  # a full stroke, centred
    for i, v in enumerate(x):
        t = 2 * math.pi * i / 256
        slider = math.cos(t) + math.sqrt(9 - math.sin(t) ** 2)  # rod 3, crank 1
        assert abs(v - scale * (slider - 3)) < 1e-11, i
    # A finite rod makes the stroke asymmetric: the crank at a right angle
    # leaves the slider short of mid-travel by 3 - sqrt(8).
    assert x[64] < -0.1 and x[192] == x[64]

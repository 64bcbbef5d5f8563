"""The continuum pack's spatial paths: the silhouettes against their formula,
and every authored family measured for what its names promise (cycles per
component, stops, passes, returns, control points, joints), read back
through sample()."""
import json
import math
import os

import pytest

from measure import TAU, column, excursions, holds, peaks, winding

DATA = os.path.join(os.path.dirname(__file__), "..", "..", "src", "packs", "generator", "data",
                    "continuum")


def data(file_name):
    with open(os.path.join(DATA, file_name), encoding="utf-8") as stream:
        return json.load(stream)


def name_numbers(name):
    return [int(part) for part in name.split("_") if part.isdigit()]


def mid_range(values):
    return (max(values) + min(values)) / 2.0


def cycles(values):
    """Times the values rise through the middle of their range."""
    middle = mid_range(values)
    return excursions(values, lambda v: v > middle)


# -- silhouette_ -------------------------------------------------------------------

SILHOUETTES = [
    (1, 2, 3, 0.2, 0.16), (1, 3, 5, 0.35, 0.12), (2, 3, 4, 0.3, 0.18), (2, 5, 7, 0.23, 0.16),
    (1, 4, 7, 0.35, 0.21), (3, 4, 5, 0.28, 0.14), (2, 7, 9, 0.19, 0.12), (3, 5, 8, 0.3, 0.17),
    (1, 2, 5, 0.4, 0.22), (1, 5, 8, 0.27, 0.24), (2, 3, 7, 0.34, 0.2), (3, 7, 10, 0.26, 0.16),
    (2, 4, 9, 0.33, 0.23), (3, 4, 9, 0.29, 0.25), (4, 5, 7, 0.25, 0.21), (4, 7, 11, 0.21, 0.16),
]


@pytest.mark.parametrize("nn", range(1, 17))
def test_silhouette_follows_its_formula(table, nn):
    p, q, r, a, b = SILHOUETTES[nn - 1]

    def raw(t):
        return (math.cos(p * t) + a * math.sin(q * t + 0.3) + b * math.cos(r * t),
                0.65 * math.sin(p * t + 0.2) + b * math.sin(q * t) - a * math.cos(r * t + 0.1),
                0.12 * math.sin((p + q) * t) * math.sin(t))

    m = max(abs(v) for j in range(2048) for v in raw(TAU * j / 2048))
    rows = table("silhouette_harmonic_%02d" % nn)
    assert len(rows) == 1024
    for i, row in enumerate(rows):
        for got, v in zip(row, raw(TAU * i / 1024)):
            assert abs(got - 0.82 * v / m) <= 1e-12 + 1e-15, (nn, i)


# -- ribbon_, surface_, braid_: a turns, b cycles ----------------------------------

RIBBONS = ["%d_%d" % ab for ab in ((1, 2), (1, 3), (1, 4), (1, 5), (2, 3), (2, 5), (3, 4), (3, 5))]
BRAIDS = RIBBONS + ["1_6", "2_7", "3_7", "4_5", "4_7", "5_6", "5_7", "5_8"]


def turns(rows):
    return round(winding([(x, y) for x, y, _z in rows]), 6)


@pytest.mark.parametrize("ab", RIBBONS)
def test_ribbon_turns_a_times_and_crosses_b_times(table, ab):
    a, b = name_numbers(ab)
    slim, deep = table("ribbon_%s_slim" % ab), table("ribbon_%s_deep" % ab)
    for rows in (slim, deep):
        assert turns(rows) == a
        assert cycles(column(rows, 2)) == b

    def depth_share(rows):
        plane = max(max(column(rows, k)) - min(column(rows, k)) for k in (0, 1))
        return (max(column(rows, 2)) - min(column(rows, 2))) / plane

    assert depth_share(deep) > 2.5 * depth_share(slim)


@pytest.mark.parametrize("ab", RIBBONS)
def test_surface_turns_a_times_and_swings_b_times(table, ab):
    a, b = name_numbers(ab)
    low, wide = table("surface_%s_low" % ab), table("surface_%s_wide" % ab)
    for rows in (low, wide):
        assert turns(rows) == a
        assert cycles(column(rows, 2)) == b
    low_z, wide_z = column(low, 2), column(wide, 2)
    assert max(low_z) < 0.1 < 0.5 < max(wide_z)
    assert max(wide_z) - min(wide_z) > 2.0 * (max(low_z) - min(low_z))


@pytest.mark.parametrize("ab", BRAIDS)
def test_braid_turns_a_times_and_rolls_b_times(table, ab):
    a, b = name_numbers(ab)
    rows = table("braid_" + ab)
    assert turns(rows) == a
    assert cycles(column(rows, 2)) == b


# -- contour_ --------------------------------------------------------------------------


@pytest.mark.parametrize("nn", range(1, 17))
def test_contour_is_one_loop_slow_at_its_corners_every_other_beat(table, nn):
    rows = table("contour_shaped_%02d" % nn)
    assert abs(turns(rows)) == 1
    speed = [math.dist(rows[(i + 1) % 1024], rows[i - 1]) for i in range(1024)]
    even = [speed[i] for i in range(0, 1024, 256)]
    odd = [speed[i] for i in range(128, 1024, 256)]
    slow, fast = (even, odd) if max(even) < min(odd) else (odd, even)
    assert max(slow) < 0.6 * min(fast)


# -- spline_ ---------------------------------------------------------------------------

SPLINES = data("spline.json")["shapes"]


@pytest.mark.parametrize("name", sorted(SPLINES))
def test_spline_passes_its_control_points_at_their_grid_times(table, name):
    shape = SPLINES[name]
    rows = table(name)
    pips = shape["pips"]
    assert sum(pips) == len(rows) and all(p % 16 == 0 for p in pips) and len(set(pips)) > 1
    times = [sum(pips[:j]) for j in range(len(pips))]
    # One scale and a shift per component carry the control points onto the rows.
    dims = len(shape["points"][0])
    passed = [rows[t][:dims] for t in times]
    mean_p = [sum(p[k] for p in shape["points"]) / len(times) for k in range(dims)]
    mean_r = [sum(r[k] for r in passed) / len(times) for k in range(dims)]
    dp = [[p[k] - mean_p[k] for k in range(dims)] for p in shape["points"]]
    dr = [[r[k] - mean_r[k] for k in range(dims)] for r in passed]
    scale = sum(a * b for u, v in zip(dp, dr) for a, b in zip(u, v)) / sum(a * a for u in dp for a in u)
    assert scale > 0.5
    for u, v in zip(dp, dr):
        for a, b in zip(u, v):
            assert abs(scale * a - b) < 1e-9, name


# -- tour_ -----------------------------------------------------------------------------

TOURS = ["5_2", "7_2", "7_3", "8_3", "9_2", "9_4", "10_3", "11_2",
         "11_3", "11_4", "12_5", "13_2", "13_3", "13_4", "13_5", "14_3"]


@pytest.mark.parametrize("nk", TOURS)
def test_tour_stops_at_n_places_k_apart_long_and_short(table, nk):
    n, k = name_numbers(nk)
    rows = table("tour_" + nk)
    stops = holds(rows)
    assert stops[0][0] == 0
    visits = n if n % 2 == 0 else 2 * n
    assert len(stops) == visits
    places = sorted({rows[start][:2] for start, _length in stops},
                    key=lambda p: math.atan2(p[1] - mid_range([q[1] for q in rows]),
                                             p[0] - mid_range([q[0] for q in rows])))
    assert len(places) == n
    order = [places.index(rows[start][:2]) for start, _length in stops]
    steps = {(b - a) % n for a, b in zip(order, order[1:] + order[:1])}
    assert steps in ({k}, {n - k})
    lengths = [length for _start, length in stops]
    assert max(lengths[1::2]) * 2 < min(lengths[0::2])
    if any(row[2] for row in rows):
        depths = [rows[start][2] for start, _length in stops]
        assert min(depths[0::2]) > max(depths[1::2])


# -- scan_ -----------------------------------------------------------------------------

SCANS = ["%s_%d" % (kind, m) for m in (3, 4, 5, 6) for kind in ("flat", "bowed", "tilted", "depth")]


@pytest.mark.parametrize("scan", SCANS)
def test_scan_makes_m_passes_and_one_outer_return(table, scan):
    kind, m = scan.split("_")[0], name_numbers(scan)[0]
    rows = table("scan_" + scan)
    x = column(rows, 0)
    middle = mid_range(x)
    crossings = [i for i in range(len(rows)) if (x[i - 1] < middle) != (x[i] < middle)]
    assert len(crossings) == m + m % 2
    across = [rows[i][2] if kind == "depth" else -rows[i][1] for i in crossings]
    height = [rows[i][1] for i in crossings]
    passes = across[:m]
    assert all(a < b for a, b in zip(passes, passes[1:]))
    if kind == "depth":
        assert all(abs(h) < 1e-9 for h in height[:m])
        assert max(column(rows, 1)) > 0.5
        assert all(h > 0.5 for h in height[m:])
    elif m % 2:
        # Back from the far side: over the top of the field.
        assert all(h > max(height[:m]) + 0.1 for h in height[m:])
    else:
        # Back up the near side, outside the turns.
        assert x.index(min(x)) > crossings[-1]


# -- reach_ ----------------------------------------------------------------------------

REACHES = ["%s_%d" % (kind, n) for n in (3, 4, 5, 7) for kind in ("scoop", "hook", "lift", "recoil")]


@pytest.mark.parametrize("reach", REACHES)
def test_reach_returns_n_times_to_the_centre(table, reach):
    kind, n = reach.split("_")[0], name_numbers(reach)[0]
    rows = table("reach_" + reach)
    centre = (0.0, 0.0, 0.0)
    settles = [start for start, _length in holds(rows) if rows[start] == centre]
    assert len(settles) == n and len(holds(rows)) == n
    starts = sorted(settles)
    for a, b in zip(starts, starts[1:] + [starts[0] + len(rows)]):
        out = [rows[i % len(rows)] for i in range(a, b)]
        tip = max(out, key=lambda row: math.hypot(*row))
        length = math.hypot(*tip)
        behind = min(sum(p * q for p, q in zip(row, tip)) / length for row in out)
        # Only a recoil swings back past the centre to the far side before it settles.
        if kind == "recoil":
            assert behind < -0.15 * length
        else:
            assert behind > -0.05 * length
    if kind == "lift":
        assert cycles(column(rows, 2)) == n


# -- arm_ ------------------------------------------------------------------------------

ARMS = data("arm.json")["arms"]


@pytest.mark.parametrize("name", sorted(ARMS))
def test_arm_tip_stays_within_two_links_and_flexes_with_the_elbow(table, name):
    arm = ARMS[name]
    (sx, sy), (upper, lower) = arm["shoulder"], arm["links"]
    rows = table(name)
    reach = [math.sqrt((x - sx) ** 2 + (y - sy) ** 2 + z * z) for x, y, z in rows]
    assert abs(upper - lower) - 1e-9 < min(reach) and max(reach) < upper + lower + 1e-9
    # The tip's distance from the shoulder rises and falls with the elbow's main flex.
    assert len(peaks(reach)) == arm["elbow"][1][0][0]

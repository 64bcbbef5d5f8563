"""The club and dancefloor packs: records that follow from the groove and
shape lists, and sixteen shapes whose tables show what their titles promise,
measured on contrasting drum programmes. The recorded digests guard the
exact values; the invariants of every table are checked in
test_pack_tables."""
import math
import operator
import os
import sys
from collections import Counter

import pytest

from measure import apart, column, crossings, first_harmonic_share, peaks, runs, winding

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "src", "packs", "generator"))
from packgen import grooves as reader  # noqa: E402
from packgen.shapes.score import Score  # noqa: E402

GROOVES = {g.name: g for g in reader.load_grooves()}
ORDER = list(GROOVES)
CLUB = ("bounce", "step", "orbit", "glide")
SHAPES = CLUB + ("surge", "recoil", "flutter", "dive", "pendulum", "figure8", "box",
                 "corkscrew", "spiral", "slalom", "spring", "ricochet")
# The club grooves whose descriptions end in the full stop and its space.
NO_NOTE = {
    "house_classic", "house_shuffle", "techno_drive", "techno_toms", "ukg_skip", "bassline",
    "grime_sparse", "grime_half", "jungle_ghosts", "dnb_two_step", "dnb_rolling", "dnb_half",
    "dubstep_half", "dubstep_skip", "trap_trills", "electro", "rave_breaks", "disco",
}
FLAT_DANCEFLOOR = {"beat_jersey_five_bounce", "beat_jersey_five_step",
                   "beat_baile_toms_bounce", "beat_baile_toms_step"}
DASH = "\u2014"


@pytest.fixture(scope="module")
def packs(module):
    """(records before the club pack, club records, dancefloor records)."""
    records = module.catalogue()
    first = next(i for i, r in enumerate(records) if r["name"].startswith("beat_"))
    return records[:first], records[first:first + 144], records[first + 144:]


def rows_of(table, groove, shape):
    return table("beat_%s_%s" % (groove, shape))


def hits(groove, *lanes, ghosts=True):
    """Onsets of the lanes in one groove, simultaneous ones once."""
    found = []
    for e in GROOVES["beat_" + groove].lane(*lanes):
        if (ghosts or not e.ghost) and not (found and float(e.pip) - found[-1] < 1.0):
            found.append(float(e.pip))
    return found


def near(rows_or_values, pip, half):
    """Indices within ``half`` rows of a pip, round the loop."""
    n = len(rows_or_values)
    return [(round(pip) + d) % n for d in range(-half, half + 1)]


def radius(rows):
    return [math.hypot(x, y) for x, y, _z in rows]


# -- records ----------------------------------------------------------------------


def test_club_records(packs):
    before, club, _ = packs
    assert not before[-1]["name"].startswith("beat_")
    assert [r["name"] for r in club] == ["%s_%s" % (g, s) for g in ORDER[:36] for s in CLUB]
    assert Counter(r["period_pips"] for r in club) == {256: 4, 512: 124, 768: 4, 1024: 12}
    assert Counter(r["dimensions"] for r in club) == {2: 45, 3: 99}
    assert [r["dimensions"] for r in club[:4]] == [2, 2, 2, 3]
    assert club[4]["description"] == "House / kick-clap-offbeat hat \u2014 Kick-led bounce. "
    trailing = {r["name"] for r in club if r["description"].endswith(" ")}
    assert trailing == {"beat_%s_%s" % (g, s) for g in NO_NOTE for s in CLUB}
    assert len(trailing) == 72
    for r in club:
        assert r["description"].count(DASH) == 1
        assert r["description"].endswith(". ") == (r["name"] in trailing)
        if r["name"].endswith("_glide"):
            assert " \u2014 Bass-and-phrase glide. " in r["description"]


def test_dancefloor_records(module, packs):
    before, club, dancefloor = packs
    assert len(dancefloor) == 944
    names = [r["name"] for r in dancefloor]
    assert names[:12] == ["beat_four_floor_" + s for s in SHAPES[4:]]
    assert names[432:448] == ["beat_jersey_five_" + s for s in SHAPES]
    assert names[-1] == module.catalogue()[-1]["name"] == "beat_dembow_push_ricochet"
    assert Counter(r["period_pips"] for r in dancefloor) == {256: 12, 512: 884, 768: 12, 1024: 36}
    assert {r["name"] for r in dancefloor if r["dimensions"] == 2} == FLAT_DANCEFLOOR
    by_name = {r["name"]: r["description"] for r in dancefloor}
    assert by_name["beat_four_floor_surge"] == (
        "Four to the floor / bare pulse \u2014 Forward surge. "
        "Kick thrust through depth with contrasting snare lift and hat detail.")
    assert by_name["beat_jersey_five_glide"] == (
        "Jersey / five-kick foundation \u2014 Bass / phrase glide. "
        "Original Club 05 continuous phrase path with bass excursions.")
    for name, text in by_name.items():
        assert text.count(DASH) == 1 and not text.endswith(" ")
    assert not any(r["description"].endswith(" ") for r in before)
    # A three-bar and a four-bar cycle repeat only after their whole period.
    for name, period in (("beat_techno_polymeter_glide", 768), ("beat_techno_polymeter_spiral", 768)):
        assert module.sample(name, period).as_tuple() == module.sample(name, 0).as_tuple()
        assert module.sample(name, 512).as_tuple() != module.sample(name, 0).as_tuple()
        assert module.sample(name, -1).as_tuple() == module.sample(name, period - 1).as_tuple()


def test_every_groove_table_differs_from_its_other_shapes(module, table):
    """The sixteen shapes of one groove are different motions: no two of them
    come within 0.3 RMS of each other (64 points of each, no phase shift)."""
    for groove in ORDER:
        period = GROOVES[groove].period
        points = {s: [table("%s_%s" % (groove, s))[i * period // 64] for i in range(64)]
                  for s in SHAPES}
        for k, a in enumerate(SHAPES):
            for b in SHAPES[k + 1:]:
                d = math.sqrt(sum((p - q) ** 2 for u, v in zip(points[a], points[b])
                                  for p, q in zip(u, v)) / 64)
                assert d >= 0.3, (groove, a, b, d)


@pytest.mark.parametrize("shape", SHAPES)
def test_one_shape_over_different_grooves_follows_each_groove(module, shape):
    """Within a shape, every groove's table stands at least 0.15 RMS from every
    other groove's: each table resampled to 128 rows, the best of 8 phase
    shifts, as the table report measures a family. (A pair whose columns,
    each sorted, already differ by that much needs no shift: no reordering
    of rows brings two tables closer than their sorted columns.)"""
    n, shifts, least = 128, 8, 0.15 ** 2 * 128
    tables = []
    for groove in ORDER:
        name, period = "%s_%s" % (groove, shape), GROOVES[groove].period
        rows = [module.sample(name, k * period // n).as_tuple() for k in range(n)]
        flat = [v for row in rows for v in row]
        ordered = [v for axis in range(3) for v in sorted(row[axis] for row in rows)]
        tables.append((groove, flat, ordered, sum(v * v for v in flat)))
    for i, (a, flat_a, sorted_a, norm_a) in enumerate(tables):
        for b, flat_b, sorted_b, norm_b in tables[i + 1:]:
            if norm_a + norm_b - 2.0 * sum(map(operator.mul, sorted_a, sorted_b)) >= least:
                continue
            for s in range(shifts):
                cut = 3 * s * n // shifts
                squared = norm_a + norm_b - 2.0 * sum(map(operator.mul, flat_a, flat_b[cut:] + flat_b[:cut]))
                assert squared >= least, (shape, a, b, s, math.sqrt(max(squared, 0.0) / n))


@pytest.mark.parametrize("shape", SHAPES)
def test_every_shape_shows_the_amen_ghost_notes(table, shape):
    """The Amen with and without its ghost snares are the same programme but
    for those quiet notes: every shape moves differently within half a beat
    of each of them."""
    full, plain = rows_of(table, "amen_four_bar", shape), rows_of(table, "amen_no_ghosts", shape)
    ghosts = [e.pip for e in GROOVES["beat_amen_four_bar"].events if e.ghost]
    assert len(ghosts) == 11
    for pip in ghosts:
        after = [(round(pip) + d) % len(full) for d in range(33)]
        assert max(abs(p - q) for i in after for p, q in zip(full[i], plain[i])) > 0.1, pip


def test_rotated_programmes_make_different_tables(packs, table):
    """No table is another's rows begun elsewhere: not even the 3-2 and 2-3
    claves, which differ only in where the clave falls against the bass."""
    _, club, dancefloor = packs
    seen = {}
    for r in club + dancefloor:
        key = tuple(sorted(table(r["name"])))
        assert key not in seen, (r["name"], seen.get(key))
        seen[key] = r["name"]


def test_a_library_takes_the_whole_dancefloor_pack_as_exact_copies(module, packs):
    """Exact copies of all 944 dancefloor patterns are accepted and dropped,
    and their 501,760 samples count toward the library's budget."""
    _, _, dancefloor = packs
    copies = [module.SampledPattern(r["name"], r["description"],
                                    [module.sample(r["name"], i).as_tuple() for i in range(r["period_pips"])])
              for r in dancefloor]
    assert sum(r["period_pips"] for r in dancefloor) == 501760
    rows = [[0.25, 0.0, 0.0]] * 65535
    own = [module.SampledPattern("own_%d" % i, "", rows) for i in range(8)]
    library = module.PatternLibrary(copies + own + [module.SampledPattern("rest", "", rows[:22536])])
    assert len(library.catalogue()) == len(module.catalogue()) + 9  # 1,048,576 samples in all
    assert library.sample("beat_dembow_push_ricochet", -1).as_tuple() == \
        module.sample("beat_dembow_push_ricochet", 511).as_tuple()
    with pytest.raises(ValueError, match="^Pattern pack is too large$"):
        module.PatternLibrary(copies + own + [module.SampledPattern("rest", "", rows[:22537])])
    changed = [list(r) for r in (copies[-1].sample(i).as_tuple() for i in range(512))]
    changed[100][2] = math.nextafter(changed[100][2], 2.0)
    with pytest.raises(ValueError, match="^Cannot override default pattern: beat_dembow_push_ricochet$"):
        module.PatternLibrary([module.SampledPattern("beat_dembow_push_ricochet",
                                                     dancefloor[-1]["description"], changed)])


# -- the shapes, measured ------------------------------------------------------------


@pytest.mark.parametrize("groove", ["four_floor", "house_jack", "dnb_two_step", "amen_four_bar",
                                    "footwork_triplet", "jersey_five", "ukg_two_step"])
def test_bounce_lands_each_kick_at_its_lowest(table, groove):
    y = column(rows_of(table, groove, "bounce"), 1)
    kicks = hits(groove, "kick")
    for k, pip in enumerate(kicks):
        gap = min((pip - kicks[k - 1]) % len(y) or len(y), (kicks[(k + 1) % len(kicks)] - pip) % len(y) or len(y))
        window = near(y, pip, min(8, int(gap // 2)))
        assert min(y[math.floor(pip) % len(y)], y[math.ceil(pip) % len(y)]) == min(y[i] for i in window)


@pytest.mark.parametrize("groove", ["house_classic", "dnb_two_step", "dubstep_half", "ukg_two_step",
                                    "amen_no_ghosts", "baile_toms"])
def test_step_changes_side_on_each_snare_or_clap(table, groove):
    x = column(rows_of(table, groove, "step"), 0)
    mains = hits(groove, "snare", "clap", ghosts=False)
    assert len(mains) % 2 == 0
    sides = [x[round(pip) % len(x)] for pip in mains]
    assert all(abs(v) > 0.5 for v in sides)
    assert all(a * b < 0 for a, b in zip(sides, sides[1:] + sides[:1]))


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "techno_polymeter", "amen_four_bar",
                                    "afro_cross", "footwork_sparse"])
def test_orbit_circles_its_centre_once_a_half_bar(table, groove):
    rows = rows_of(table, groove, "orbit")
    assert round(winding([(x, y) for x, y, _z in rows]), 6) == len(rows) // 128
    assert min(radius(rows)) > 0.2


@pytest.mark.parametrize("groove", ["four_floor", "speed_garage", "amapiano", "jungle_switch", "reggae_rockers"])
def test_glide_is_one_phrase_long_loop_pushed_out_by_the_bass(table, groove):
    rows = rows_of(table, groove, "glide")
    n = len(rows)
    assert round(winding([(x, y) for x, y, _z in rows]), 6) == 1
    notes = [(float(e.pip), float(e.length)) for e in GROOVES["beat_" + groove].lane("bass")]
    notes = notes or [(pip, 24.0) for pip in hits(groove, "kick")]
    sounding = {round(p + d) % n for p, length in notes for d in range(4, int(length))}
    r = radius(rows)
    out = sum(r[i] for i in sounding) / len(sounding)
    rest = [r[i] for i in range(n) if i not in sounding]
    assert not rest or out > sum(rest) / len(rest) + 0.1


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "dnb_rolling", "trap_trills", "gqom_space"])
def test_surge_thrusts_forward_on_each_kick_and_lifts_on_the_snare(table, groove):
    rows = rows_of(table, groove, "surge")
    z, y = column(rows, 2), column(rows, 1)
    kicks = hits(groove, "kick")
    for k, pip in enumerate(kicks):
        gap = min((pip - kicks[k - 1]) % len(z) or len(z), (kicks[(k + 1) % len(kicks)] - pip) % len(z) or len(z))
        window = near(z, pip, min(8, int(gap // 2)))
        assert max(z[math.floor(pip) % len(z)], z[math.ceil(pip) % len(z)]) == max(z[i] for i in window)
    for pip in hits(groove, "snare", "clap", ghosts=False):
        assert y[round(pip + 8) % len(y)] > y[round(pip - 8) % len(y)]


@pytest.mark.parametrize("groove", ["house_classic", "dubstep_half", "reggae_steppers", "dnb_two_step"])
def test_recoil_pushes_aside_on_the_snare_and_its_echo_draws_back(table, groove):
    x = column(rows_of(table, groove, "recoil"), 0)
    n = len(x)
    snares = hits(groove, "snare", "clap", ghosts=False)
    for pip in snares:
        out, back = x[round(pip + 4) % n], x[round(pip + 64) % n]
        assert abs(out) > 0.4
        assert out * back < 0 or abs(back) < 0.5 * abs(out)
    # A kick on its own counters sideways as it drops, so its stroke is no
    # straight line down and up.
    for pip in hits(groove, "kick"):
        if all(abs((pip - s + n / 2) % n - n / 2) >= 12 for s in snares):
            beat = [x[(round(pip) + d) % n] for d in range(65)]
            assert max(beat) - min(beat) > 0.2, pip


@pytest.mark.parametrize("groove", ["house_shuffle", "afro_cross", "drill_rolls", "four_floor",
                                    "reggae_one_drop"])
def test_flutter_trembles_over_a_wide_smooth_arc(table, groove):
    rows = rows_of(table, groove, "flutter")
    x, y = column(rows, 0), column(rows, 1)
    assert max(x) - min(x) > 1.2
    assert len(peaks(y)) >= 3 * len(peaks(x))


def test_flutter_arc_keeps_swinging_on_every_groove(table):
    """Kicks after kicks still swing the arc: it nowhere stands (x moving
    under 0.002 a row) for more than a beat."""
    for groove in ORDER:
        x = column(table(groove + "_flutter"), 0)
        assert all(n <= 64 for _s, n in runs([abs(x[i] - x[i - 1]) < 0.002 for i in range(len(x))])), groove


@pytest.mark.parametrize("groove", ["four_floor", "speed_garage", "reggae_one_drop", "footwork_triplet",
                                    "amen_no_ghosts"])
def test_dive_is_one_broad_plunge(table, groove):
    z = column(rows_of(table, groove, "dive"), 2)
    middle = (max(z) + min(z)) / 2.0
    (start, length), = runs([v < middle for v in z])
    assert max(z) - min(z) > 0.8 and length > len(z) / 4


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "jungle_switch", "gqom_space", "jersey_call"])
def test_pendulum_hangs_below_its_pivot(table, groove):
    """Every row lies at one distance from a point straight above the
    lowest: x^2 + y^2 + z^2 = 2 p y + (L^2 - p^2), a line in y."""
    rows = rows_of(table, groove, "pendulum")
    ys = [y for _x, y, _z in rows]
    ss = [x * x + y * y + z * z for x, y, z in rows]
    n = len(rows)
    my, ms = sum(ys) / n, sum(ss) / n
    slope = sum((a - my) * (b - ms) for a, b in zip(ys, ss)) / sum((a - my) ** 2 for a in ys)
    pivot = slope / 2.0
    length = math.sqrt(ms - slope * my + pivot * pivot)
    assert pivot > max(ys) + 0.5
    for x, y, z in rows:
        assert abs(math.sqrt(x * x + (y - pivot) ** 2 + z * z) - length) < 1e-9
    assert max(abs(v) for v in column(rows, 0)) > 0.6


@pytest.mark.parametrize("groove,lobes", [("house_classic", 2), ("dnb_two_step", 2), ("dubstep_half", 1),
                                          ("four_floor", 1), ("grime_sparse", 1), ("jersey_five", 2)])
def test_figure8_crosses_its_centre_on_the_backbeat_twice_a_figure(table, groove, lobes):
    rows = rows_of(table, groove, "figure8")
    x, y = column(rows, 0), column(rows, 1)
    crossed = crossings(x)
    assert len(crossed) == 2 * lobes
    backbeat = hits(groove, "snare", "clap", ghosts=False) or hits(groove, "kick")[1::2]
    mean_y = sum(y) / len(y)
    for i in crossed:
        assert min(abs((i - p + len(x) / 2) % len(x) - len(x) / 2) for p in backbeat) <= 2
        assert y[i] > mean_y  # the crossing is lifted


def test_figure8_crosses_where_each_groove_backbeat_falls(table):
    """Every main backbeat stroke (or the score's stand-in) has a crossing within
    the shortest lobe, three sixteenths; every crossing falls on one but at most
    one, which stands in for an odd count: on a kick or between its neighbours."""
    for groove, programme in GROOVES.items():
        score = Score(programme)
        x = column(table(groove + "_figure8"), 0)
        n, crossed = len(x), crossings(x)
        backbeat = [h.pip for h in score.mains(score.backbeat)]
        assert max(min(apart(p, i, n) for i in crossed) for p in backbeat) <= 48, groove
        off = [i for i in crossed if min(apart(i, p, n) for p in backbeat) > 8]
        between = zip(crossed, crossed[2:] + crossed[:2])
        stand_ins = [h.pip for h in score.kick] + [a + (b - a) % n / 2 for a, b in between]
        assert len(off) <= 1 and all(min(apart(i, p, n) for p in stand_ins) <= 8 for i in off), groove


@pytest.mark.parametrize("groove", ["house_classic", "dubstep_half", "techno_polymeter", "jungle_switch",
                                    "afro_cross"])
def test_box_tours_four_corners_once_a_bar_and_dwells_at_them(table, groove):
    rows = rows_of(table, groove, "box")
    assert round(winding([(x, y) for x, y, _z in rows]), 6) == len(rows) // 256
    at_corner = [abs(x) > 0.55 and abs(y) > 0.55 for x, y, _z in rows]
    assert sum(at_corner) > 0.55 * len(rows)  # crossing at an even pace it would be about a fifth
    assert len(runs(at_corner)) == 4 * len(rows) // 256


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "techno_polymeter", "afro_bell"])
def test_corkscrew_turns_twice_on_one_depth_wave(table, groove):
    rows = rows_of(table, groove, "corkscrew")
    z = column(rows, 2)
    assert round(winding([(x, y) for x, y, _z in rows]), 6) == 2
    assert first_harmonic_share(z) > 0.85  # one slow wave under the ripple
    r = radius(rows)
    assert max(r) - min(r) > 0.3


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "techno_polymeter", "amen_four_bar"])
def test_spiral_winds_in_and_out_twice(table, groove):
    rows = rows_of(table, groove, "spiral")
    assert round(winding([(x, y) for x, y, _z in rows]), 6) == -2
    r = radius(rows)
    n = len(r)
    assert r[0] > 0.6 and min(r[3 * n // 8:5 * n // 8]) < 0.4


@pytest.mark.parametrize("groove", ["house_classic", "dnb_two_step", "dubstep_half", "ukg_skip"])
def test_slalom_cuts_back_on_the_snare_with_depth_against_it(table, groove):
    rows = rows_of(table, groove, "slalom")
    x, z = column(rows, 0), column(rows, 2)
    n = len(x)
    mains = hits(groove, "snare", "clap", ghosts=False)
    sides = []
    for pip in mains:
        window = [x[i] for i in near(x, pip, 12)]
        turn = x[round(pip) % n]
        assert turn in (max(window), min(window)) or abs(turn) > 0.9 * max(abs(v) for v in window)
        sides.append(turn)
    assert all(a * b < 0 for a, b in zip(sides, sides[1:] + sides[:1]))
    velocity = [x[(i + 1) % n] - x[i - 1] for i in range(n)]
    mv, mz = sum(velocity) / n, sum(z) / n
    cov = sum((v - mv) * (w - mz) for v, w in zip(velocity, z))
    spread = math.sqrt(sum((v - mv) ** 2 for v in velocity) * sum((w - mz) ** 2 for w in z))
    assert cov / spread < -0.5


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "dubstep_half", "footwork_sparse",
                                    "reggae_one_drop"])
def test_spring_rests_before_a_kick_after_a_gap_then_rings_down(table, groove):
    """The kick rings the vertical spring: before each kick that follows a
    beat without one it is still, and it starts moving only on the kick."""
    y = column(rows_of(table, groove, "spring"), 1)
    n = len(y)
    kicks = hits(groove, "kick")
    tested = 0
    for k, pip in enumerate(kicks):
        after = (kicks[(k + 1) % len(kicks)] - pip) % n or n
        if len(kicks) > 1 and ((pip - kicks[k - 1]) % n < 64 or after < 64):
            continue
        start = math.floor(pip)
        assert all(y[(start - d) % n] == 0.0 for d in range(4))
        assert y[(start + 3) % n] != 0.0
        early = max(abs(y[(start + d) % n]) for d in range(24))
        late = max(abs(y[(start + d) % n]) for d in range(36, 60))
        assert early > 2.0 * late
        tested += 1
    assert tested


def test_spring_comes_to_rest_in_a_long_gap(table):
    rows = rows_of(table, "footwork_sparse", "spring")
    onsets = sorted({float(e.pip) for e in GROOVES["beat_footwork_sparse"].events})
    gap_start, gap_end = max(zip(onsets, onsets[1:]), key=lambda pair: pair[1] - pair[0])
    assert gap_end - gap_start >= 128
    still = rows[round(gap_start) + 96:math.floor(gap_end) + 1]
    assert still and all(row == still[0] for row in still)


@pytest.mark.parametrize("groove", ["four_floor", "house_classic", "dubstep_half", "amen_four_bar",
                                    "son_clave_32"])
def test_ricochet_sends_successive_onsets_different_ways(table, groove):
    """The excursions peak far from the centre, each heading a different way
    from the one before, and they keep to a few directions (the corners of a
    triangle, square or pentagon)."""
    rows = rows_of(table, groove, "ricochet")
    r = radius(rows)
    tips = []
    for start, length in runs([v > 0.55 for v in r]):
        span = [(start + d) % len(r) for d in range(length)]
        tips.append(max(span, key=lambda i: r[i]))
    angles = [math.atan2(rows[i][1], rows[i][0]) for i in sorted(tips)]
    assert len(angles) >= 3
    for a, b in zip(angles, angles[1:] + angles[:1]):
        assert abs((a - b + math.pi) % (2 * math.pi) - math.pi) > math.radians(50)
    clusters = []
    for a in angles:
        if not any(abs((a - c + math.pi) % (2 * math.pi) - math.pi) < math.radians(30) for c in clusters):
            clusters.append(a)
    assert 3 <= len(clusters) <= 5

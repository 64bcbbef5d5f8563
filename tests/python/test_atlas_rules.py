"""Atlas tables that follow a rule, against values computed here from the rule.

Every rule is evaluated independently of the generator, rounded to twelve
decimals and compared with every row read through sample(); a double
evaluation may land one unit of the twelfth decimal away where the exact
value sits on a rounding boundary.
"""
import math

import pytest

TAU = 2.0 * math.pi
TOLERANCE = 1.5e-12  # one unit of the twelfth decimal, and the double's own error
sin, cos, tanh, sqrt = math.sin, math.cos, math.tanh, math.sqrt


def thetas(period):
    return [TAU * i / period for i in range(period)]


def components(period, x=None, y=None, z=None):
    zero = lambda _t: 0.0  # noqa: E731
    x, y, z = x or zero, y or zero, z or zero
    return [(x(t), y(t), z(t)) for t in thetas(period)]


def scaled_to_peak(rows, m=None):
    """x = 0.82 X / M with M the largest |raw coordinate| over every row."""
    if m is None:
        m = max(abs(v) for row in rows for v in row)
    return [tuple(0.82 * v / m for v in row) for row in rows]


def numbers(name):
    return [int(part) for part in name.split("_") if part.isdigit()]


# -- formula and normalised tables -------------------------------------------

FORMULAS = {
    "wave_pinched": dict(x=lambda t: 0.615 * sin(t) - 0.205 * sin(3 * t)),
    "mech_scotch_yoke": dict(
        x=lambda t: 0.82 * cos(t),
        y=lambda t: 0.287 * sin(t) + 0.1476 * sin(3 * t),
    ),
    "mech_piston_balance": dict(
        x=lambda t: 0.82 * cos(t), y=lambda t: 0.41 * sin(2 * t), z=lambda t: 0.205 * sin(t)),
    "mech_piston_short": dict(
        x=lambda t: 0.82 * (cos(t) + sqrt(4 - sin(t) ** 2) - 2), y=lambda t: 0.246 * sin(t)),
    "mech_piston_long": dict(
        x=lambda t: 0.82 * (cos(t) + sqrt(16 - sin(t) ** 2) - 4), y=lambda t: 0.205 * sin(2 * t)),
    "mech_wobble_plate": dict(
        x=lambda t: 0.82 * cos(t), y=lambda t: 0.287 * sin(t), z=lambda t: 0.41 * sin(2 * t + 0.3)),
    # The written-out forms of three normalised families.
    "orbit_harmonic_03": dict(
        x=lambda t: 0.656 * cos(t) + 0.164 * cos(4 * t),
        y=lambda t: 0.47232 * sin(t) - 0.164 * sin(5 * t)),
    "orbit_harmonic_04": dict(
        x=lambda t: 0.640625 * cos(t) + 0.179375 * cos(5 * t),
        y=lambda t: 0.46125 * sin(t) - 0.179375 * sin(6 * t)),
    "orbit_harmonic_05": dict(
        x=lambda t: 0.656 * cos(t) + 0.164 * cos(6 * t),
        y=lambda t: 0.47232 * sin(t) - 0.164 * sin(7 * t)),
    "polar_rose_3": dict(
        x=lambda t: 0.41 * cos(t) + 0.41 * cos(2 * t),
        y=lambda t: -0.41 * sin(t) + 0.41 * sin(2 * t)),
    "polar_rose_12": dict(
        x=lambda t: 0.41 * cos(5 * t) + 0.41 * cos(7 * t),
        y=lambda t: -0.41 * sin(5 * t) + 0.41 * sin(7 * t)),
    "spiro_inside_9_4": dict(
        x=lambda t: 0.5 * cos(4 * t) + 0.32 * cos(5 * t),
        y=lambda t: 0.5 * sin(4 * t) - 0.32 * sin(5 * t)),
}

NORMALISED = {
    "wave_shouldered": dict(x=lambda t: 0.69 * sin(t) + 0.31 * sin(3 * t)),
    "wave_folded": dict(x=lambda t: sin(2.2 * sin(t))),
    "wave_double_fold": dict(x=lambda t: sin(3.8 * sin(t))),
    "wave_rounded_square": dict(x=lambda t: tanh(2 * sin(t))),
    "wave_skew_warp": dict(x=lambda t: sin(t + 0.7 * sin(t))),
    "wave_notched": dict(x=lambda t: sin(t) - 0.36 * sin(3 * t) + 0.12 * cos(5 * t)),
    "wave_reed": dict(x=lambda t: sin(t) * (0.85 + 0.4 * cos(7 * t))),
    "wave_unequal_peaks": dict(x=lambda t: 0.67 * sin(t) + 0.4 * sin(2 * t + 0.8)),
    "wave_ripple_return": dict(
        x=lambda t: sin(t) + 0.045 * sin(4 * t) + 0.09 * sin(5 * t) + 0.045 * sin(6 * t)),
    "mech_two_lobe_cam": dict(
        x=lambda t: 0.6 * sin(t),
        y=lambda t: 0.4 * cos(t) + 1.1 * cos(2 * t),
    ),
    "mech_three_lobe_cam": dict(x=lambda t: 0.25 * sin(t), y=lambda t: 0.2 * cos(t) + cos(3 * t)),
    "mech_paddle": dict(
        x=lambda t: cos(t) + 0.23 * cos(4 * t),
        y=lambda t: sin(t) + 0.23 * sin(4 * t),
    ),
    "mech_coupled_cranks": dict(
        x=lambda t: cos(t) + 0.35 * cos(3 * t + 0.6), y=lambda t: sin(t) - 0.35 * sin(3 * t + 0.6)),
}

# NN: k, c, phi
ORBIT_HARMONICS = {
    "01": (2, 0.18, 0), "02": (3, 0.22, 0), "03": (4, 0.25, 0), "04": (5, 0.28, 0),
    "05": (6, 0.25, 0), "06": (7, 0.2, 0), "07": (8, 0.15, 0), "08": (9, 0.13, 0),
    "09": (2, 0.34, 0.5), "10": (3, 0.31, 0.8), "11": (4, 0.29, 1.1), "12": (5, 0.26, 1.4),
    "13": (6, 0.23, 1.7), "14": (7, 0.2, 2.0), "15": (8, 0.17, 2.3), "16": (9, 0.14, 2.6),
}
# (R, r): pen distance
SPIRO_PENS = {(3, 1): 0.45, (4, 1): 0.6, (5, 2): 1.5, (5, 1): 0.55, (7, 2): 1.3, (7, 3): 2.1,
              (8, 3): 1.8, (9, 4): 3.2}
# Written out as the (lo, hi) harmonics of each rose.
ROSE_HARMONICS = {3: (1, 2), 6: (2, 4), 7: (3, 4), 8: (3, 5), 9: (4, 5), 10: (4, 6), 11: (5, 6),
                  12: (5, 7)}


def formula_rows(name, period):
    return components(period, **FORMULAS[name])


def normalised_rows(name, period):
    return scaled_to_peak(components(period, **NORMALISED[name]))


def orbit_rows(name, period):
    k, c, phi = ORBIT_HARMONICS[name[-2:]]
    return scaled_to_peak(components(
        period,
        x=lambda t: cos(t) + c * cos(k * t + phi),
        y=lambda t: 0.72 * sin(t) - c * sin((k + 1) * t - phi)))


def weave_rows(name, period):
    a, b = numbers(name)
    return scaled_to_peak(
        components(period, x=lambda t: sin(a * t + 0.37), y=lambda t: 0.8125 * sin(b * t)))


def rose_rows(name, period):
    lo, hi = ROSE_HARMONICS[numbers(name)[0]]
    return components(
        period,
        x=lambda t: 0.41 * cos(lo * t) + 0.41 * cos(hi * t),
        y=lambda t: -0.41 * sin(lo * t) + 0.41 * sin(hi * t))


def spiro_rows(name, period):
    big, small = numbers(name)
    d = SPIRO_PENS[big, small]
    inside = "_inside_" in name
    k = big - small if inside else big + small
    rows = []
    for i in range(period):
        t = TAU * small * i / period
        pen_x, pen_y = d * cos(k * t / small), d * sin(k * t / small)
        rows.append((k * cos(t) + (pen_x if inside else -pen_x), k * sin(t) - pen_y, 0.0))
    return scaled_to_peak(rows)


def torus_rows(name, period):
    p, q = numbers(name)
    rows = components(
        period,
        x=lambda t: (2.9 + cos(q * t)) * cos(p * t),
        y=lambda t: (2.9 + cos(q * t)) * sin(p * t),
        z=lambda t: 2.1 * sin(q * t))
    return scaled_to_peak(rows, 3.9)


def space_weave_rows(name, period):
    a, b, c = numbers(name)
    return components(
        period,
        x=lambda t: 0.82 * sin(a * t),
        y=lambda t: 0.656 * sin(b * t + 0.4), z=lambda t: 0.574 * cos(c * t + 0.7))


# -- pulse sums --------------------------------------------------------------

def bump(d, w):
    return (1 + cos(math.pi * d / w)) / 2 if abs(d) < w else 0.0


def pulses_rows(period, pulses):
    """Sum of (centre, half-width, (ax, ay, az)) pulses; distances cyclic in [-P/2, P/2)."""
    rows = []
    for i in range(period):
        row = [0.0, 0.0, 0.0]
        for centre, w, amplitudes in pulses:
            d = (i - centre + period / 2) % period - period / 2
            b = bump(d, w)
            for axis in range(3):
                row[axis] += amplitudes[axis] * b
        rows.append(tuple(row))
    return rows


def euclid_rows(name, period):
    k, n = numbers(name)
    pulses = []
    for j in range(k):
        step = math.ceil(j * n / k)
        if j == 0:
            amplitudes = (0.75, -0.32, 0.0)
        else:
            amplitudes = (-0.5625 if j % 2 else 0.5625, -0.24, 0.0)
        pulses.append((32 * step, 24, amplitudes))
    return pulses_rows(period, pulses)


def meter_rows(name, period):
    groups = numbers(name)
    starts = [sum(groups[:j]) for j in range(len(groups))]
    pulses = []
    for step in range(sum(groups)):
        if step in starts:
            j = starts.index(step)
            pulses.append((32 * step, 19.2, (0.72 if j % 2 == 0 else -0.72, -0.33, 0.0)))
        else:
            pulses.append((32 * step, 32 / 3, (0.0, -0.1134, 0.0504)))
    return pulses_rows(period, pulses)


def poly_rows(name, period):
    a, b = numbers(name)
    pulses = []
    for count, direction in ((a, (-0.62, -0.26, 0.0)), (b, (0.62, -0.26, 0.22))):
        for j in range(count):
            weight = 1.0 if j == 0 else 0.65
            pulses.append((512 * j / count, 22.4, [weight * v for v in direction]))
    return pulses_rows(period, pulses)


STICKINGS = {
    "01": "R l r r L r l l", "02": "R r l r L l r l", "03": "R l l r L r r l",
    "04": "R r l l R l r l", "05": "R l r l R r l l", "06": "R r r l L l r l",
    "07": "R l l l R r r l", "08": "R r l r R l l l", "09": "R l r r L l r l",
    "10": "R r l l R l l r", "11": "R l r l L r r l", "12": "R r r l R l l l",
    "13": "R r r r L r l l", "14": "R r l l L r r l", "15": "R l r r R l l l",
    "16": "R r l r L l l r",
}


def stick_rows(name, period):
    first = STICKINGS[name[-2:]].split()
    answer = [s.translate(str.maketrans("RLrl", "LRlr")) for s in first]
    pulses = []
    for step, stroke in enumerate(first + answer):
        hand = 1.0 if stroke.upper() == "R" else -1.0
        ax, ay = (0.74, -0.34) if stroke.isupper() else (0.407, -0.187)
        pulses.append((32 * step, 12, (hand * ax, ay, 0.0)))
    return pulses_rows(period, pulses)


def swing_rows(name, period):
    _, score, p, q = name.split("_")
    p, q = int(p), int(q)
    pulses = []
    for b in range(8):
        s = 1.0 if b % 2 == 0 else -1.0
        offbeat = 64 * b + 64 * p / q
        if not (score == "skip" and b in (2, 6)):
            ax, ay = (0.585, -0.216) if b in (0, 4) else (0.4225, -0.156)
            pulses.append((64 * b, 12.8, (ax * s, ay, 0.0)))
        if score in ("push", "skip"):
            pulses.append((offbeat, 8, (0.075, -0.15, 0.09)))
        if (score == "answer" and b >= 4) or score == "shuffle":
            pulses.append((offbeat, 12.8, (-0.325 * s, -0.12, 0.0)))
        if score == "shuffle" and b in (3, 7):
            pulses.append((64 * b + 32 * p / q, 6.4, (0.0525, -0.105, 0.063)))
    return pulses_rows(period, pulses)


# -- envelopes ---------------------------------------------------------------

ENVELOPES = {
    "env_lift_hold_drop": "0: 0, 64: -0.8, 192: -0.8, 256: 0.2, 320: 0",
    "env_inhale_exhale": "0: 0, 320: -0.8, 384: 0.1, 448: 0",
    "env_triple_swell": "0: 0, 64: -0.8, 128: 0, 192: -0.5, 256: 0, 384: -0.3",
    "env_rising_echo": "0: 0, 64: -0.25, 128: 0, 192: -0.5, 256: 0, 320: -0.8, 384: 0",
    "env_falling_echo": "0: 0, 64: -0.8, 128: 0, 192: -0.45, 256: 0, 320: -0.15",
    "env_anticipation": "0: 0, 64: 0.35, 128: 0, 192: -0.82, 256: -0.82, 384: 0.12",
    "env_plateau_scoop": "0: 0, 64: -0.7, 256: -0.7, 320: -0.3, 384: 0.4",
    "env_hesitant": "0: 0, 64: -0.3, 128: -0.2, 192: -0.5, 256: -0.4, 320: -0.8",
    "env_double_hold": "0: 0, 64: -0.4, 192: -0.4, 256: -0.8, 384: -0.8",
    "env_swell_recoil": "0: 0, 192: -0.8, 256: 0.5, 320: -0.2, 384: 0.08",
    "env_late_release": "0: 0, 256: -0.8, 384: -0.8, 448: 0.25",
    "env_split_attack": "0: 0, 32: -0.6, 64: -0.2, 128: -0.8, 320: -0.2",
    "env_suspended": "0: 0, 64: -0.75, 128: 0, 256: 0, 384: -0.55, 448: -0.55",
    "env_valley_peaks": "0: 0, 64: -0.7, 192: -0.3, 256: -0.82, 384: 0.2",
    "env_four_breaths": "0: 0, 64: -0.7, 128: 0, 192: -0.5, 256: 0, 320: -0.8, 384: 0, 448: -0.3",
    "env_return_stair": "0: 0, 128: -0.8, 192: -0.8, 256: -0.5, 320: -0.5, 384: -0.2, 448: -0.2",
}


def env_rows(name, period):
    keys = [tuple(float(v) for v in key.split(":")) for key in ENVELOPES[name].split(",")]
    keys.append((period, keys[0][1]))
    rows = []
    for i in range(period):
        (a, ya), (b, yb) = next((k0, k1) for k0, k1 in zip(keys, keys[1:]) if k0[0] <= i < k1[0])
        u = (i - a) / (b - a)
        rows.append((0.0, ya + (yb - ya) * (6 * u ** 5 - 15 * u ** 4 + 10 * u ** 3), 0.0))
    return rows


# -- the families ------------------------------------------------------------

NORMALISED_FAMILIES = ("orbit_harmonic_", "weave_", "spiro_", "space_torus_")
FAMILIES = [
    ("wave_", lambda name: name in FORMULAS or name in NORMALISED, None),
    ("env_", None, env_rows),
    ("orbit_harmonic_", None, orbit_rows),
    ("weave_", None, weave_rows),
    ("polar_rose_", None, rose_rows),
    ("spiro_", None, spiro_rows),
    ("space_torus_", None, torus_rows),
    ("space_weave_", None, space_weave_rows),
    ("mech_", lambda name: name in FORMULAS or name in NORMALISED, None),
    ("euclid_", None, euclid_rows),
    ("poly_", None, poly_rows),
    ("meter_", None, meter_rows),
    ("swing_", None, swing_rows),
    ("stick_study_", None, stick_rows),
]


def single_table_rows(name, period):
    return formula_rows(name, period) if name in FORMULAS else normalised_rows(name, period)


def family_members(records, prefix, keep):
    return [
        r for r in records if r["name"].startswith(prefix) and (keep is None or keep(r["name"]))
    ]


@pytest.fixture(scope="module")
def atlas(module):
    return module.catalogue()[15 + 52:15 + 308]


def table(module, name, period):
    return [module.sample(name, i).as_tuple() for i in range(period)]


def assert_rows_match(name, stored, expected):
    assert len(stored) == len(expected)
    for i, (got, want) in enumerate(zip(stored, expected)):
        for axis in range(3):
            assert abs(got[axis] - round(want[axis], 12)) <= TOLERANCE, (name, i, got, want)


@pytest.mark.parametrize("prefix, keep, rule", FAMILIES, ids=[f[0] for f in FAMILIES])
def test_family_follows_its_rule(module, atlas, prefix, keep, rule):
    members = family_members(atlas, prefix, keep)
    assert len(members) == {"wave_": 10, "mech_": 9, "polar_rose_": 8, "spiro_": 16,
                            "space_torus_": 8, "space_weave_": 8}.get(prefix, 16)
    for record in members:
        name, period = record["name"], record["period_pips"]
        expected = (rule or single_table_rows)(name, period)
        assert_rows_match(name, table(module, name, period), expected)


@pytest.mark.parametrize("name", sorted(FORMULAS))
def test_written_out_formulas(module, name):
    period = 1024 if name.startswith(("polar_", "spiro_")) else 512
    assert_rows_match(name, table(module, name, period), formula_rows(name, period))


def test_the_187_rule_tables_are_covered(atlas):
    covered = set()
    for prefix, keep, _rule in FAMILIES:
        covered |= {r["name"] for r in family_members(atlas, prefix, keep)}
    assert len(covered) == 187


def test_normalised_tables_peak_at_exactly_0_82(module, atlas):
    records = [
        r for r in atlas if r["name"].startswith(NORMALISED_FAMILIES) or r["name"] in NORMALISED
    ]
    assert len(records) == 16 + 16 + 16 + 8 + 13
    for record in records:
        rows = table(module, record["name"], record["period_pips"])
        assert max(abs(v) for row in rows for v in row) == 0.82, record["name"]


def test_euclid_2_5_stated_rows(module):
    assert module.sample("euclid_2_5", 0).as_tuple() == (0.75, -0.32, 0.0)
    assert module.sample("euclid_2_5", 96).as_tuple() == (-0.5625, -0.24, 0.0)
    for pip in range(24, 73):
        assert module.sample("euclid_2_5", pip).as_tuple() == (0.0, 0.0, 0.0)


@pytest.mark.parametrize(
    "name, period", [("euclid_2_5", 160), ("euclid_11_24", 768), ("meter_3_3_3_4", 416)])
def test_short_cycles_repeat(module, name, period):
    for pip in (0, 1, 17, period - 1):
        once = module.sample(name, pip).as_tuple()
        assert module.sample(name, pip + period).as_tuple() == once
        assert module.sample(name, pip - 3 * period).as_tuple() == once
    assert module.sample(name, period // 2).as_tuple() != module.sample(name, 0).as_tuple()


def test_piston_balance_stated_rows(module):
    assert module.sample("mech_piston_balance", 0).as_tuple() == (0.82, 0.0, 0.0)
    assert module.sample("mech_piston_balance", 128).as_tuple() == (0.0, 0.0, 0.205)


def test_crank_rocker_given_components(module):
    for i, t in enumerate(thetas(512)):
        x, _y, z = module.sample("mech_crank_rocker", i).as_tuple()
        assert abs(x - round(0.82 * cos(t), 12)) <= TOLERANCE, i
        assert abs(z - round(0.123 * cos(3 * t), 12)) <= TOLERANCE, i


def test_poly_lanes_meet_at_pip_0(module, atlas):
    for record in family_members(atlas, "poly_", None):
        assert module.sample(record["name"], 0).as_tuple() == (0.0, -0.52, 0.22), record["name"]


def test_env_hesitant_returns_smoothly_to_rest(module):
    rows = table(module, "env_hesitant", 512)
    assert all(x == 0.0 and z == 0.0 for x, _y, z in rows)
    for pip in (-1, 513, 10**6):
        assert module.sample("env_hesitant", pip).as_tuple()[::2] == (0.0, 0.0)
    ys = [y for _x, y, _z in rows]
    assert ys[320] == -0.8 and ys[0] == 0.0
    tail = ys[320:] + [ys[0]]
    assert all(a < b for a, b in zip(tail[1:-1], tail[2:]))  # rising all the way back
    # Zero slope at both ends of the return, steepest in its middle.
    steps = [b - a for a, b in zip(tail, tail[1:])]
    steepest = max(steps)
    assert steepest == pytest.approx(0.8 * 15 / 8 / 192, rel=1e-3)
    assert steps[0] < steepest / 1000 and steps[-1] < steepest / 1000


# -- records -----------------------------------------------------------------

def test_atlas_follows_the_expansion_pack(module, atlas):
    records = module.catalogue()
    assert records[15 + 51]["name"] == "rhythm_three_four_five"
    assert atlas[0]["name"] == "wave_pinched" and atlas[-1]["name"] == "gesture_diamond_depth"
    prefixes = ["wave_", "env_", "seq_", "noise_", "orbit_", "weave_", "polar_", "spiro_", "space_",
                "mech_", "euclid_", "poly_", "meter_", "swing_", "stick_", "gesture_"]
    families = [r["name"].split("_")[0] + "_" for r in atlas]
    assert families == [p for p in prefixes for _ in range(16)]


def test_atlas_periods_and_dimensions(atlas):
    for record in atlas:
        name, period = record["name"], record["period_pips"]
        if name.startswith("euclid_"):
            assert period == 32 * numbers(name)[1], name
        elif name.startswith("meter_"):
            assert period == 32 * sum(numbers(name)), name
        else:
            long_paths = name.startswith(("noise_", "weave_", "polar_", "spiro_", "space_"))
            assert period == (1024 if long_paths else 512), name
    dimensions = [r["dimensions"] for r in atlas]
    assert [dimensions.count(d) for d in (1, 2, 3)] == [16, 168, 72]


@pytest.mark.parametrize("name, description", [
    ("wave_pinched",
     "Pinched sine; a continuous shaped control wave, mapped to horizontal displacement."),
    ("env_hesitant", "Hesitant reach over an eight-beat phrase; smooth, resting joins."),
    ("weave_4_9", "4 horizontal and 9 vertical cycles; a phase-offset, closed 16-beat traversal."),
    ("spiro_outside_7_3",
     "A closed outside-rolling circle trace, with pen radius smaller than the rolling radius."),
    ("swing_skip_5_7",
     "Eight-beat skip score with offbeats at 5/7 of each beat; peaks follow the score."),
    ("euclid_11_24",
     "Evenly distributed accents with alternating sides; first onset is the phrase accent."),
])
def test_composed_descriptions(atlas, name, description):
    assert next(r for r in atlas if r["name"] == name)["description"] == description

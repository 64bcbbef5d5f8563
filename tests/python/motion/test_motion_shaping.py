"""Shaping as a lighting desk means it: each property checked against what a
designer expects to see, not against the formula."""
import math
from fractions import Fraction

import pytest

from pulsework_motion import Motion, Shaping, ShapingError, pip_at, positions
from pulsework_motion.shaping import places

PERIOD = 256  # helix: four beats


def pips(motion, pip):
    return motion.pattern_pips(pip)


@pytest.mark.parametrize("copies", [2, 5, 8, 9])
@pytest.mark.parametrize("blocks", [1, 2, 3])
def test_wings_mirror_about_the_centre_and_blocks_share_a_phase(copies, blocks):
    motion = Motion("helix", Shaping(spread=360, wings=True, blocks=blocks), copies)
    at = pips(motion, 1000)
    # Copy i and copy N-1-i are at the same place; all move the same way.
    assert at == at[::-1]
    assert motion.positions(1000) == motion.positions(1000)[::-1]
    # Within a wing, neighbours in one block of k share a phase; blocks differ.
    wing = at[:(copies + 1) // 2]
    groups = [wing[i:i + blocks] for i in range(0, len(wing), blocks)]
    assert all(len(set(group)) == 1 for group in groups)
    assert len(set(g[0] for g in groups)) == len(groups)


@pytest.mark.parametrize("copies, spread", [(4, 360), (6, 360), (3, 180), (8, 720), (5, -360),
                                            (7, 100)])
def test_spread_is_shared_evenly_along_the_row(copies, spread):
    first, *_ = at = Motion("helix", Shaping(spread=spread), copies).pattern_pips(0)
    share = Fraction(spread * PERIOD, 360 * copies)
    for i, pip in enumerate(at):
        # Each copy runs behind the first by its share, to the nearest pip.
        behind = (first - pip - i * share) % PERIOD
        assert min(behind, PERIOD - behind) <= Fraction(1, 2)


@pytest.mark.parametrize("copies, spread", [(4, 360), (7, 100), (8, -360)])
def test_a_spread_by_position(copies, spread):
    shaping = Shaping(spread=spread)
    by_order = Motion("helix", shaping, copies).pattern_pips(0)
    # Evenly hung copies, in any unit and from any origin, play as their order does.
    assert Motion("helix", shaping, copies, where=[2.5 - 0.75 * i for i in range(copies)][::-1]
                  ).pattern_pips(0) == by_order
    # Unevenly hung: behind the nearest in proportion to the distance from it.
    where = [0.0, 0.1, 0.2] + [4.0] * (copies - 3)
    at = Motion("helix", shaping, copies, where=where).pattern_pips(0)
    behind = round(Fraction(spread * PERIOD * (copies - 1), 360 * copies * 40))
    assert (at[0] - at[1]) % PERIOD == behind % PERIOD
    assert len(set(at[3:])) == 1
    with pytest.raises(ValueError, match="where: a spread by position takes no wings"):
        Motion("helix", Shaping(wings=True), copies, where=where)
    with pytest.raises(ValueError, match="a finite position for each of the %d copies" % copies):
        Motion("helix", shaping, copies, where=where[1:])


def test_reverse_plays_backwards_and_pingpong_turns_at_the_ends():
    forward, backward = Motion("helix"), Motion("helix", Shaping(reverse=True))
    for pip in range(-300, 300, 7):
        assert backward.pattern_pips(pip) == [(-p) % PERIOD for p in forward.pattern_pips(pip)]
    bouncing = Motion("helix", Shaping(pingpong=True))
    there = [bouncing.pattern_pips(p)[0] for p in range(2 * PERIOD)]
    assert there[:PERIOD] == list(range(PERIOD))                    # out,
    assert there[PERIOD:] == [0] + list(range(PERIOD - 1, 0, -1))   # and back the same way
    assert [bouncing.pattern_pips(p)[0] for p in range(-5, 5)] == [5, 4, 3, 2, 1, 0, 1, 2, 3, 4]


@pytest.mark.parametrize("speed, expected", [(2, 2000), ("1/2", 500), ("3/4", 750), (0.25, 250)])
def test_speed_is_exact(speed, expected):
    assert Motion("helix", Shaping(speed=speed)).time(1000) == expected


def test_size_rotation_and_centre_in_that_order():
    raw = Motion("circle").positions(16)[0]
    shaped = Motion("circle", Shaping(size=[0.5, 0.25, 1], rotation=90,
                                      centre=[0.1, 0.2, 0.3])).positions(16)[0]
    x, y = raw[0] * 0.5, raw[1] * 0.25
    assert shaped == (0.1 - y, 0.2 + x, 0.3 + raw[2])  # a quarter turn is exact


def test_fades_rise_from_and_fall_to_the_centre():
    shaping = Shaping(fade_in=2, fade_out=1, start=0, end=1024, centre=[0.5, 0, 0])
    assert shaping.level(-1) == 0.0 and shaping.level(0) == 0.0
    assert shaping.level(64) == 0.5 and shaping.level(128) == 1.0
    assert shaping.level(1024 - 32) == 0.5 and shaping.level(1024) == 0.0
    levels = [shaping.level(p) for p in range(-10, 1100)]
    assert all(0 <= level <= 1 for level in levels)
    motion = Motion("bounce", shaping)
    assert motion.positions(0) == [(0.5, 0.0, 0.0)] == motion.positions(2000)
    # No fade, no start, no end: negative pips play as any other.
    assert Motion("bounce").positions(-32) == positions("bounce", 32)


def test_the_default_shaping_is_the_pattern_itself(module):
    for name in ("helix", "single_paradiddle", "beat_house_classic_bounce"):
        for pip in (-100000, -1, 0, 5, 123456):
            assert positions(name, pip) == [module.sample(name, pip).as_tuple()]


def test_a_library_pattern_and_a_sampler_of_your_own(module):
    rows = [(i / 10, 0.0, 0.0) for i in range(10)]
    library = module.PatternLibrary([module.SampledPattern("ten", "Ten steps", rows)])
    assert positions("ten", 13, Shaping(speed=1), 2, library=library) == [rows[3], rows[3]]
    with pytest.raises(ValueError, match="Unknown pulsework: ten"):
        Motion("ten")
    mine = Motion("anything", sample=lambda name, pip: module.bounce(pip), period=64)
    assert mine.positions(32) == [(1.0, 0.0, 0.0)]


@pytest.mark.parametrize("field, value", [
    ("size", -0.5), ("size", [1, 2, 3, 4]), ("size", "big"), ("centre", [math.nan]),
    ("speed", 0), ("speed", "fast"), ("speed", 65), ("speed", "1/0"), ("spread", math.inf),
    ("spread", 40000), ("reverse", 1), ("wings", "yes"), ("blocks", 0), ("blocks", 1.5),
    ("rotation", math.nan), ("fade_in", -1), ("fade_out", "x"), ("start", 1.0),
])
def test_every_bad_setting_names_its_field(field, value):
    with pytest.raises(ShapingError) as caught:
        Shaping(**{field: value})
    assert caught.value.field == field and str(caught.value).startswith(field + ": ")


def test_shapings_are_values():
    a = Shaping(size=0.5, speed="1/2", spread=90.0, wings=True)
    assert a == Shaping(size=[0.5, 0.5, 0.5], speed=Fraction(1, 2), spread=90, wings=True)
    assert hash(a) == hash(a.replace()) and a.replace(wings=False) != a
    assert a.changes() == {"size": 0.5, "speed": "1/2", "spread": 90, "wings": True}
    assert Shaping(**a.changes()) == a
    with pytest.raises(AttributeError):
        a.size = 1  # type: ignore[misc]
    assert places(Shaping(wings=True), 7) == ([0, 1, 2, 3, 2, 1, 0], 4)


def test_pip_at_is_exact():
    assert pip_at(0.5, 120) == 64 and pip_at(0.1 * 3, 100) == 32
    assert pip_at(1.25, 120, start=-10) == 150
    with pytest.raises(ValueError):
        pip_at(1.0, 0)

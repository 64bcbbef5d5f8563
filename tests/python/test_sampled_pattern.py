"""SampledPattern from Python: conversion of its arguments, its errors and its reads."""
import math
from decimal import Decimal
from fractions import Fraction

import pytest

from conftest import INT_MAX, INT_MIN, Index, IntOnly, pips_around, reference_counts

BAD_NAME = "Invalid pattern name"
BAD_COUNT = "A pattern requires 1..65535 samples (one per pip)"
BAD_VALUE = "Pattern samples must be finite and within [-1, 1]"

ROWS = [[0.5, 0.0, -0.25], [1.0, -1.0, 0.0], [-0.0, 0.75, 1.0], [0.125, 0.5, -1.0]]


def tuples(pattern):
    return [pattern.sample(pip).as_tuple() for pip in range(pattern.period_pips)]


@pytest.fixture(scope="module")
def longest_rows():
    """65,535 rows as a list of lists, built once for the module."""
    return [[(i % 2001) / 1000.0 - 1.0, 0.0, 0.0] for i in range(65535)]


def make(module, samples, name="wave", description="A wave"):
    return module.SampledPattern(name, description, samples)


def test_members_and_keywords(module):
    p = module.SampledPattern(samples=ROWS, description="A wave", name="wave")
    assert (p.name, p.description, p.period_pips) == ("wave", "A wave", 4)
    assert type(p.period_pips) is int
    assert tuples(p) == [tuple(float(v) for v in row) for row in ROWS]
    for attr in ("name", "description", "period_pips"):
        with pytest.raises(AttributeError):
            setattr(p, attr, getattr(p, attr))
    assert not hasattr(p, "samples") and not hasattr(p, "__dict__")
    with pytest.raises(AttributeError):
        p.extra = 1
    assert module.SampledPattern.__doc__ is None


class Real:
    """A number that float() converts."""

    def __float__(self):
        return 0.5


# Each sample as another kind, in turn: generator, map, dict values, tuple.
INNER_KINDS = [lambda r: (v for v in r), lambda r: map(float, r), lambda r: dict(enumerate(r)).values(), tuple]


@pytest.mark.parametrize("kind", [
    lambda rows: rows,
    lambda rows: tuple(tuple(r) for r in rows),
    lambda rows: (list(r) for r in rows),
    lambda rows: map(list, rows),
    lambda rows: zip(*zip(*rows)),
    lambda rows: dict.fromkeys(tuple(r) for r in rows).keys(),
    lambda rows: dict(enumerate(rows)).values(),
    lambda rows: [INNER_KINDS[i % 4](r) for i, r in enumerate(rows)],
], ids=["list", "tuples", "generator", "map", "zip", "keys", "values", "inner kinds"])
def test_container_kinds(module, kind):
    assert tuples(make(module, kind(ROWS))) == tuples(make(module, ROWS))


def test_sets_of_samples(module):
    one = make(module, {(0.5, 0.25, 0.0)})
    assert one.sample(0).as_tuple() == (0.5, 0.25, 0.0)
    many = make(module, frozenset((i / 8, 0.0, 0.0) for i in range(8)))
    assert sorted(tuples(many)) == [(i / 8, 0.0, 0.0) for i in range(8)]
    unordered = make(module, [frozenset({0.0, 0.5, 1.0})]).sample(0).as_tuple()
    assert sorted(unordered) == [0.0, 0.5, 1.0]


@pytest.mark.parametrize("number, value", [
    (1, 1.0), (True, 1.0), (False, 0.0), (Fraction(1, 4), 0.25), (Decimal("-0.5"), -0.5),
    (Real(), 0.5), (Index(1), 1.0), (-0.0, -0.0),
])
def test_numbers(module, number, value):
    got = make(module, [[number, number, number]]).sample(0).as_tuple()
    assert got == (value, value, value)
    assert all(math.copysign(1.0, g) == math.copysign(1.0, value) for g in got)


@pytest.mark.parametrize("samples", [
    "abc", b"abc", bytearray(b"abc"), 5, None, {"a": [0, 0, 0]}, [[0, 0]], [[0, 0, 0, 0]], [[]],
    [[0, 0, 0], [0, 0]], [["0", 0, 0]], [[0, None, 0]], [[0, 0, 1j]], ["abc"], [b"abc"], [0.5],
    [[[0], 0, 0]], [(v for v in (0, 0))], [[IntOnly(), 0, 0]], [{0: 0, 1: 0, 2: 0}],
])
def test_malformed_samples_are_type_errors(module, samples):
    with pytest.raises(TypeError, match="incompatible constructor arguments"):
        make(module, samples)


@pytest.mark.parametrize("name, description", [(None, ""), ("a", None), (1, ""), ("\ud800", "")])
def test_malformed_text_is_type_error(module, name, description):
    with pytest.raises(TypeError):
        module.SampledPattern(name, description, ROWS)


@pytest.mark.parametrize("name, valid", [
    ("a", True), ("a1", True), ("a_", True), ("x" * 128, True), ("bounce", True), (b"from_bytes", True),
    (bytearray(b"from_bytearray"), True),
    ("", False), ("x" * 129, False), ("1a", False), ("_a", False), ("Wave", False), ("a-b", False),
    ("a b", False), ("caf\u00e9", False), (b"a\xff", False), ("a\x00", False),
])
def test_names(module, name, valid):
    if valid:
        expected = name if isinstance(name, str) else bytes(name).decode()
        assert make(module, ROWS, name=name).name == expected
    else:
        with pytest.raises(ValueError, match="^" + BAD_NAME + "$"):
            make(module, ROWS, name=name)


def test_sample_count_and_check_order(module, longest_rows):
    assert make(module, [[0, 0, 0]]).period_pips == 1
    assert make(module, longest_rows).period_pips == 65535
    for samples, name, message in [
        ([], "a", BAD_COUNT),
        (longest_rows + [[0, 0, 0]], "a", BAD_COUNT),
        ([], "A", BAD_NAME),
        (longest_rows + [[2.0, 0, 0]], "a", BAD_COUNT),
    ]:
        with pytest.raises(ValueError) as caught:
            make(module, samples, name=name)
        assert str(caught.value) == message


@pytest.mark.parametrize("bad", [1.5, math.nextafter(1.0, 2.0), math.nextafter(-1.0, -2.0), math.nan, math.inf,
                                 -math.inf, 2, Fraction(3, 2)])
@pytest.mark.parametrize("component", [0, 1, 2])
def test_out_of_range_values(module, bad, component):
    rows = [list(r) for r in ROWS]
    rows[2][component] = bad
    with pytest.raises(ValueError) as caught:
        make(module, rows)
    assert str(caught.value) == BAD_VALUE


@pytest.mark.parametrize("rows, dimensions", [
    ([[0, 0, 0]], 1), ([[1, -0.0, -0.0], [-1, 0, 0]], 1), ([[0, 0.5, 0]], 2),
    ([[0, 0, 0.25], [0, 0, 0]], 3), ([[0, 0, 0.25], [0, 0.5, 0]], 3),
])
def test_dimensions(module, rows, dimensions):
    library = module.PatternLibrary([make(module, rows)])
    assert library.catalogue()[-1]["dimensions"] == dimensions


def test_sampling_wraps_every_pip(module):
    one = make(module, [[0.25, -0.5, 1.0]])
    assert {one.sample(pip).as_tuple() for pip in pips_around(1)} == {(0.25, -0.5, 1.0)}
    three = make(module, ROWS[:3])
    assert three.sample(INT_MIN).as_tuple() == three.sample(1).as_tuple()
    assert three.sample(INT_MAX).as_tuple() == three.sample(1).as_tuple()
    p = make(module, ROWS)
    for pip in pips_around(4):
        assert p.sample(pip).as_tuple() == tuple(float(v) for v in ROWS[pip % 4])
    assert p.sample(1) is not p.sample(1)


@pytest.mark.filterwarnings("ignore:an integer is required:DeprecationWarning")
def test_pip_count_has_no_implicit_conversion(module):
    p = make(module, ROWS)
    assert p.sample(pip_count=True).as_tuple() == p.sample(1).as_tuple()
    assert p.sample(Index(6)).as_tuple() == p.sample(2).as_tuple()
    for refused in [IntOnly(), 1.0, 2**31, INT_MIN - 1, "1", None, Index(2**31)]:
        with pytest.raises(TypeError):
            p.sample(refused)
    # The module-level function converts through __int__.
    assert module.sample("bounce", IntOnly()).as_tuple() == module.bounce(5).as_tuple()


def test_inputs_are_copied(module):
    rows = [list(r) for r in ROWS]
    p = make(module, rows)
    before = tuples(p)
    rows[0][0] = 0.0
    rows.clear()
    assert tuples(p) == before


def test_raw_bytes_description(module):
    p = make(module, ROWS, description=b"caf\xe9 \xff")
    with pytest.raises(UnicodeDecodeError):
        p.description
    assert make(module, ROWS, description=bytearray(b"plain")).description == "plain"
    assert make(module, ROWS, description="").description == ""
    assert make(module, ROWS, description="Caf\u00e9 \u266b").description == "Caf\u00e9 \u266b"


class Boom(Exception):
    pass


def test_failing_generator_propagates(module):
    def rows():
        yield [0, 0, 0]
        raise Boom("part-way")

    with pytest.raises(Boom, match="part-way"):
        make(module, rows())
    def components():
        yield 0.0
        raise Boom("inner")

    with pytest.raises(Boom, match="inner"):
        make(module, [[0, 0, 0], components()])


def test_no_references_kept_or_leaked(module, longest_rows):
    row = [0.5, 0.25, 0.0]
    bad = [2.0, 0.0, 0.0]
    before = reference_counts([row, bad])
    for samples in ([row] * 100, [row] * 10 + [bad], [row] * 10 + [[row]], (r for r in [row, bad])):
        try:
            make(module, samples)
        except (TypeError, ValueError):
            pass
    assert reference_counts([row, bad]) == before
    with pytest.raises(ValueError):
        make(module, longest_rows + [row])
    assert reference_counts([row]) == before[:1]

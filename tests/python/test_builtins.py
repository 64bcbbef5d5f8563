"""The fifteen built-ins against the independent reference, bit for bit."""
import struct

import pytest

import reference
from conftest import INT_MAX, INT_MIN, pips_around

NAMES = list(reference.BUILTINS)


def bits(row):
    """The row's exact bits, so that +0.0 and -0.0 are told apart."""
    return struct.pack("<3d", *row)


@pytest.mark.parametrize("name", NAMES)
def test_matches_reference_at_every_pip(module, name):
    function = getattr(module, name)
    expected, period, _dims = reference.BUILTINS[name]
    for pip in pips_around(period):
        assert bits(function(pip).as_tuple()) == bits(expected(pip)), (name, pip)


@pytest.mark.parametrize("name", NAMES)
def test_sample_by_name_is_the_function(module, name):
    function = getattr(module, name)
    _ref, period, _dims = reference.BUILTINS[name]
    for pip in pips_around(period):
        assert bits(module.sample(name, pip).as_tuple()) == bits(function(pip).as_tuple())


@pytest.mark.parametrize("name", NAMES)
def test_components_within_range_and_unmoved_ones_zero(module, name):
    _ref, period, dims = reference.BUILTINS[name]
    rows = [module.sample(name, pip).as_tuple() for pip in range(period)]
    for row in rows:
        assert all(-1.0 <= v <= 1.0 for v in row)
    for axis in range(dims, 3):
        assert {row[axis] for row in rows} == {0.0}


@pytest.mark.parametrize(
    "name, pip, expected",
    [
        ("bounce", 0, (-1.0, 0.0, 0.0)),
        ("bounce", 16, (0.0, 0.0, 0.0)),
        ("bounce", 32, (1.0, 0.0, 0.0)),
        ("bounce", 48, (0.0, 0.0, 0.0)),
        ("bounce", 63, (-0.9375, 0.0, 0.0)),
        ("bounce", -1, (-0.9375, 0.0, 0.0)),
        ("circle", 0, (6.123233995736766e-17, -1.0, 0.0)),
        ("circle", 16, (1.0, 0.0, 0.0)),
        ("step_touch", 0, (-1.0, -0.0, 0.0)),
        ("step_touch", 16, (-0.5, -0.35, 0.0)),
        ("step_touch", 64, (1.0, -0.0, 0.0)),
        ("box_step", 0, (-1.0, -1.0, 0.0)),
        ("box_step", 64, (1.0, -1.0, 0.0)),
        ("box_step", 128, (1.0, 1.0, 0.0)),
        ("box_step", 192, (-1.0, 1.0, 0.0)),
        ("vorn_background", 0, (0.0, 0.0, 0.0)),
        ("vorn_background", 23, (0.14285714285714285, -0.1, 0.0)),
        ("vorn_background", 100, (-1.0, 0.8999999999999999, 0.0)),
        ("single_stroke_roll", 0, (0.0, 0.0, 0.0)),
        ("single_stroke_roll", 4, (0.92, -0.6624, 0.0)),
        ("single_stroke_roll", 12, (-0.92, -0.6624, 0.0)),
        ("single_paradiddle", 4, (1.0, -0.72, 0.0)),
        ("single_paradiddle", 36, (-1.0, -0.72, 0.0)),
        ("five_stroke_roll", 43, (1.0, -0.72, 0.0)),
    ],
)
def test_stated_values(module, name, pip, expected):
    assert getattr(module, name)(pip).as_tuple() == expected


def test_signed_zeros_are_kept(module):
    # The lift of step_touch is -0.0 at each quarter start; unmoved z is +0.0.
    x, y, z = module.step_touch(0).as_tuple()
    assert str(y) == "-0.0" and str(z) == "0.0"


def test_flam_overlapping_strokes_sum(module):
    x, y, z = module.flam(7).as_tuple()
    assert x == pytest.approx(-0.0531, abs=1e-4)
    assert y == pytest.approx(-0.2822, abs=1e-4)


@pytest.mark.parametrize("name", [n for n in NAMES if n in reference.STROKES])
def test_rudiment_y_never_rises(module, name):
    _ref, period, _dims = reference.BUILTINS[name]
    assert all(module.sample(name, pip).y <= 0.0 for pip in range(period))


@pytest.mark.parametrize("name", NAMES)
def test_periodic_at_the_int_ends(module, name):
    function = getattr(module, name)
    _ref, period, _dims = reference.BUILTINS[name]
    # The int range spans a whole number of every power-of-two period.
    assert function(INT_MIN).as_tuple() == function(0).as_tuple()
    assert function(INT_MAX).as_tuple() == function(period - 1).as_tuple()

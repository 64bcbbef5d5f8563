"""The module surface: attributes, Offset3 and pip conversion."""
import pytest

from conftest import INT_MAX, INT_MIN, Index, IntOnly

RUDIMENTS = [
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix",
    "vorn_background", "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll",
    "single_paradiddle", "flam", "drag", "five_stroke_roll",
]


def test_docstring_and_constant(module):
    assert module.__doc__ == "Integer-pip rhythmic position functions"
    assert type(module.PIPS_PER_BEAT) is int and module.PIPS_PER_BEAT == 64


def test_registration_order(module):
    public = [k for k in vars(module) if not k.startswith("__")]
    expected = ["PIPS_PER_BEAT", "Offset3", "SampledPattern", "PatternLibrary", "sample",
                "catalogue"] + RUDIMENTS
    assert public == expected


@pytest.mark.parametrize("args", [(), (1.0, 2.0, 3.0)])
def test_offset3_has_no_constructor(module, args):
    with pytest.raises(TypeError):
        module.Offset3(*args)


def test_offset3_members(module):
    o = module.bounce(0)
    assert o.as_tuple() == (o.x, o.y, o.z)
    assert all(type(v) is float for v in o.as_tuple())
    assert o.as_tuple() is not o.as_tuple()
    for attr in ("x", "y", "z"):
        with pytest.raises(AttributeError):
            setattr(o, attr, 0.5)
    with pytest.raises(AttributeError):
        o.extra = 1
    assert not hasattr(o, "__dict__")


def test_every_call_returns_a_new_object(module):
    a, b = module.bounce(7), module.bounce(7)
    assert a is not b and a.as_tuple() == b.as_tuple()
    assert not (a == b)


@pytest.mark.parametrize("name", RUDIMENTS)
def test_rudiment_signature(module, name):
    function = getattr(module, name)
    assert function.__doc__.startswith(name + "(")
    with pytest.raises(TypeError):
        function(pip=1)
    with pytest.raises(TypeError):
        function()
    with pytest.raises(TypeError):
        function(1, 2)


class RaisingIndex:
    def __index__(self):
        raise RuntimeError("no index today")


# CPython 3.9 itself warns when it converts through __int__; the pip is accepted.
@pytest.mark.filterwarnings("ignore:an integer is required:DeprecationWarning")
@pytest.mark.parametrize("pip, same_as", [(True, 1), (False, 0), (Index(5), 5), (IntOnly(), 5),
                                          (INT_MAX, INT_MAX), (INT_MIN, INT_MIN)])
def test_accepted_pips(module, pip, same_as):
    assert module.helix(pip).as_tuple() == module.helix(same_as).as_tuple()
    assert module.sample("helix", pip).as_tuple() == module.helix(same_as).as_tuple()


@pytest.mark.parametrize("pip", [7.0, 2**31, -(2**31) - 1, 2**64, -(2**100), "3", b"3", None,
                                 [1], RaisingIndex(), Index(2**31), 1j])
def test_refused_pips(module, pip):
    with pytest.raises(TypeError):
        module.bounce(pip)
    with pytest.raises(TypeError):
        module.sample("bounce", pip)


def test_float_subclass_refused(module):
    class F(float):
        pass

    with pytest.raises(TypeError):
        module.bounce(F(3))

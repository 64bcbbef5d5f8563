"""Every way of calling gives the same answer: the common positional call with
an exact str and an exact int, and every other form, which pybind11 converts."""
import pytest

from conftest import INT_MAX, INT_MIN, Index


class Name(str):
    pass


class Pip(int):
    pass


NAME_FORMS = {
    "str": str,
    "str subclass": Name,
    "bytes": lambda n: n.encode(),
    "bytearray": lambda n: bytearray(n.encode()),
}
PIP_FORMS = {"int": int, "int subclass": Pip, "__index__": Index}


@pytest.fixture(scope="module")
def own(module):
    return module.SampledPattern("own_wave", "", [[i / 8, 0.5, -i / 8] for i in range(8)])


@pytest.fixture(scope="module")
def by_name(module, own):
    """Every function that samples by name, as (name, pip, keywords) -> Offset3."""
    library = module.PatternLibrary([own])

    class Library(module.PatternLibrary):
        pass

    subclassed = Library([own])
    return {
        "sample": lambda n, p, kw: module.sample(name=n, pip_count=p) if kw else module.sample(n, p),
        "library": lambda n, p, kw: library.sample(name=n, pip_count=p) if kw else library.sample(n, p),
        "library subclass": lambda n, p, kw: subclassed.sample(n, pip_count=p) if kw else subclassed.sample(n, p),
    }


@pytest.mark.parametrize("entry", ["sample", "library", "library subclass"])
@pytest.mark.parametrize("name_form", NAME_FORMS)
@pytest.mark.parametrize("pip_form", PIP_FORMS)
@pytest.mark.parametrize("keywords", [False, True], ids=["positional", "keywords"])
def test_by_name_forms_agree(module, by_name, entry, name_form, pip_form, keywords):
    names = ["bounce", "helix", "lfo_breathe"] + (["own_wave"] if entry != "sample" else [])
    for name in names:
        for pip in (0, 13, -1, INT_MIN, INT_MAX):
            expected = by_name[entry](name, pip, False).as_tuple()
            got = by_name[entry](NAME_FORMS[name_form](name), PIP_FORMS[pip_form](pip), keywords)
            assert type(got) is module.Offset3 and got.as_tuple() == expected, (name, pip)


@pytest.mark.parametrize("pip_form", PIP_FORMS)
def test_pattern_pip_forms_agree(module, own, pip_form):
    class Pattern(module.SampledPattern):
        pass

    mine = Pattern("mine", "", [[0.25, 0.0, 0.0], [0.5, 0.0, 0.0], [0.75, 0.0, 1.0]])
    for pip in (0, 13, -1, INT_MIN, INT_MAX):
        assert own.sample(PIP_FORMS[pip_form](pip)).as_tuple() == own.sample(pip).as_tuple()
        assert own.sample(pip_count=PIP_FORMS[pip_form](pip)).as_tuple() == own.sample(pip).as_tuple()
        assert mine.sample(PIP_FORMS[pip_form](pip)).as_tuple() == ((0.25, 0.5, 0.75)[pip % 3], 0.0, pip % 3 // 2)
    assert own.sample(True).as_tuple() == own.sample(1).as_tuple()


@pytest.mark.parametrize("call, function", [
    (lambda m: m.bounce(pip=1), "bounce"),
    (lambda m: m.bounce(1, 2), "bounce"),
    (lambda m: m.bounce(2**31), "bounce"),
    (lambda m: m.sample(1, 0), "sample"),
    (lambda m: m.sample("bounce", 2.0), "sample"),
    (lambda m: m.sample("bounce", pip=2), "sample"),
    (lambda m: m.sample("\udc80", 0), "sample"),
    (lambda m: m.PatternLibrary().sample("bounce", -(2**31) - 1), "sample"),
    (lambda m: m.PatternLibrary().sample("bounce"), "sample"),
    (lambda m: m.SampledPattern("a", "", [[0, 0, 0]]).sample(pip_count=1.0), "sample"),
    (lambda m: m.SampledPattern("a", "", [[0, 0, 0]]).sample(), "sample"),
])
def test_refused_calls_get_pybind11_messages(module, call, function):
    with pytest.raises(TypeError) as caught:
        call(module)
    assert str(caught.value).startswith(function + "(): incompatible function arguments.")


@pytest.mark.parametrize("name", ["", "Bounce", "no_such_pattern", "\u00e9t\u00e9", "bo\x00unce", Name("zzz")])
def test_unknown_names_by_every_path(module, by_name, name):
    for entry in by_name.values():
        for keywords in (False, True):
            with pytest.raises(ValueError) as caught:
                entry(name, 0, keywords)
            assert str(caught.value) == "Unknown pulsework: " + name


def test_signatures_are_pybind11_lines(module):
    assert module.sample.__doc__.startswith("sample(name: str, pip_count: ")
    assert module.bounce.__doc__.startswith("bounce(arg0: ")
    assert module.SampledPattern.sample.__doc__.startswith("sample(self: pulsework.SampledPattern, pip_count: int)")
    assert module.PatternLibrary.sample.__doc__.startswith(
        "sample(self: pulsework.PatternLibrary, name: str, pip_count: int)")
    assert module.sample.__name__ == "sample" and module.sample.__module__ == "pulsework"

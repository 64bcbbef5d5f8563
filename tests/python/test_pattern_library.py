"""PatternLibrary from Python: layering user patterns over the defaults."""
import math

import pytest

from conftest import INT_MAX, INT_MIN, IntOnly, pips_around, reference_counts

PIPS = [0, 1, 17, 63, 64, 255, -1, -64, INT_MIN, INT_MAX]


def steady(module, name, n, y=0.0):
    return module.SampledPattern(name, "", [[0.5, y, 0.0]] * n)


def default_copy(module, name):
    """A pattern with the default's description and its samples read through the module."""
    record = next(r for r in module.catalogue() if r["name"] == name)
    rows = [module.sample(name, pip).as_tuple() for pip in range(record["period_pips"])]
    return module.SampledPattern(name, record["description"], rows), rows, record


def refused(module, patterns, message):
    with pytest.raises(ValueError) as caught:
        module.PatternLibrary(patterns)
    assert str(caught.value) == message


@pytest.fixture(scope="module")
def defaults(module):
    return module.catalogue()


@pytest.fixture(scope="module")
def longest(module):
    """Sixteen patterns of 65,535 samples (1,048,560 in all), built once."""
    rows = [[(i % 2001) / 1000.0 - 1.0, 0.0, 0.0] for i in range(65535)]
    return [module.SampledPattern("long_%d" % i, "", rows) for i in range(16)]


@pytest.fixture(scope="module")
def many(module):
    return [steady(module, "p%04d" % i, 4) for i in range(1025)]


@pytest.mark.parametrize("make", [lambda m: m.PatternLibrary(), lambda m: m.PatternLibrary([]),
                                  lambda m: m.PatternLibrary(patterns=())])
def test_empty_library_is_the_defaults(module, defaults, make):
    library = make(module)
    assert library.catalogue() == defaults
    for record in defaults:
        for pip in (0, 5, -1, INT_MIN):
            assert library.sample(record["name"], pip).as_tuple() == module.sample(record["name"], pip).as_tuple()


def test_own_patterns_follow_the_defaults(module, defaults):
    zeta = module.SampledPattern("zeta", "Last letter", [[i / 10, 0.0, -i / 10] for i in range(5)])
    alpha = steady(module, "alpha", 3, y=0.25)
    library = module.PatternLibrary(patterns=[zeta, alpha])
    records = library.catalogue()
    assert records[:len(defaults)] == defaults
    assert records[len(defaults):] == [
        {"name": "zeta", "description": "Last letter", "period_pips": 5, "dimensions": 3},
        {"name": "alpha", "description": "", "period_pips": 3, "dimensions": 2},
    ]
    assert library.catalogue() is not records
    for pip in pips_around(5):
        assert library.sample("zeta", pip).as_tuple() == zeta.sample(pip).as_tuple()
    for pip in PIPS:
        assert library.sample(name="bounce", pip_count=pip).as_tuple() == module.bounce(pip).as_tuple()
    for name in ["zet", "", "Zeta", "zeta "]:
        with pytest.raises(ValueError) as caught:
            library.sample(name, 0)
        assert str(caught.value) == "Unknown pulsework: " + name
    with pytest.raises(ValueError, match="Unknown pulsework: "):
        library.sample(b"\xff\xfe", 0)
    assert library.sample(b"zeta", 2).as_tuple() == zeta.sample(2).as_tuple()


def test_own_names_that_look_alike(module):
    # Shared stems, lengths and endings: each name still finds its own pattern.
    names = ["take_%04d" % i for i in range(1000)] + ["take_%04d_end" % i for i in range(24)]
    patterns = [module.SampledPattern(n, "", [[i / 1024, 0.0, 0.0]]) for i, n in enumerate(names)]
    library = module.PatternLibrary(patterns)
    for i, name in enumerate(names):
        assert library.sample(name, i).x == i / 1024
        assert library.sample(name.encode(), 0).x == i / 1024
    for name in ["take_", "take_000", "take_00000", "take_1023", "take_0023_en", "take_0023_end_"]:
        with pytest.raises(ValueError, match="^Unknown pulsework: " + name + "$"):
            library.sample(name, 0)
    assert library.sample("bounce", 16).as_tuple() == module.bounce(16).as_tuple()


@pytest.mark.parametrize("kind", [
    tuple, lambda ps: (p for p in ps), lambda ps: dict.fromkeys(ps).keys(), lambda ps: dict(enumerate(ps)).values(),
    lambda ps: map(lambda p: p, ps),
], ids=["tuple", "generator", "keys", "values", "map"])
def test_container_kinds(module, kind):
    patterns = [steady(module, "one", 1), steady(module, "two", 2)]
    records = module.PatternLibrary(kind(patterns)).catalogue()[-2:]
    assert [r["name"] for r in records] == ["one", "two"]
    assert module.PatternLibrary({patterns[0]}).catalogue()[-1]["name"] == "one"


def test_subclass_instances_count(module):
    class Mine(module.SampledPattern):
        pass

    mine = Mine("mine", "", [[0.0, 0.0, 0.5]])
    assert module.PatternLibrary([mine]).sample("mine", 3).as_tuple() == (0.0, 0.0, 0.5)


@pytest.mark.parametrize("patterns", [[None], [1], ["wave"], "wave", None, 5, [[[0, 0, 0]]], b"", {"a": 1}])
def test_items_must_be_patterns(module, patterns):
    with pytest.raises(TypeError, match="incompatible constructor arguments"):
        module.PatternLibrary(patterns)


@pytest.mark.filterwarnings("ignore:an integer is required:DeprecationWarning")
def test_pip_count_has_no_implicit_conversion(module):
    library = module.PatternLibrary()
    for pip in [IntOnly(), 5.0, 2**31, INT_MIN - 1]:
        with pytest.raises(TypeError):
            library.sample("bounce", pip)
    assert library.sample("bounce", True).as_tuple() == module.bounce(1).as_tuple()


def test_pattern_count_limit(module, many):
    assert len(module.PatternLibrary(many[:1024]).catalogue()) == len(module.catalogue()) + 1024
    refused(module, many, "Too many patterns")
    refused(module, (p for p in many), "Too many patterns")


def test_sample_budget(module, longest):
    library = module.PatternLibrary(longest)
    assert library.sample("long_15", -1).as_tuple() == longest[15].sample(65534).as_tuple()
    module.PatternLibrary(longest + [steady(module, "rest", 16)])  # exactly 1,048,576
    refused(module, longest + [steady(module, "rest", 17)], "Pattern pack is too large")
    bounce, _, _ = default_copy(module, "bounce")
    refused(module, [bounce] + longest, "Pattern pack is too large")  # dropped copies count
    # Many references to one large pattern: nothing is copied before it is kept.
    refused(module, [longest[0]] * 1000, "Duplicate pattern name: long_0")
    refused(module, longest + [steady(module, "p%d" % i, 65535) for i in range(3)], "Pattern pack is too large")


def test_duplicates(module):
    wave = steady(module, "wave", 4)
    refused(module, [wave, steady(module, "calm", 1), wave], "Duplicate pattern name: wave")
    refused(module, [wave, steady(module, "wave", 8)], "Duplicate pattern name: wave")
    bounce, _, _ = default_copy(module, "bounce")
    refused(module, [bounce, bounce], "Duplicate pattern name: bounce")


# `bounce` is a built-in, `lfo_breathe` the first pack pattern.
@pytest.mark.parametrize("name", ["bounce", "helix", "lfo_breathe"])
def test_exact_copies_of_defaults(module, defaults, name):
    copy, rows, record = default_copy(module, name)
    library = module.PatternLibrary([steady(module, "mine", 2), copy])
    assert library.catalogue() == defaults + [{"name": "mine", "description": "", "period_pips": 2, "dimensions": 1}]
    for pip in PIPS:
        assert library.sample(name, pip).as_tuple() == module.sample(name, pip).as_tuple()

    def variant(description=record["description"], samples=rows):
        return module.SampledPattern(name, description, samples)

    def nudged(pip, component):
        samples = [list(r) for r in rows]
        value = samples[pip][component]
        samples[pip][component] = math.nextafter(value, -2.0 if value > 0 else 2.0)
        return variant(samples=samples)

    period = record["period_pips"]
    for other in [variant(description=record["description"] + "."), variant(description=""),
                  variant(samples=rows * 2), variant(samples=rows[:-1]), nudged(0, 0),
                  nudged(period - 1, 1), nudged(period // 3, 2)]:
        refused(module, [other], "Cannot override default pattern: " + name)
    assert library.sample(name, 1).as_tuple() == module.sample(name, 1).as_tuple()


def test_failed_construction_changes_nothing(module, defaults):
    wave, calm = steady(module, "wave", 4, y=0.5), steady(module, "calm", 2)
    faulty = steady(module, "bounce", 64)
    patterns = [wave, calm, faulty]
    counts = reference_counts(patterns)
    refused(module, patterns, "Cannot override default pattern: bounce")
    assert reference_counts(patterns) == counts
    patterns.remove(faulty)
    library = module.PatternLibrary(patterns)
    assert reference_counts(patterns) == counts[:2]  # copies, not references
    assert library.catalogue() == module.PatternLibrary([wave, calm]).catalogue()
    assert len(library.catalogue()) == len(defaults) + 2
    patterns.clear()
    del wave, calm
    assert library.sample("wave", 5).as_tuple() == (0.5, 0.5, 0.0)
    assert faulty.sample(3).as_tuple() == (0.5, 0.0, 0.0)


def test_failing_generator_propagates(module):
    class Boom(Exception):
        pass

    def patterns():
        yield steady(module, "first", 1)
        raise Boom("part-way")

    with pytest.raises(Boom, match="part-way"):
        module.PatternLibrary(patterns())


def test_raw_bytes_description(module):
    odd = module.SampledPattern("odd", b"\xff\xfe", [[0, 0, 0]])
    library = module.PatternLibrary([odd])
    with pytest.raises(UnicodeDecodeError):
        library.catalogue()
    assert library.sample("odd", 0).as_tuple() == (0.0, 0.0, 0.0)

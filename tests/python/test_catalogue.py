"""The default catalogue and sampling by name."""
import pytest

import reference

KEYS = ["name", "description", "period_pips", "dimensions"]
BUILTIN_DESCRIPTIONS = [
    "One-beat vertical bounce",
    "Two-beat side-to-side sway",
    "One-beat circular orbit",
    "Two-beat figure eight",
    "Two-beat side step with a small lift",
    "Four-beat softened square path",
    "Four-beat double-turn helix",
    "Vorn/Quell four-beat accented background drift",
    "Alternating R/L strokes with smooth attack and decay",
    "RRLL strokes with a softer second motion",
    "Decaying same-hand bounce clusters",
    "RLRR LRLL with accented lead strokes",
    "Grace motion flowing into an opposite-hand primary motion",
    "Two grace motions flowing into an opposite-hand primary motion",
    "Two diddles resolving to an accented fifth motion",
]


@pytest.fixture(scope="module")
def records(module):
    return module.catalogue()


def test_builtin_records(records):
    expected = [
        {"name": n, "description": d, "period_pips": p, "dimensions": dims}
        for (n, (_f, p, dims)), d in zip(reference.BUILTINS.items(), BUILTIN_DESCRIPTIONS)
    ]
    assert records[:15] == expected


def test_record_form(records):
    for record in records:
        assert list(record) == KEYS
        assert type(record["name"]) is str and type(record["description"]) is str
        assert type(record["period_pips"]) is int and type(record["dimensions"]) is int
        assert 1 <= record["period_pips"] <= 65535 and record["dimensions"] in (1, 2, 3)


def test_names_are_unique(records):
    names = [r["name"] for r in records]
    assert len(set(names)) == len(names)


def test_listing_is_fresh_each_call(module, records):
    again = module.catalogue()
    assert again == records and again is not records
    again[0]["name"] = "changed"
    again.clear()
    assert module.catalogue() == records


def test_every_record_samples_by_name(module, records):
    for record in records:
        name, period = record["name"], record["period_pips"]
        first = module.sample(name, 0).as_tuple()
        assert module.sample(name, period).as_tuple() == first
        assert module.sample(name, -period).as_tuple() == first
        assert module.sample(name, -1).as_tuple() == module.sample(name, period - 1).as_tuple()


@pytest.mark.parametrize(
    "name",
    ["", "Bounce", "bounce ", " bounce", "BOUNCE", "bounc", "bouncee", "flam\x00", "helix\n",
     "lfo_breath", "lfo_breathe_", "zzzzzzzz", "\u00e9", "a" * 10000],
)
def test_unknown_names(module, name):
    with pytest.raises(ValueError) as caught:
        module.sample(name, 0)
    assert str(caught.value) == "Unknown pulsework: " + name


def test_undecodable_name_is_still_a_value_error(module):
    with pytest.raises(ValueError) as caught:
        module.sample(b"\xffbounce", 0)
    assert str(caught.value).startswith("Unknown pulsework: ")


@pytest.mark.parametrize("name", [None, 3, 3.5, ["bounce"], "\udc80"])
def test_badly_typed_names(module, name):
    with pytest.raises(TypeError):
        module.sample(name, 0)


def test_name_kinds_and_keywords(module):
    expected = module.sample("lfo_breathe", 300).as_tuple()
    assert module.sample(b"lfo_breathe", 300).as_tuple() == expected
    assert module.sample(bytearray(b"lfo_breathe"), 300).as_tuple() == expected
    assert module.sample(name="lfo_breathe", pip_count=300).as_tuple() == expected
    assert module.sample(pip_count=300, name="lfo_breathe").as_tuple() == expected
    with pytest.raises(TypeError):
        module.sample(name="lfo_breathe", pip=300)


def test_signature_line(module):
    assert module.sample.__doc__.startswith("sample(name")
    assert module.catalogue.__doc__.startswith("catalogue()")

"""Finding pack patterns by name: lower-bound search and exact confirmation."""
import pytest


@pytest.fixture(scope="module")
def pack_names(module):
    return [r["name"] for r in module.catalogue()[15:]]


@pytest.fixture(scope="module")
def index_order(pack_names):
    """Pack names in the order of the name index: by UTF-8 bytes."""
    return sorted(pack_names, key=lambda n: n.encode("utf-8"))


def assert_unknown(module, name):
    with pytest.raises(ValueError) as caught:
        module.sample(name, 0)
    # The message carries the whole name as given.
    if isinstance(name, str):
        assert str(caught.value) == "Unknown pulsework: " + name


def test_every_pack_name_is_found_as_text_and_bytes(module, pack_names):
    for name in pack_names:
        first = module.sample(name, 7).as_tuple()
        assert module.sample(name.encode("ascii"), 7).as_tuple() == first


def test_first_and_last_names_of_the_index(module, index_order):
    first, last = index_order[0], index_order[-1]
    for name in (first, last):
        module.sample(name, 0)
    # Just before the first name and just past the last one.
    for name in ("", "a", first[:-1], first[:-1] + chr(ord(first[-1]) - 1), "\x00",
                 last + "0", last[:-1] + chr(ord(last[-1]) + 1), "zzzz", "zzzzzzzzzzzzzzzzzzzz",
                 "\x7f", "\u00ff" * 3):
        if name not in index_order:
            assert_unknown(module, name)


def test_proper_prefixes_are_not_names(module, pack_names):
    names = {r["name"] for r in module.catalogue()}
    for name in pack_names:
        for end in range(1, len(name)):
            if name[:end] not in names:
                assert_unknown(module, name[:end])
    assert_unknown(module, "weave_5")
    assert_unknown(module, "lfo_breath")


@pytest.mark.parametrize("extra", [b"\x00", b"0", b"9", b"_", b"a", b"z", b"~", b"\x7f", b"\xff"])
def test_names_with_a_byte_appended(module, pack_names, extra):
    names = {n.encode("ascii") for n in pack_names}
    for name in names:
        if name + extra not in names:
            assert_unknown(module, name + extra)


def test_names_that_are_prefixes_of_other_names_are_each_found(module):
    periods = {r["name"]: r["period_pips"] for r in module.catalogue()[15:]}

    def rows(name):
        return [module.sample(name, i).as_tuple() for i in range(periods[name])]

    nested = [n for n in periods if any(m != n and m.startswith(n) for m in periods)]
    assert nested
    for name in nested:
        # Each finds its own table, not that of a longer name it begins.
        mine = rows(name)
        for longer in (m for m in periods if m != name and m.startswith(name)):
            assert rows(longer) != mine, (name, longer)


def test_case_and_blanks_are_not_forgiven(module):
    for name in ("LFO_BREATHE", "Lfo_breathe", " lfo_breathe", "lfo_breathe ", "lfo-breathe",
                 "groove_a_played\n", "rhythm_group_223\x00"):
        assert_unknown(module, name)

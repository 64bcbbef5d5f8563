"""Packs and families derived from catalogue positions."""
import pytest

from pulsework_gallery import packs


@pytest.mark.parametrize("count, expected", [
    (0, []),
    (15, [("built-in", 15)]),
    (20, [("built-in", 15), ("initial", 5)]),
    (323, [("built-in", 15), ("initial", 28), ("expansion", 24), ("atlas", 256)]),
    (1731, [("built-in", 15), ("initial", 28), ("expansion", 24), ("atlas", 256),
            ("continuum", 320), ("club", 144), ("dancefloor", 944)]),
    (1740, [("built-in", 15), ("initial", 28), ("expansion", 24), ("atlas", 256),
            ("continuum", 320), ("club", 144), ("dancefloor", 944), ("other", 9)]),
])
def test_groups_fill_the_packs_in_order(count, expected):
    groups = packs.default_groups(count)
    runs = []
    for group in groups:
        if runs and runs[-1][0] == group:
            runs[-1] = (group, runs[-1][1] + 1)
        else:
            runs.append((group, 1))
    assert runs == expected


@pytest.mark.parametrize("name, position, group, expected", [
    ("bounce", 0, "built-in", "shape"),
    ("vorn_background", 7, "built-in", "shape"),
    ("single_stroke_roll", 8, "built-in", "rudiment"),
    ("five_stroke_roll", 14, "built-in", "rudiment"),
    ("rudiment_six_stroke", 29, "initial", "rudiment"),
    ("wave_pinched", 67, "atlas", "wave"),
    ("beat_house_jack_orbit", 700, "club", "orbit"),
    ("beat_afro_cross_figure8", 1500, "dancefloor", "figure8"),
    ("mine", 0, "library", "mine"),
])
def test_family_is_the_name_prefix_or_the_grooves_motion(name, position, group, expected):
    assert packs.family(name, position, group) == expected


# The first pattern of each pack, where the pack-table order puts it.
FIRST_OF_PACK = {"initial": "lfo_breathe", "expansion": "lfo_twin_swell", "atlas": "wave_pinched",
                 "continuum": "ribbon_1_2_slim", "club": "beat_four_floor_bounce",
                 "dancefloor": "beat_four_floor_surge"}


def test_pack_sizes_match_the_module(module):
    records = module.catalogue()
    groups = packs.default_groups(len(records))
    firsts = {}
    for record, group in zip(records, groups):
        firsts.setdefault(group, record["name"])
    assert firsts.pop("built-in") == "bounce"
    assert "other" not in firsts
    for group, name in firsts.items():
        assert name == FIRST_OF_PACK[group], group

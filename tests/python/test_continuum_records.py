"""The continuum pack's records: twenty families of sixteen between the atlas
and the club pack, one description a family, dialogue periods from their
groups."""
import pytest

FAMILIES = ["ribbon_", "contour_", "silhouette_", "spline_", "tour_", "scan_", "reach_",
            "surface_", "braid_", "arm_", "dwell_", "packet_", "canon_", "echo_", "ladder_",
            "necklace_", "accent_", "triplet_", "dialogue_", "burst_"]
FIRST = 15 + 308  # after the built-ins, initial, expansion and atlas


@pytest.fixture(scope="module")
def pack(module):
    return module.catalogue()[FIRST:FIRST + 320]


def test_families_in_order_with_one_description_each(module, pack):
    records = module.catalogue()
    assert records[FIRST - 1]["name"] == "gesture_diamond_depth"
    assert pack[0]["name"] == "ribbon_1_2_slim" and pack[-1]["name"] == "burst_5_6_2"
    for k, prefix in enumerate(FAMILIES):
        family = pack[16 * k:16 * k + 16]
        assert all(r["name"].startswith(prefix) for r in family), prefix
        assert len({r["description"] for r in family}) == 1, prefix
    assert pack[0]["description"] == (
        "A curved elliptical spine with variable radial width and linked depth deflection.")
    assert pack[-1]["description"] == (
        "Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.")


def test_periods_and_dimensions(pack):
    for r in pack:
        if r["name"].startswith("dialogue_"):
            groups = [int(g) for g in r["name"].split("_")[1:]]
            assert r["period_pips"] == 32 * sum(groups), r["name"]
        else:
            assert r["period_pips"] in (512, 1024), r["name"]
    assert sum(r["dimensions"] == 2 for r in pack) == 68
    assert sum(r["dimensions"] == 3 for r in pack) == 252
    assert sum(r["period_pips"] == 1024 for r in pack) == 176


def test_non_power_of_two_period_wraps(module):
    assert module.sample("dialogue_3_5_2", 320).as_tuple() == module.sample("dialogue_3_5_2", 0).as_tuple()
    assert module.sample("dialogue_3_5_2", -1).as_tuple() == module.sample("dialogue_3_5_2", 319).as_tuple()

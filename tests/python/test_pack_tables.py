"""Every row of every pack table: the recorded digests and the invariants."""
import hashlib
import math
import os
import re
import struct

import pytest

DIGESTS = os.path.join(os.path.dirname(__file__), "..", "..", "src", "packs", "table_digests.txt")
Y_ONLY = {"lfo_double_pump", "beat_four_floor_bounce"} | {
    "env_lift_hold_drop", "env_inhale_exhale", "env_triple_swell", "env_rising_echo",
    "env_falling_echo", "env_anticipation", "env_plateau_scoop", "env_hesitant",
    "env_double_hold", "env_swell_recoil", "env_late_release", "env_split_attack",
    "env_suspended", "env_valley_peaks", "env_four_breaths", "env_return_stair",
}
# Tables that follow a recorded waveform as it stands, jumps included.
FOLLOW_SOURCE = {"akwf_round_saw", "akwf_quick_return", "akwf_multi_lobe", "akwf_plateau"}


def recorded_digests():
    packs = []
    with open(DIGESTS, encoding="ascii") as stream:
        for line in stream:
            if line.strip() and not line.startswith("#"):
                digest, namespace, count = line.split()
                packs.append((namespace, int(count), digest))
    return packs


@pytest.fixture(scope="module")
def tables(module):
    """name -> (record, rows) for every pack pattern, rows read through sample()."""
    out = {}
    for record in module.catalogue()[15:]:
        name, period = record["name"], record["period_pips"]
        out[name] = (record, [module.sample(name, i).as_tuple() for i in range(period)])
    return out


def test_digests_match_the_built_tables(tables):
    records = list(tables.values())
    position = 0
    for namespace, count, digest in recorded_digests():
        h = hashlib.sha256()
        for _record, rows in records[position:position + count]:
            for row in rows:
                h.update(struct.pack("<3d", *row))
        position += count
        assert h.hexdigest() == digest, "%s: pattern data changed" % namespace
    assert position == len(records)


def test_names_and_descriptions(tables):
    for name, (record, _rows) in tables.items():
        assert re.fullmatch(r"[a-z0-9_]{8,32}", name)
        text = record["description"]
        assert 43 <= len(text.encode("utf-8")) <= 235
        assert set(c for c in text if ord(c) > 127) <= {"\u2014", "\u2013"}
        assert record["period_pips"] % 32 == 0 and 160 <= record["period_pips"] <= 1024


def test_values_finite_in_range_rounded_no_negative_zero(tables):
    for name, (_record, rows) in tables.items():
        for i, row in enumerate(rows):
            for v in row:
                assert math.isfinite(v) and -0.92 <= v <= 1.0, (name, i, row)
                assert not (v == 0.0 and math.copysign(1.0, v) < 0), (name, i, row)
                assert float(round(v, 12)) == v, (name, i, row)


def test_components_follow_dimensions(tables):
    for name, (record, rows) in tables.items():
        dims = record["dimensions"]
        for axis in range(3):
            column = {row[axis] for row in rows}
            if axis >= dims or (axis == 0 and name in Y_ONLY):
                assert column == {0.0}, (name, "xyz"[axis])
            else:
                assert len(column) > 1, (name, "xyz"[axis], "never moves")


def test_seamless_no_teleports(tables):
    for name, (_record, rows) in tables.items():
        if name in FOLLOW_SOURCE:
            continue
        for i in range(len(rows)):
            step = max(abs(a - b) for a, b in zip(rows[i], rows[i - 1]))
            assert step <= 0.25, (name, i, step)


def test_tables_are_distinct(tables):
    seen = {}
    for name, (_record, rows) in tables.items():
        key = tuple(rows)
        assert key not in seen, (name, seen.get(key))
        seen[key] = name

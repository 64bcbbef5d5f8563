"""The compact sample encoding the page decodes."""
import base64
import math
import random

import pytest

from pulsework_gallery.encode import SCALE, EncodingError, decode_rows, encode_rows, used_components


def test_bytes_are_little_endian_int16_of_the_stored_components():
    text = encode_rows([(1.0, -1.0, 0.25), (0.0, -0.0, -0.25)], 3)
    assert base64.b64decode(text) == bytes([0xFF, 0x7F, 0x01, 0x80, 0x00, 0x20,
                                            0x00, 0x00, 0x00, 0x00, 0x00, 0xE0])
    two = encode_rows([(0.5, 0.5, 0.0)], 2)
    assert len(base64.b64decode(two)) == 4


@pytest.mark.parametrize("components", [1, 2, 3])
def test_round_trip_error_is_within_half_a_step(components):
    generator = random.Random(7)
    rows = [tuple(generator.uniform(-1, 1) if c < components else 0.0 for c in range(3))
            for _ in range(500)]
    rows += [(1.0, 1.0, 1.0)[:components] + (0.0,) * (3 - components),
             (-1.0, -1.0, -1.0)[:components] + (0.0,) * (3 - components)]
    decoded = decode_rows(encode_rows(rows, components), components)
    assert len(decoded) == len(rows)
    for row, back in zip(rows, decoded):
        for value, got in zip(row, back):
            assert abs(value - got) <= 0.5 / SCALE + 1e-15


@pytest.mark.parametrize("rows, expected", [
    ([(0.0, 0.0, 0.0)], 1),
    ([(0.3, 0.0, -0.0), (0.1, -0.0, 0.0)], 1),
    ([(0.0, 0.0, 0.0), (0.0, 0.2, 0.0)], 2),
    ([(0.0, 0.0, 0.0), (0.0, 0.0, -0.1)], 3),
])
def test_used_components(rows, expected):
    assert used_components(rows) == expected


@pytest.mark.parametrize("bad", [math.nan, math.inf, -math.inf, 1.5])
def test_values_outside_the_range_are_refused(bad):
    with pytest.raises(EncodingError):
        encode_rows([(0.0, bad, 0.0)], 3)

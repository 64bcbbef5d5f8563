"""render and table against sample, bit for bit, for every kind of pattern."""
import pytest

np = pytest.importorskip("numpy")

from pulsework_motion import render, table  # noqa: E402
from pulsework_motion.shaping import pattern_period  # noqa: E402

INT32 = (-(2**31), 2**31 - 1)


def kinds(module):
    """A built-in, the first pattern of each pack, and periods odd and even."""
    records = module.catalogue()
    names = [records[i]["name"] for i in (0, 7, 14, 15, 40, 67, 323, 643, 787, 1730)]
    return names + ["lfo_breathe", "beat_house_classic_bounce"]


def test_render_is_sample_bit_for_bit(module):
    rng = np.random.default_rng(7)
    pips = np.concatenate([rng.integers(*INT32, 3000, dtype=np.int64, endpoint=True),
                           np.array([INT32[0], INT32[1], -1, 0, 1])])
    for name in kinds(module):
        expected = np.array([module.sample(name, int(p)).as_tuple() for p in pips])
        got = render(name, pips)
        assert got.dtype == np.float64 and got.shape == (len(pips), 3)
        # Bit for bit: signed zeros and all.
        assert got.tobytes() == expected.tobytes(), name
        whole = table(name)
        assert whole.shape == (pattern_period(name), 3) and not whole.flags.writeable


def test_beyond_32_bits_the_loop_carries_on_and_shapes_are_kept(module):
    name = "canon_05_close"
    period = pattern_period(name)
    far = np.array([[2**40 + 3, -(2**62) - 5], [2**63 - 1, -(2**63)]], dtype=np.int64)
    got = render(name, far)
    assert got.shape == (2, 2, 3)
    for index in np.ndindex(far.shape):
        assert tuple(got[index]) == module.sample(name, int(far[index]) % period).as_tuple()
    assert render(name, np.arange(5, dtype=np.uint8)).shape == (5, 3)


def test_library_patterns_and_bad_input(module):
    rows = [(i / 7, -i / 7, 0.0) for i in range(7)]
    library = module.PatternLibrary([module.SampledPattern("seven", "Seven", rows)])
    assert render("seven", [-1, 7, 8], library).tolist() == [list(rows[6]), list(rows[0]),
                                                              list(rows[1])]
    with pytest.raises(ValueError, match="Unknown pulsework: seven"):
        render("seven", [0])
    with pytest.raises(TypeError, match="integers"):
        render("helix", [0.5])
    out = np.empty((3, 3))
    assert render("helix", [0, 1, 2], out=out) is out

"""Authored tables of the initial pack (no closed rule)."""
import math

from ..motion import thetas
from ..records import data_path

AKWF = {
    "akwf_round_saw": "AKWF_R_asym_saw_05_256.txt",
    "akwf_quick_return": "AKWF_R_asym_saw_15_256.txt",
    "akwf_multi_lobe": "AKWF_0001_256.txt",
    "akwf_plateau": "AKWF_0010_256.txt",
}


def akwf(file_name):
    """One recorded single cycle on x, scaled so the largest |x| is 0.85."""

    def build(period):
        with open(data_path("akwf", file_name), encoding="ascii") as stream:
            samples = [float(line) for line in stream if line.strip()]
        if len(samples) != period:
            raise ValueError("%s holds %d samples, not %d" % (file_name, len(samples), period))
        peak = max(abs(v) for v in samples)
        return [(0.85 * v / peak, 0.0, 0.0) for v in samples]

    return build


def _stand_in(seed, dims, y_only=False):
    # Placeholder until the table is authored.
    def build(period):
        rows = []
        for t in thetas(period):
            x = 0.0 if y_only else 0.5 * math.sin(t + seed)
            y = 0.3 * math.sin(2 * t + seed) if dims >= 2 else 0.0
            z = 0.2 * math.sin(3 * t + seed) if dims >= 3 else 0.0
            rows.append((x, y, z))
        return rows

    return build


BUILDERS = {name: akwf(f) for name, f in AKWF.items()}
for _k, (_name, _dims) in enumerate([
    ("lfo_surge", 1), ("lfo_soft_gate", 1), ("lfo_double_pump", 2), ("lfo_glide_stair", 1),
    ("lfo_morph", 2), ("rhythm_half_time", 2), ("rudiment_flam_accent", 2), ("ease_elastic", 1),
    ("groove_a_played", 2), ("groove_a_grid", 2), ("groove_b_played", 2), ("groove_b_grid", 2),
]):
    BUILDERS[_name] = _stand_in(0.1 * _k + 0.05, _dims, _name == "lfo_double_pump")

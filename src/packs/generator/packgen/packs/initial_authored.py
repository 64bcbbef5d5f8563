"""Authored tables of the initial pack (no closed rule)."""
from ..records import data_path, load_records
from .stand_in import stand_ins

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


BUILDERS = {name: akwf(f) for name, f in AKWF.items()}
BUILDERS.update(stand_ins(
    load_records("initial", "records.tsv"),
    ["lfo_surge", "lfo_soft_gate", "lfo_double_pump", "lfo_glide_stair", "lfo_morph",
     "rhythm_half_time", "rudiment_flam_accent", "ease_elastic", "groove_a_played",
     "groove_a_grid", "groove_b_played", "groove_b_grid"],
    y_only=["lfo_double_pump"],
))

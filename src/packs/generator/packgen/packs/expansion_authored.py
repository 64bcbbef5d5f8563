"""Authored tables of the expansion pack (no closed rule)."""
from ..records import load_records
from .stand_in import stand_ins

BUILDERS = stand_ins(
    load_records("expansion", "records.tsv"),
    ["lfo_twin_swell", "lfo_pulse_hold", "lfo_sweep_ratchet", "lfo_seeded_drift",
     "lfo_pendulum_dwell", "lfo_reverse_swell", "path_orbit_dwell", "path_crank_slider"],
)

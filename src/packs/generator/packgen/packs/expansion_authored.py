"""Authored tables of the expansion pack (no closed rule)."""
import math

from ..motion import thetas


def _stand_in(seed, dims):
    # Placeholder until the table is authored.
    def build(period):
        return [
            (0.5 * math.sin(t + seed), 0.3 * math.sin(2 * t + seed) if dims > 1 else 0.0, 0.0) for t in thetas(period)
        ]

    return build


BUILDERS = {}
for _k, _name in enumerate([
    "lfo_twin_swell", "lfo_pulse_hold", "lfo_sweep_ratchet", "lfo_seeded_drift",
    "lfo_pendulum_dwell", "lfo_reverse_swell", "path_orbit_dwell", "path_crank_slider",
]):
    BUILDERS[_name] = _stand_in(1.5 + 0.1 * _k, 1 if _name == "lfo_pulse_hold" else 2)

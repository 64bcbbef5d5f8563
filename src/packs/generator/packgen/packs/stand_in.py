"""Temporary tables for patterns whose rule or authored data is not written yet.

Each stand-in is a distinct, smooth harmonic loop that keeps every table
invariant; it exists only so the pack builds while its tables are authored.
"""
import hashlib
import math

from ..motion import thetas


def stand_in(seed, dimensions, y_only=False):
    def build(period):
        rows = []
        for t in thetas(period):
            x = 0.0 if y_only else 0.5 * math.sin(t + seed)
            y = 0.3 * math.sin(2 * t + seed) if dimensions >= 2 else 0.0
            z = 0.2 * math.sin(3 * t + seed) if dimensions >= 3 else 0.0
            rows.append((x, y, z))
        return rows

    return build


def stand_ins(records, names, y_only=()):
    """Stand-in builders for the named records, each with its own seed."""
    by_name = {r.name: r for r in records}
    return {
        name: stand_in(seed_of(name), by_name[name].dimensions, name in y_only)
        for name in names
    }


def seed_of(name):
    digest = hashlib.sha256(name.encode()).digest()
    return int.from_bytes(digest[:6], "big") / 2**48 * 2 * math.pi

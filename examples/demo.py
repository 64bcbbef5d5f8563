"""Prints where a few patterns are, beat by beat: a small text table.

    python examples/demo.py [pattern ...]
"""
import sys

import pulsework

STEPS_PER_BEAT = 8  # thirty-second notes


def table(name, beats):
    record = next(r for r in pulsework.catalogue() if r["name"] == name)
    period_beats = record["period_pips"] / pulsework.PIPS_PER_BEAT
    print("%s: %s (loops every %g beat%s, %dD)" % (
        name, record["description"], period_beats, "" if period_beats == 1 else "s",
        record["dimensions"]))
    print("  %6s %6s  %7s %7s %7s" % ("beat", "pip", "x", "y", "z"))
    step = pulsework.PIPS_PER_BEAT // STEPS_PER_BEAT
    for pip in range(0, beats * pulsework.PIPS_PER_BEAT, step):
        x, y, z = pulsework.sample(name, pip).as_tuple()
        beat = "%d.%d" % (pip // pulsework.PIPS_PER_BEAT + 1, pip % pulsework.PIPS_PER_BEAT // step + 1)
        print("  %6s %6d  %+7.3f %+7.3f %+7.3f" % (beat, pip, x, y, z))
    print()


def main(names):
    names = names or ["bounce", "circle", "flam", "helix"]
    print("pulsework: %d patterns, %d pips to a beat\n" % (
        len(pulsework.catalogue()), pulsework.PIPS_PER_BEAT))
    for name in names:
        table(name, beats=1)


if __name__ == "__main__":
    main(sys.argv[1:])

"""Prints where a few patterns are, beat by beat: a small text table.

    python examples/demo.py [pattern ...]
"""
import difflib
import sys

import pulsework

STEPS_PER_BEAT = 8  # thirty-second notes


def table(record, beats):
    name = record["name"]
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
    records = {record["name"]: record for record in pulsework.catalogue()}
    unknown = [name for name in names if name not in records]
    if unknown:
        for name in unknown:
            close = difflib.get_close_matches(name, list(records), n=3)
            hint = " (did you mean %s?)" % " or ".join(close) if close else ""
            print("demo.py: error: no pattern named %r%s" % (name, hint), file=sys.stderr)
        print("demo.py: the %d names are listed by pulsework.catalogue()" % len(records),
              file=sys.stderr)
        return 1
    print("pulsework: %d patterns, %d pips to a beat\n" % (len(records), pulsework.PIPS_PER_BEAT))
    for name in names:
        table(records[name], beats=1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

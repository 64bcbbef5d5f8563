"""Soak: millions of mixed calls through every entry point, errors included;
prints how far the process's resident memory grows and whether the objects
passed in keep their reference counts.

    PYTHONPATH=build python benchmarks/soak.py [--calls N]

The calls cycle through a fixed mix: sampling by name (str, bytes and
bytearray names; int, bool and __index__ pips) through the module and a
shared library, the fifteen rudiments, SampledPattern's members, building
patterns and libraries, listing catalogues, and every refused call (unknown
names, pips that do not convert, invalid patterns, duplicate names, a
container that raises partway). The resident size is read after each tenth
of the run; the growth after the first tenth is what a leak would show, the
first tenth being the allocator and the catalogue settling in. The target is
at most 1 MB over the whole run. Exits 1 when the target or a reference
count is missed.
"""
import argparse
import sys
import time

import pulsework

TARGET = 1 << 20


def resident_bytes():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise RuntimeError("no VmRSS in /proc/self/status")


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class Boom(Exception):
    pass


def failing_rows():
    yield [0.0, 0.0, 0.0]
    raise Boom


def mix():
    """(passed-in objects to watch, the calls of one cycle: (function, expected exception))."""
    rows = [[i / 64.0, 0.5, -0.25] for i in range(64)]
    pattern = pulsework.SampledPattern("soak_wave", "A soak test", rows)
    other = pulsework.SampledPattern("soak_other", b"raw \xff bytes", [[0.0, 0.0, 1.0]])
    library = pulsework.PatternLibrary([pattern, other])
    name, name_bytes, name_array = "lfo_breathe", b"helix", bytearray(b"weave_5_9")
    unknown, index, bad_rows = "no_such_pattern", Index(-12345), [[0.0, 0.0]]
    watched = {"rows": rows, "pattern": pattern, "other": other, "library": library, "name": name,
               "name bytes": name_bytes, "name bytearray": name_array, "unknown name": unknown,
               "index pip": index, "bad rows": bad_rows}
    sample, lib_sample = pulsework.sample, library.sample
    calls = [
        (lambda: sample(name, 300), None),
        (lambda: sample(name_bytes, 7), None),
        (lambda: sample(name_array, index), None),
        (lambda: sample(name=name, pip_count=True), None),
        (lambda: lib_sample("soak_wave", 65), None),
        (lambda: lib_sample(name, -1), None),
        (lambda: lib_sample(name_array, index), None),
        (lambda: pattern.sample(index), None),
        (lambda: pattern.sample(2**31 - 1).as_tuple(), None),
        (lambda: (pattern.name, pattern.description, pattern.period_pips), None),
        (lambda: sample(unknown, 0), ValueError),
        (lambda: lib_sample(unknown, 0), ValueError),
        (lambda: sample(name, 1.5), TypeError),
        (lambda: sample(name, 2**31), TypeError),
        (lambda: pattern.sample(pip_count="0"), TypeError),
        (lambda: other.description, UnicodeDecodeError),
    ]
    calls += [(lambda f=getattr(pulsework, r["name"]): f(index).x, None) for r in pulsework.catalogue()[:15]]
    # The costly calls, one in a thousand cycles (see `rare`).
    rare = [
        (lambda: pulsework.SampledPattern("soak_new", "", rows), None),
        (lambda: pulsework.PatternLibrary([pattern]).sample("soak_wave", 3), None),
        (lambda: pulsework.SampledPattern("Soak", "", rows), ValueError),
        (lambda: pulsework.SampledPattern("soak", "", bad_rows), TypeError),
        (lambda: pulsework.SampledPattern("soak", "", failing_rows()), Boom),
        (lambda: pulsework.PatternLibrary([pattern, pattern]), ValueError),
        (lambda: pulsework.PatternLibrary([pattern, None]), TypeError),
        (lambda: len(pulsework.catalogue()), None),
        (lambda: len(pulsework.PatternLibrary([pattern]).catalogue()), None),
        (lambda: library.catalogue(), UnicodeDecodeError),
    ]
    return watched, calls, rare


def run(calls, rare, count, on_tenth):
    made = raised = 0
    tenth = count // 10
    next_mark = tenth
    cycle = 0
    while made < count:
        for call, error in calls:
            if error is None:
                call()
            else:
                try:
                    call()
                except error:
                    raised += 1
                else:
                    raise AssertionError("no %s" % error.__name__)
        made += len(calls)
        cycle += 1
        if cycle % 1000 == 0:
            for call, error in rare:
                try:
                    call()
                except BaseException as caught:
                    if error is None or not isinstance(caught, error):
                        raise
                    raised += 1
            made += len(rare)
        if made >= next_mark:
            on_tenth(made)
            next_mark += tenth
    return made, raised


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--calls", type=int, default=10_000_000)
    args = parser.parse_args()

    watched, calls, rare = mix()
    # One short round first, so that the counts below are taken with every
    # lazily made object (the catalogue, interned messages) already there.
    run(calls, rare, 10_000, lambda made: None)
    counts = {key: sys.getrefcount(value) for key, value in watched.items()}
    marks = [(0, resident_bytes())]
    started = time.perf_counter()
    made, raised = run(calls, rare, args.calls, lambda made: marks.append((made, resident_bytes())))
    seconds = time.perf_counter() - started

    print("pulsework soak: %d calls (%d raised) through %d entry-point forms in %.1f s, Python %s"
          % (made, raised, len(calls) + len(rare), seconds, sys.version.split()[0]))
    print("  resident size after each tenth (KiB):")
    print("    " + "  ".join("%d" % (rss // 1024) for _made, rss in marks))
    whole = marks[-1][1] - marks[0][1]
    settled = marks[-1][1] - marks[1][1]
    print("  growth: %+d KiB over the run (target at most %d KiB: %.2f of it), %+d KiB after the first tenth"
          % (whole // 1024, TARGET // 1024, whole / TARGET, settled // 1024))
    moved = {key: sys.getrefcount(value) - counts[key] for key, value in watched.items()}
    print("  reference counts of the %d objects passed in: %s"
          % (len(moved), "unchanged" if not any(moved.values()) else moved))
    return 0 if whole <= TARGET and not any(moved.values()) else 1


if __name__ == "__main__":
    sys.exit(main())

"""pulsework_motion.arrays.render beside the Python loops it replaces.

    python benchmarks/bench_arrays.py [--pips N] [--runs N]

For a few patterns (a built-in, a power-of-two pack table, a pack table of
another period, a library pattern), the same positions are made four ways,
interleaved run by run so that the ratios hold on a noisy machine:

- render: one call, pips as an int64 array in, a (N, 3) float64 array out;
- calls: `sample(name, pip)` in a list comprehension, the bare calls (the
  Offset3 objects are all it gives, not yet their numbers);
- tuples: the Python loop of sample calls that gives the positions,
  `[sample(name, pip).as_tuple() for pip in pips]`;
- array: the loop that gives what render gives, np.array of those tuples.

Printed per pattern: the minimum time of each, and render's speed-up over
each loop. The target: at least 50 times the loop that gives the positions
(tuples); the bare calls are shown beside it, as the floor of any loop.
"""
import argparse
import os
import sys
import time

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "python"))

import pulsework  # noqa: E402
from pulsework_motion.arrays import render  # noqa: E402

TARGET = 50.0


def library_pattern():
    rows = [((pip % 97) / 97.0, -((pip % 13) / 13.0), 0.0) for pip in range(1000)]
    return pulsework.PatternLibrary([pulsework.SampledPattern("bench_own", "Benchmark", rows)])


def timed(function):
    started = time.perf_counter()
    function()
    return time.perf_counter() - started


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--pips", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args(argv)
    rng = np.random.default_rng(20261209)
    pips = rng.integers(-2**31, 2**31, args.pips, dtype=np.int64)
    as_list = pips.tolist()
    library = library_pattern()
    cases = [("helix", None), ("beat_house_classic_bounce", None), ("lfo_breathe", None),
             ("canon_05_close", None), ("bench_own", library)]
    print("%d pips, best of %d runs, interleaved; render's speed-up over each loop"
          % (args.pips, args.runs))
    print("%-28s %9s %9s %9s %9s   %7s %7s %7s" % (
        "pattern", "render", "calls", "tuples", "array", "x calls", "x tuples", "x array"))
    worst = None
    for name, lib in cases:
        sample = lib.sample if lib is not None else pulsework.sample
        got = render(name, pips, lib)   # also builds the table, outside the timing
        assert np.array_equal(got[:1000], np.array([sample(name, p).as_tuple()
                                                    for p in as_list[:1000]]))
        best = {"render": [], "calls": [], "tuples": [], "array": []}
        for _ in range(args.runs):
            best["render"].append(timed(lambda: render(name, pips, lib)))
            best["calls"].append(timed(lambda: [sample(name, p) for p in as_list]))
            best["tuples"].append(timed(lambda: [sample(name, p).as_tuple() for p in as_list]))
            best["array"].append(timed(lambda: np.array(
                [sample(name, p).as_tuple() for p in as_list])))
        t = {key: min(values) for key, values in best.items()}
        ratios = [t[key] / t["render"] for key in ("calls", "tuples", "array")]
        worst = ratios[1] if worst is None else min(worst, ratios[1])
        print("%-28s %8.1fms %8.1fms %8.1fms %8.1fms   %6.0fx %6.0fx %6.0fx" % (
            name, t["render"] * 1e3, t["calls"] * 1e3, t["tuples"] * 1e3, t["array"] * 1e3,
            *ratios))
    print("lowest speed-up over the loop of sample calls giving positions: %.0fx (target %gx): %s"
          % (worst, TARGET, "met" if worst >= TARGET else "MISSED"))


if __name__ == "__main__":
    main()

"""Per-call cost of sampling, as ratios to a plain builtin call.

    python benchmarks/bench_sample.py [--quick]

Every figure is the best of several timed runs of many calls, measured in
this one run beside the baseline `abs(pip)`, so the ratios stay meaningful
on a noisy machine where absolute times do not.
"""
import argparse
import statistics
import subprocess
import sys
import timeit

import pulsework


def per_call_ns(stmt, setup, number, repeat):
    times = timeit.repeat(stmt, setup=setup, number=number, repeat=repeat)
    return min(times) / number * 1e9


def import_ms(runs):
    code = "import time; t = time.perf_counter(); import pulsework; print(time.perf_counter() - t)"
    samples = [float(subprocess.check_output([sys.executable, "-c", code])) for _ in range(runs)]
    return min(samples) * 1e3, statistics.median(samples) * 1e3


PATTERN_SETUP = "s = pulsework.SampledPattern('wave', '', [[i / 256.0, 0.5, 0.0] for i in range(256)]).sample"
# 1,024 own patterns of one length; the one sampled is the last the scan
# reaches, and a default name is reached only after all of them.
LIBRARY_SETUP = (
    "rows = [[i / 64.0, 0.0, 0.0] for i in range(64)]; "
    "lib = pulsework.PatternLibrary("
    "[pulsework.SampledPattern('user_pattern_%04d' % i, '', rows) for i in range(1024)]); "
    "s = lib.sample"
)
BUILD_SETUP = (
    "P = pulsework.SampledPattern; "
    "rows = [[(i % 2001) / 1000.0 - 1.0, 0.5, 0.0] for i in range(65535)]"
)

# name -> (statement, setup); `pip` cycles through a spread of pips.
CASES = {
    "bounce(pip)": ("f(pip)", "f = pulsework.bounce"),
    "sample('bounce', pip)": ("s('bounce', pip)", "s = pulsework.sample"),
    "sample('five_stroke_roll', pip)": ("s('five_stroke_roll', pip)", "s = pulsework.sample"),
    "sample('lfo_breathe', pip)": ("s('lfo_breathe', pip)", "s = pulsework.sample"),
    "sample('rhythm_group_223', pip)": ("s('rhythm_group_223', pip)", "s = pulsework.sample"),
    "SampledPattern.sample(pip)": ("s(pip)", PATTERN_SETUP),
    "PatternLibrary.sample(own, pip)": ("s('user_pattern_1023', pip)", LIBRARY_SETUP),
    "PatternLibrary.sample('bounce', pip)": ("s('bounce', pip)", LIBRARY_SETUP),
}

# Whole constructions: fewer, longer calls.
BUILD_CASES = {
    "SampledPattern(65,535 rows)": ("P('wave', '', rows)", BUILD_SETUP),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer, shorter runs")
    args = parser.parse_args()
    number, repeat = (20000, 3) if args.quick else (200000, 7)
    build_number = 5 if args.quick else 20
    setup_common = "import pulsework; pip = 12345; "
    baseline = per_call_ns("a(pip)", setup_common + "a = abs", number, repeat)
    print("pulsework %s on Python %s" % (getattr(pulsework, "__version__", ""), sys.version.split()[0]))
    print("%-36s %10s %8s" % ("call", "ns/call", "ratio"))
    print("%-36s %10.1f %8.2f" % ("abs(pip)  [baseline]", baseline, 1.0))
    for label, (stmt, setup) in CASES.items():
        ns = per_call_ns(stmt, setup_common + setup, number, repeat)
        print("%-36s %10.1f %8.2f" % (label, ns, ns / baseline))
    for label, (stmt, setup) in BUILD_CASES.items():
        ns = per_call_ns(stmt, setup_common + setup, build_number, repeat)
        print("%-36s %10.0f %8.0f" % (label, ns, ns / baseline))
    best, median = import_ms(3 if args.quick else 10)
    print("%-36s %10.2f ms (median %.2f ms)" % ("import pulsework", best, median))


if __name__ == "__main__":
    main()

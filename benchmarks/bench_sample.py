"""Per-call cost of pulsework beside the floors it cannot go below.

    PYTHONPATH=build python benchmarks/bench_sample.py [--quick] [--runs N] [--callgrind] [--only TEXT]

Two extension modules that do no work, with pulsework's call shapes, are
built on first use from benchmarks/floors (into build/floors-<python>, never
installed): one through pybind11, one straight on the CPython C API. Each
figure is timed interleaved with its floors in this one run, so the ratios
hold on a noisy machine where absolute times drift. Printed per call: the
minimum and the median of the runs, the ratio of the minima to the C-API floor
and to the pybind11 floor, and the target. --callgrind counts instructions per
call instead (valgrind's count does not move with the machine's load).
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time
import timeit

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

import pulsework  # noqa: E402

RUDIMENTS = [
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix", "vorn_background",
    "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll", "single_paradiddle", "flam",
    "drag", "five_stroke_roll",
]

# Names are chosen from the catalogue of the build being measured.
PACK_NAMES = sorted((r["name"] for r in pulsework.catalogue()[15:]), key=lambda n: n.encode())
FIRST, MIDDLE, LAST = PACK_NAMES[0], PACK_NAMES[len(PACK_NAMES) // 2], PACK_NAMES[-1]

# Sixteen pips 17 apart from 12345: every phase of an 8-pip stroke grid, all
# four quarters of the longer cycles, so that a per-function figure is not
# that of one lucky (or unlucky) phase.
SPREAD = [12345 + 17 * k for k in range(16)]
COMMON = "import pulsework; pip = 12345; " + "".join("p%d = %d; " % (k, p) for k, p in enumerate(SPREAD))
# CPU time of this thread: time spent waiting for a core on a shared machine
# does not count, so the figures move far less with the machine's load.
CLOCK = time.thread_time
LIBRARY = (
    "rows = [[i / 64.0, 0.0, 0.0] for i in range(64)]; "
    "lib = pulsework.PatternLibrary("
    "[pulsework.SampledPattern('user_pattern_%04d' % i, '', rows) for i in range({count})]); "
)

# Floors: (statement, setup) per shape, run against either floor module `M`.
FLOORS = {
    "f(int)": ("f(pip)", "f = M.f"),
    "f(int) x 16 pips": ("; ".join("f(p%d)" % k for k in range(16)), "f = M.f"),
    "g(str, int)": ("g('lfo_breathe', pip)", "g = M.g"),
    "o.f(int)": ("o.f(pip)", "o = M.Holder()"),
    "o.g(str, int)": ("o.g('lfo_breathe', pip)", "o = M.Holder()"),
    "h(int) -> float": ("h(pip)", "h = M.h"),
    "t.x": ("t.x", "t = M.f(3)"),
    "t.as_tuple()": ("t.as_tuple()", "t = M.f(3)"),
    "catalogue loop": ("c()", "M.set_records([(r['name'].encode(), r['description'].encode(), "
                              "r['period_pips'], r['dimensions']) for r in pulsework.catalogue()]); "
                              "c = M.catalogue"),
}

# Calls in one floor statement, where more than one.
FLOOR_CALLS = {"f(int) x 16 pips": 16}

# Whole constructions: fewer, longer calls.
ROWS = "rows = [[(i % 2001) / 1000.0 - 1.0, 0.5, 0.0] for i in range({count})]; P = pulsework.SampledPattern; "
BUILD_CASES = {
    "SampledPattern(65,535 rows)": ("P('wave', '', rows)", ROWS.format(count=65535)),
    "SampledPattern(1,000,000 rows) refused": (
        "try:\n    P('wave', '', rows)\nexcept ValueError:\n    pass", ROWS.format(count=1000000)),
}


def cases(only=None):
    """(label, statement, setup, calls per statement, floor shape, target),
    those whose label contains `only` if given."""
    rudiments = "; ".join("r%d(pip)" % i for i in range(15))
    rudiment_setup = "; ".join("r%d = pulsework.%s" % (i, n) for i, n in enumerate(RUDIMENTS))
    spread = "; ".join("r%d(p%d)" % (i, k) for i in range(15) for k in range(16))
    sample = "s = pulsework.sample"
    out = [
        ("15 rudiments, mean of one call each", rudiments, rudiment_setup, 15, "f(int)", 1.5),
        ("15 rudiments, mean over 16 pips each", spread, rudiment_setup, 240, "f(int) x 16 pips", 1.5),
    ]
    out += [("  %s, 16 pips" % name, "; ".join("r(p%d)" % k for k in range(16)), "r = pulsework." + name, 16,
             "f(int) x 16 pips", 1.5) for name in RUDIMENTS]
    out += [
        ("sample('bounce', pip)", "s('bounce', pip)", sample, 1, "g(str, int)", 1.5),
        ("sample(first pack name, pip)", "s(%r, pip)" % FIRST, sample, 1, "g(str, int)", 1.5),
        ("sample(middle pack name, pip)", "s(%r, pip)" % MIDDLE, sample, 1, "g(str, int)", 1.5),
        ("sample(last pack name, pip)", "s(%r, pip)" % LAST, sample, 1, "g(str, int)", 1.5),
        ("sample(unknown name) -> ValueError",
         "try:\n    s('no_such_pattern', pip)\nexcept ValueError:\n    pass", sample, 1, "g(str, int)",
         "1 us"),
        ("SampledPattern.sample(pip)", "p.sample(pip)",
         "p = pulsework.SampledPattern('wave', '', [[i / 256.0, 0.5, 0.0] for i in range(256)])", 1,
         "o.f(int)", 1.5),
    ]
    for count in (1, 1024):
        setup = LIBRARY.format(count=count)
        own = "user_pattern_%04d" % (count - 1)
        out.append(("PatternLibrary(%d).sample(own, pip)" % count, "lib.sample(%r, pip)" % own, setup, 1,
                    "o.g(str, int)", 1.5))
        out.append(("PatternLibrary(%d).sample('bounce', pip)" % count, "lib.sample('bounce', pip)", setup, 1,
                    "o.g(str, int)", 1.5))
        out.append(("PatternLibrary(%d).sample(last pack, pip)" % count, "lib.sample(%r, pip)" % LAST, setup,
                    1, "o.g(str, int)", 1.5))
    out += [
        ("Offset3.x", "o.x", "o = pulsework.bounce(3)", 1, "t.x", 1.1),
        ("Offset3.as_tuple()", "o.as_tuple()", "o = pulsework.bounce(3)", 1, "t.as_tuple()", 1.1),
        ("catalogue()", "c()", "c = pulsework.catalogue", 1, "catalogue loop", 1.1),
        ("PatternLibrary(1).catalogue()", "lib.catalogue()", LIBRARY.format(count=1), 1, "catalogue loop", None),
    ]
    return [case for case in out if only is None or only in case[0]]


def build_floors(build_dir):
    """Builds the floor modules once per interpreter; returns their folder."""
    import pybind11

    if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        configure = ["cmake", "-S", os.path.join(HERE, "floors"), "-B", build_dir, "-G", "Ninja",
                     "-DPython_EXECUTABLE=" + sys.executable, "-Dpybind11_DIR=" + pybind11.get_cmake_dir()]
        subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir], check=True, stdout=subprocess.DEVNULL)
    return build_dir


def number_for(timer, seconds):
    """How many calls take about `seconds`."""
    n = 1
    while True:
        t = timer.timeit(n)
        if t > seconds / 10 or n >= 10**7:
            return max(1, int(n * seconds / max(t, 1e-9)))
        n *= 10


def time_all(timers, runs, seconds):
    """Interleaved runs of several timers; per timer the list of seconds per statement."""
    numbers = [number_for(t, seconds) for t in timers]
    results = [[] for _ in timers]
    for _ in range(runs):
        for timer, number, out in zip(timers, numbers, results):
            out.append(timer.timeit(number) / number)
    return results


def floor_timer(shape, module, calls=None):
    """A timer of `calls` floor calls of a shape (one statement's worth by default)."""
    stmt, setup = FLOORS[shape]
    repeat = 1 if calls is None else calls // FLOOR_CALLS.get(shape, 1)
    return timeit.Timer("; ".join([stmt] * repeat), COMMON + "M = %s; " % module.__name__ + setup, timer=CLOCK,
                        globals={module.__name__: module})


def run_timings(args, floor_modules):
    capi, pyb = floor_modules
    print("pulsework on Python %s, %d catalogue records; min and median of %d runs" % (
        sys.version.split()[0], len(pulsework.catalogue()), args.runs))
    print("%-42s %9s %9s %8s %8s  %s" % ("call (ns per call)", "min", "median", "/C-API", "/pyb11", "target"))
    met = []
    for label, stmt, setup, calls, shape, target in cases(args.only):
        # The pybind11 floor has no catalogue loop: pybind11 adds nothing to it.
        floors = (capi,) if shape == "catalogue loop" else (capi, pyb)
        timers = [timeit.Timer(stmt, COMMON + setup, timer=CLOCK)] + [floor_timer(shape, m, calls) for m in floors]
        results = time_all(timers, args.runs, args.seconds)
        best = [min(r) * 1e9 / calls for r in results]
        median = statistics.median(results[0]) * 1e9 / calls
        ratio_c = best[0] / best[1]
        ratio_p = "%.2f" % (best[0] / best[2]) if len(best) > 2 else "-"
        if target == "1 us":
            ok, target_text = best[0] < 1000.0, "< 1000 ns"
        elif target is None:
            ok, target_text = None, ""
        else:
            ok, target_text = ratio_c <= target, "<= %.1fx C-API" % target
        if ok is not None:
            met.append(ok)
        print("%-42s %9.1f %9.1f %8.2f %8s  %s%s" % (
            label, best[0], median, ratio_c, ratio_p, target_text,
            "" if ok is None else ("  met" if ok else "  MISSED")))
    if args.only is not None:
        print()
        print("targets met: %d of %d" % (sum(met), len(met)))
        return
    print()
    print("%-42s %9s %9s" % ("floors (ns per call, min)", "C-API", "pybind11"))
    for shape in FLOORS:
        floors = (capi,) if shape == "catalogue loop" else (capi, pyb)
        results = time_all([floor_timer(shape, m) for m in floors], args.runs, args.seconds)
        per = 1e9 / FLOOR_CALLS.get(shape, 1)
        print("%-42s %9.1f %9s" % (shape, min(results[0]) * per,
                                   "%.1f" % (min(results[1]) * per) if len(results) > 1 else "-"))
    print()
    for label, (stmt, setup) in BUILD_CASES.items():
        number = 3 if args.quick else 10
        seconds = min(timeit.repeat(stmt, COMMON + setup, timer=CLOCK, number=number, repeat=3)) / number
        print("%-42s %9.2f ms" % (label, seconds * 1e3))
    import_best, import_median, rss = import_figures(5 if args.quick else 15)
    ok = import_best < 2.0
    met.append(ok)
    print()
    print("%-42s %9.2f %9.2f ms  < 2 ms%s" % ("import pulsework (over a bare interpreter)", import_best,
                                               import_median, "  met" if ok else "  MISSED"))
    print("%-42s %9.1f MiB (bare interpreter %.1f MiB)" % ("RSS added by the import", rss[1] - rss[0], rss[0]))
    print()
    print("targets met: %d of %d" % (sum(met), len(met)))


def import_figures(runs):
    code = ("import time, sys\n"
            "def rss():\n"
            "    with open('/proc/self/status') as f:\n"
            "        return next(int(l.split()[1]) for l in f if l.startswith('VmRSS:')) / 1024.0\n"
            "before = rss(); t = time.perf_counter(); import pulsework; t = time.perf_counter() - t\n"
            "print(t, before, rss())\n")
    samples = []
    for _ in range(runs):
        out = subprocess.check_output([sys.executable, "-c", code]).split()
        samples.append([float(v) for v in out])
    times = [s[0] * 1e3 for s in samples]
    return min(times), statistics.median(times), (min(s[1] for s in samples), min(s[2] for s in samples))


def callgrind_instructions(stmt, setup, number, env):
    """Instructions that `number` executions of stmt add, by callgrind."""
    script = "import timeit; timeit.Timer(%r, %r).timeit(%d)" % (stmt, setup, number)
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out, sys.executable, "-c", script],
                       check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(out) as stream:
            text = stream.read()
    match = re.search(r"^(?:totals|summary): (\d+)", text, re.M)
    return int(match.group(1))


def run_callgrind(args, floor_dir):
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join([floor_dir, os.path.dirname(pulsework.__file__), env.get("PYTHONPATH", "")])
    number = 2000 if args.quick else 20000

    def per_statement(stmt, setup, catalogue):
        # A run of n statements less a run of none: the start-up cancels out.
        n = max(1, number // 1000) if catalogue else number
        return (callgrind_instructions(stmt, setup, n, env) - callgrind_instructions(stmt, setup, 0, env)) / n

    print("pulsework on Python %s: instructions per call, by callgrind" % sys.version.split()[0])
    print("%-42s %10s %10s %8s" % ("call", "pulsework", "C-API", "ratio"))
    floors = {}
    for label, stmt, setup, calls, shape, _target in cases(args.only):
        catalogue = shape == "catalogue loop"
        # As many floor calls in a statement as pulsework calls, as in the
        # timings, so that the loop around the statement weighs the same.
        if (shape, calls) not in floors:
            floor_stmt, floor_setup = FLOORS[shape]
            repeat = "; ".join([floor_stmt] * (calls // FLOOR_CALLS.get(shape, 1)))
            floors[shape, calls] = per_statement(repeat, COMMON + "import pulsework_floor_capi as M; " + floor_setup,
                                                 catalogue) / calls
        mine = per_statement(stmt, COMMON + setup, catalogue) / calls
        floor = floors[shape, calls]
        print("%-42s %10.0f %10.0f %8.2f" % (label, mine, floor, mine / floor))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer, shorter runs")
    parser.add_argument("--runs", type=int, help="timed runs per figure (default 41, quick 15)")
    parser.add_argument("--callgrind", action="store_true", help="count instructions per call with valgrind")
    parser.add_argument("--only", metavar="TEXT", help="only the calls whose label contains TEXT (e.g. 'pips')")
    parser.add_argument("--floors-build", default=os.path.join(ROOT, "build", "floors-" + sys.implementation.cache_tag),
                        help="where the floor modules are built")
    args = parser.parse_args()
    # Many short runs, interleaved: the least disturbed of them is what the
    # minimum keeps.
    args.runs = args.runs or (15 if args.quick else 41)
    args.seconds = 0.001 if args.quick else 0.002
    floor_dir = build_floors(os.path.abspath(args.floors_build))
    sys.path.insert(0, floor_dir)
    import pulsework_floor_capi
    import pulsework_floor_pybind11

    if args.callgrind:
        run_callgrind(args, floor_dir)
    else:
        run_timings(args, (pulsework_floor_capi, pulsework_floor_pybind11))


if __name__ == "__main__":
    main()

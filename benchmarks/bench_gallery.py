"""How long the gallery takes to write, and how soon the page is usable.

    python benchmarks/bench_gallery.py [--out DIR] [--no-browser] [--chromium PATH]

The figures are for a catalogue of the full size (1,731 patterns). While
this build has fewer patterns, the catalogue is filled up to that size with
renamed copies of its 3-D pack patterns (as nearly all of the packs still to
come are), sampled through the module exactly as real ones are, so the work
done is that of the complete catalogue. Copies that stand in the places of
the club and dancefloor packs take those packs' names (beat_<groove>_<shape>),
so that their cards carry sound controls as the real ones will. Each
figure is printed beside a baseline measured in the same run: for writing,
sampling every row alone; for the page, opening a blank page in the same
browser.
"""
import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

import pulsework
from pulsework_gallery import drum_programmes, write_gallery

FULL_SIZE = 1731
GROOVE_PACKS_START = 15 + 28 + 24 + 256 + 320  # the club pack's place in the catalogue
CLUB_SHAPES = ("bounce", "step", "orbit", "glide")
DANCEFLOOR_SHAPES = ("surge", "recoil", "flutter", "dive", "pendulum", "figure8", "box",
                     "corkscrew", "spiral", "slalom", "spring", "ricochet")


def groove_pattern_names():
    """The club pack's names, then the dancefloor pack's, in catalogue order."""
    grooves = [g["name"] for g in drum_programmes()["grooves"]]
    club = ["%s_%s" % (g, s) for g in grooves[:36] for s in CLUB_SHAPES]
    floor = ["%s_%s" % (g, s) for g in grooves[:36] for s in DANCEFLOOR_SHAPES]
    floor += ["%s_%s" % (g, s) for g in grooves[36:] for s in CLUB_SHAPES + DANCEFLOOR_SHAPES]
    return club + floor


class FilledCatalogue:
    """pulsework with its catalogue filled up to FULL_SIZE by renamed copies."""

    def __init__(self, module, size):
        self.PIPS_PER_BEAT = module.PIPS_PER_BEAT
        records = module.catalogue()
        self._records = list(records)
        self._source = {}
        # The packs still to come are nearly all 3-D, so copy 3-D patterns.
        packs = [r for r in records[15:] if r["dimensions"] == 3] or records[15:] or records
        grooves = groove_pattern_names()
        copy = 0
        while len(self._records) < size:
            original = packs[copy % len(packs)]
            place = len(self._records) - GROOVE_PACKS_START
            name = (grooves[place] if 0 <= place < len(grooves)
                    else "%s_copy%d" % (original["name"], copy // len(packs) + 1))
            record = dict(original, name=name)
            self._source[record["name"]] = original["name"]
            self._records.append(record)
            copy += 1
        self._sample = module.sample

    def catalogue(self):
        return [dict(record) for record in self._records]

    def sample(self, name, pip):
        return self._sample(self._source.get(name, name), pip)


def sampling_seconds(module):
    started = time.perf_counter()
    sample = module.sample
    rows = 0
    for record in module.catalogue():
        name = record["name"]
        rows += len([sample(name, pip).as_tuple() for pip in range(record["period_pips"])])
    return time.perf_counter() - started, rows


def best(runs, action):
    return min(action() for _ in range(runs))


# The drawing of one stagger frame of 64 copies (the shaping, the row and the
# markers), against its baseline: the same 64 markers drawn straight from the
# pattern's table with no shaping. Milliseconds per frame, in the page.
VIEW_FRAMES = """() => {
    PW.transport.setPlaying(false);
    const p = PW.detail.pattern(), copies = PW.stagger.copies(), frames = 300;
    const canvas = PW.canvas(900, 260), ctx = canvas.getContext("2d");
    const views = [];
    for (let i = 0; i < copies; i++) views.push(PW.view(i * 13, 100, 40, 40, p.components, 1));
    function perFrame(draw) {
        const started = performance.now();
        for (let k = 0; k < frames; k++) draw(k * 0.37);
        return (performance.now() - started) / frames;
    }
    const markers = pip => {
        PW.clear(canvas);
        views.forEach((v, i) => PW.drawMarker(ctx, v, p, pip - 4 * i, { radius: 3.5, trail: 16 }));
    };
    perFrame(markers);
    return [perFrame(markers), perFrame(pip => PW.detail.animate(pip))];
}"""


def page_figures(chromium, page_file, runs):
    from playwright.sync_api import sync_playwright

    blank = os.path.join(os.path.dirname(page_file), "blank.html")
    with open(blank, "w") as stream:
        stream.write("<!doctype html><title>blank</title><script>"
                     "requestAnimationFrame(() => document.documentElement.dataset.state = 'ready')"
                     "</script>")
    figures = {}
    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=chromium)

        def open_page(path):
            page = browser.new_page(viewport={"width": 1920, "height": 1080})
            errors = []
            page.on("console", lambda m: errors.append(m.text) if m.type == "error" else None)
            page.on("pageerror", lambda e: errors.append(str(e)))
            started = time.perf_counter()
            page.goto("file://" + path)
            page.wait_for_selector("html[data-state=ready]", state="attached", timeout=30000)
            wall = time.perf_counter() - started
            if errors:
                raise RuntimeError("page errors: %s" % errors)
            return page, wall

        blank_times, ready_times, in_page = [], [], []
        for _ in range(runs):
            page, wall = open_page(blank)
            blank_times.append(wall)
            page.close()
            page, wall = open_page(page_file)
            ready_times.append(wall)
            in_page.append(float(page.evaluate("document.documentElement.dataset.readyMs")) / 1000)
            page.close()
        figures["blank"] = min(blank_times)
        figures["ready"] = min(ready_times)
        figures["ready_median"] = statistics.median(ready_times)
        figures["ready_in_page"] = min(in_page)

        page, _wall = open_page(page_file)
        frames = page.evaluate("""() => new Promise(resolve => {
            const deltas = []; let last = null; const end = performance.now() + 3000;
            function step(now) {
                if (last !== null) deltas.push(now - last);
                last = now;
                if (now < end) requestAnimationFrame(step); else resolve(deltas);
            }
            requestAnimationFrame(step);
        })""")
        figures["frame_median"] = statistics.median(frames)
        figures["frame_p95"] = sorted(frames)[int(len(frames) * 0.95)]
        figures["cards_live"] = page.evaluate("PW.cards.shownCount()")
        figures["grooves_linked"] = page.evaluate("PW.patterns.filter(p => p.groove).length")
        started = time.perf_counter()
        page.fill("#search", "orbit")
        page.wait_for_function(
            "document.getElementById('count').dataset.shown !== '%d'" % FULL_SIZE)
        figures["search"] = time.perf_counter() - started
        page.close()

        page, _wall = open_page(page_file)
        page.evaluate("location.hash = '#pattern=helix&view=stagger&copies=64'")
        page.wait_for_function("PW.detail.view() === 'stagger'")
        figures["view_frames"] = min((page.evaluate(VIEW_FRAMES) for _ in range(runs)),
                                     key=lambda pair: pair[1])
        page.close()
        browser.close()
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", help="where to write the gallery (default: a temporary folder)")
    parser.add_argument("--runs", type=int, default=3,
                        help="timed runs of each figure (best is kept)")
    parser.add_argument("--no-browser", action="store_true", help="time the writing only")
    parser.add_argument("--chromium",
                        default=os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium"))
    args = parser.parse_args()

    module = pulsework
    real = len(pulsework.catalogue())
    if real < FULL_SIZE:
        module = FilledCatalogue(pulsework, FULL_SIZE)
    folder = args.out or tempfile.mkdtemp(prefix="pulsework-gallery-bench-")
    try:
        sample_s, rows = min(sampling_seconds(module) for _ in range(args.runs))
        written = [None]

        def write_once():
            started = time.perf_counter()
            written[0] = write_gallery(folder, module=module)
            return time.perf_counter() - started

        write_s = best(args.runs, write_once)
        print("pulsework gallery on Python %s" % sys.version.split()[0])
        print("catalogue: %d patterns (%d real%s), %d rows" % (
            written[0].patterns, real,
            ", filled with renamed copies" if real < FULL_SIZE else "", rows))
        print("%-40s %9.2f s" % ("sample every row  [baseline]", sample_s))
        print("%-40s %9.2f s  %5.2fx baseline  (target <= 10 s)" % (
            "write the gallery", write_s, write_s / sample_s))
        print("%-40s %9.1f MB" % ("page size", written[0].size / 1e6))
        if args.no_browser:
            return
        if not os.path.exists(args.chromium):
            print("no Chromium at %s: page figures skipped" % args.chromium)
            return
        figures = page_figures(args.chromium, written[0].path, args.runs)
        print("%-40s %9.3f s" % ("open a blank page  [baseline]", figures["blank"]))
        print("%-40s %9.3f s  %5.1fx baseline  (target <= 2 s; median %.3f s)" % (
            "open the gallery until usable", figures["ready"], figures["ready"] / figures["blank"],
            figures["ready_median"]))
        print("%-40s %9.3f s" % ("  of which inside the page", figures["ready_in_page"]))
        print("%-40s %9.1f ms median, %.1f ms 95th percentile (%d cards drawn)" % (
            "frame interval while animating", figures["frame_median"], figures["frame_p95"],
            figures["cards_live"]))
        print("%-40s %9.3f s" % ("search narrows the list", figures["search"]))
        markers, stagger = figures["view_frames"]
        print("%-40s %9.3f ms" % ("64 markers drawn  [baseline]", markers))
        print("%-40s %9.3f ms %5.2fx baseline" % ("stagger frame, 64 copies", stagger,
                                                  stagger / markers))
        print("%-40s %9d" % ("groove patterns linked to a programme", figures["grooves_linked"]))
    finally:
        if not args.out:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()

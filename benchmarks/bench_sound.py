"""How closely the gallery's sound keeps to its programmes and to the markers.

    python benchmarks/bench_sound.py [--chromium PATH] [--seconds S]

Two figures, each beside a baseline measured in the same run:

- Onsets: every groove's first bar is rendered offline (OfflineAudioContext)
  by the page's own scheduling code at three tempi; each kick and snare of
  the programme (velocity 0.5 and more) is matched to the nearest onset of
  the rendered sound. Baseline: one millisecond, the envelope's resolution.
- Marker to sound: a groove plays in the live page while the tempo changes
  twice; for every hit scheduled, the beat the marker shows at the audio
  time of that hit is compared with the hit's own beat. Baseline: half the
  frame interval, the nearest a marker drawn once per frame can get.
"""
import argparse
import json
import math
import os
import shutil
import statistics
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "python"))

from pulsework_gallery import drum_programmes, write_gallery  # noqa: E402
from measure import onsets  # noqa: E402

RENDER = """async ({name, bpm}) => {  // the first bar
    const programme = PW.grooves[name], rate = 48000, start = 0.05, beats = 4;
    const length = Math.ceil(rate * (start + beats * 60 / bpm + 0.3));
    const ctx = new OfflineAudioContext(1, length, rate);
    PW.audio.schedule(ctx, ctx.destination, programme, 0, beats, b => start + b * 60 / bpm);
    const data = (await ctx.startRendering()).getChannelData(0);
    const envelope = [];
    for (let i = 0; i + 48 <= data.length; i += 48) {
        let peak = 0;
        for (let j = i; j < i + 48; j++) peak = Math.max(peak, Math.abs(data[j]));
        envelope.push(peak);
    }
    return {start: start * 1000, envelope: envelope};
}"""

# Frames while a groove plays: [heard audio time, marker beat, frame time].
RECORD = """seconds => new Promise(resolve => {
    const frames = [], end = performance.now() + seconds * 1000;
    const changes = [[0.35, 97], [0.7, 151]];
    function step(now) {
        frames.push([PW.clock.last, PW.clock.beats, now]);
        const done = (now - (end - seconds * 1000)) / (seconds * 1000);
        while (changes.length && done >= changes[0][0]) {
            PW.transport.setTempo(changes.shift()[1], false);
        }
        if (now < end) requestAnimationFrame(step);
        else resolve({frames: frames, hits: PW.sound.scheduledItems().map(i => [i.beat, i.time])});
    }
    requestAnimationFrame(step);
})"""


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * fraction))]


def onset_errors(page, programmes, tempi):
    errors = []
    for groove in programmes["grooves"]:
        for bpm in tempi:
            rendered = page.evaluate(RENDER, {"name": groove["name"], "bpm": bpm})
            found = [ms - rendered["start"] for ms, _strength in onsets(rendered["envelope"], 0.03)]
            ms_per_pip = 60000 / bpm / programmes["pips_per_beat"]
            for event in groove["events"]:
                if event["lane"] in ("kick", "snare") and event["velocity"] >= 0.5 \
                        and event["pip"] < 4 * programmes["pips_per_beat"]:
                    want = event["pip"] * ms_per_pip
                    errors.append(min(abs(got - want) for got in found))
    return errors


def marker_errors(page, seconds):
    page.click("button.sound")
    page.wait_for_function("PW.sound.stats().scheduled > 0")
    recorded = page.evaluate(RECORD, seconds)
    frames = [f for f in recorded["frames"] if f[0] is not None]
    errors, nearest = [], []
    for beat, time in recorded["hits"]:
        after = next((i for i, f in enumerate(frames) if f[0] >= time), None)
        if not after:
            continue
        (t0, b0, _), (t1, b1, _) = frames[after - 1], frames[after]
        if t1 - t0 > 0.1:
            continue
        shown = b0 + (b1 - b0) * (time - t0) / (t1 - t0)
        seconds_per_beat = (t1 - t0) / (b1 - b0) if b1 > b0 else 0
        errors.append(abs(shown - beat) * seconds_per_beat * 1000)
        nearest.append(min(abs(t0 - time), abs(t1 - time)) * 1000)
    intervals = [b[2] - a[2] for a, b in zip(frames, frames[1:])]
    return errors, nearest, statistics.median(intervals)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--chromium",
                        default=os.environ.get("PULSEWORK_CHROMIUM", "/usr/bin/chromium"))
    parser.add_argument("--seconds", type=float, default=6.0, help="how long the live groove plays")
    args = parser.parse_args()
    from playwright.sync_api import sync_playwright

    programmes = drum_programmes()
    folder = tempfile.mkdtemp(prefix="pulsework-sound-bench-")
    try:
        rows = [[0.0, round(0.8 * math.sin(2 * math.pi * pip / 512), 6), 0.0] for pip in range(512)]
        library = os.path.join(folder, "library.json")
        with open(library, "w") as stream:
            json.dump([{"name": "beat_house_classic_bench", "description": "Bench",
                        "samples": rows}], stream)
        written = write_gallery(os.path.join(folder, "g"), library=library)
        with sync_playwright() as playwright:
            browser = playwright.chromium.launch(executable_path=args.chromium)
            page = browser.new_page()
            page.goto(written.url)
            page.wait_for_selector("html[data-state=ready]", state="attached")
            tempi = (90, 120, 174)
            onset = onset_errors(page, programmes, tempi)
            page.select_option("#filter-group", "library")
            marker, nearest, frame = marker_errors(page, args.seconds)
            browser.close()
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    print("gallery sound, %d grooves at %s BPM offline; %.0f s live at 120, 97 and 151 BPM"
          % (len(programmes["grooves"]), ", ".join(map(str, tempi)), args.seconds))
    print("%-44s %7.2f ms" % ("envelope resolution  [baseline]", 1.0))
    print("%-44s %7.2f ms mean, %.2f ms 95th percentile, %.2f ms max; %d of %d within 5 ms" % (
        "kick and snare onset to programme time", statistics.mean(onset), percentile(onset, 0.95),
        max(onset), sum(e <= 5 for e in onset), len(onset)))
    print("%-44s %7.2f ms" % ("half a frame interval  [baseline]", frame / 2))
    print("%-44s %7.3f ms mean, %.3f ms max  (%d hits)" % (
        "marker beat at each hit's audio time", statistics.mean(marker), max(marker), len(marker)))
    print("%-44s %7.2f ms median, %.2f ms max" % (
        "nearest frame to each hit", statistics.median(nearest), max(nearest)))


if __name__ == "__main__":
    main()

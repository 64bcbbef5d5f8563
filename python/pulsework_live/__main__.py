"""Command line: pulsework-live RIG.toml, until q or Ctrl-C."""
import argparse
import dataclasses
import importlib.util
import signal
import sys
import time

from pulsework_motion.clock import MAX_BPM, MIN_BPM

PROGRAM = "pulsework-live"
VIEW_SECONDS = 0.2
# What the live extra installs, by the name each is imported under.
LIVE_MODULES = ("rich", "stupidArtnet", "sacn", "pythonosc") + (
    ("tomli",) if sys.version_info < (3, 11) else ())


class LiveError(Exception):
    """A show that cannot start; the message says why."""


def _number(low, high, what):
    def convert(text):
        try:
            value = float(text)
        except ValueError:
            raise argparse.ArgumentTypeError("not a number: %r" % text) from None
        if not low <= value <= high:
            raise argparse.ArgumentTypeError("%s must be from %g to %g" % (what, low, high))
        return value
    return convert


def parser():
    p = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Move a rig of lights or visuals with pulsework patterns, in time with the "
                    "music: Art-Net, sACN or OSC, at a fixed or tapped tempo, from MIDI clock "
                    "or from Ableton Link.")
    p.add_argument("rig", metavar="RIG.toml", help="the rig file")
    p.add_argument("--library", metavar="FILE",
                   help="also offer the user patterns of this JSON or CSV file to the groups")
    p.add_argument("--bpm", type=_number(MIN_BPM, MAX_BPM, "the tempo"),
                   help="the starting tempo, instead of the rig's")
    p.add_argument("--fps", type=_number(1, 240, "the frame rate"),
                   help="frames per second, instead of the rig's (default 44)")
    p.add_argument("--tempo", choices=("fixed", "midi", "link", "audio"),
                   help="where the tempo comes from, instead of the rig's (audio: the beats "
                        "heard on an audio input; needs the music extra)")
    p.add_argument("--input", metavar="DEVICE",
                   help="with --tempo audio, the audio input to listen to (part of its name, or "
                        "its number; default: the system's)")
    p.add_argument("--song", metavar="SONG",
                   help="play this audio file and follow its beat map (SONG.beats.json, or "
                        "--beats, else an analysis of the song); stops at its end")
    p.add_argument("--beats", metavar="FILE", help="with --song, the song's beat map")
    p.add_argument("--midi-port", metavar="NAME",
                   help="the MIDI input to follow (part of its name)")
    p.add_argument("--duration", type=_number(0, 1e9, "the duration"), metavar="SECONDS",
                   help="stop after this many seconds")
    p.add_argument("--no-view", action="store_true",
                   help="no live view: print a line when it starts and when it stops")
    p.add_argument("--check", action="store_true",
                   help="check the rig file, say what it drives, and send nothing")
    return p


def patterns(library_path):
    """(catalogue, sample): the module's, or a library's over the defaults."""
    import pulsework

    if not library_path:
        return pulsework.catalogue(), pulsework.sample
    from pulsework_motion import PatternFileError, load_patterns

    try:
        library = load_patterns(library_path)
    except PatternFileError as error:
        raise LiveError(str(error)) from None
    return library.catalogue(), library.sample


def missing_modules():
    """The modules of the live extra that cannot be imported here."""
    return [name for name in LIVE_MODULES if importlib.util.find_spec(name) is None]


def apply_options(rig, args):
    tempo = rig.tempo
    if args.tempo:
        tempo = dataclasses.replace(tempo, source=args.tempo)
    if args.bpm is not None:
        tempo = dataclasses.replace(tempo, bpm=args.bpm)
    if args.midi_port is not None:
        tempo = dataclasses.replace(tempo, midi_port=args.midi_port)
    fps = args.fps if args.fps is not None else rig.fps
    return dataclasses.replace(rig, tempo=tempo, fps=fps)


def make_clock(tempo, now, audio_input=None):
    """(clock, closer, label of the MIDI port or audio input)."""
    from pulsework_motion import LinkClock, MidiClock, TempoClock

    if tempo.source == "audio":
        from .audio import listen

        clock, _listener, close = listen(audio_input)
        return clock, close, audio_input or "default input"
    if tempo.source == "fixed":
        return TempoClock(tempo.bpm, now), None, ""
    if tempo.source == "link":
        try:
            clock = LinkClock(tempo.bpm)
        except ImportError:
            raise LiveError('Ableton Link needs aalink: python -m pip install "pulsework[link]"'
                            ) from None
        return clock, clock.close, ""
    clock = MidiClock()
    port = open_midi_input(tempo, lambda message: clock.feed(message, time.monotonic()))
    return clock, port.close, port.name


def open_midi_input(tempo, callback):
    try:
        import mido
        names = mido.get_input_names()
    except ImportError as error:
        raise LiveError("MIDI clock needs mido and python-rtmidi (%s): "
                        'python -m pip install "pulsework[live]" python-rtmidi' % error) from None
    except Exception as error:  # the MIDI system itself refused (rtmidi's own error types)
        raise LiveError("no MIDI system to read clock from: %s" % error) from None
    if tempo.midi_virtual:
        try:
            return mido.open_input(PROGRAM, virtual=True, callback=callback)
        except Exception as error:
            raise LiveError("cannot open a virtual MIDI input: %s" % error) from None
    wanted = tempo.midi_port.lower()
    matches = [name for name in names if wanted in name.lower()]
    if not matches:
        available = ", ".join('"%s"' % name for name in names) or "none"
        raise LiveError("no MIDI input%s (inputs: %s)"
                        % (' named like "%s"' % tempo.midi_port if wanted else "", available))
    return mido.open_input(matches[0], callback=callback)


def describe(rig):
    lines = ["%s: %d group%s, %d fixture%s at %g fps; tempo %s%s; on exit, %s"
             % (rig.path, len(rig.groups), "s" if len(rig.groups) != 1 else "",
                sum(g.fixtures for g in rig.groups),
                "s" if sum(g.fixtures for g in rig.groups) != 1 else "", rig.fps,
                rig.tempo.source, " %g BPM" % rig.tempo.bpm if rig.tempo.source != "midi" else "",
                rig.on_exit)]
    for group in rig.groups:
        output = rig.output(group.output)
        if group.is_dmx:
            last = group.address + group.fixtures * group.footprint - 1
            where = "universe %d, channels %d-%d" % (group.universe, group.address, last)
        else:
            where = "%d OSC address%s a fixture" % (
                len(group.channels) + bool(group.osc_xyz),
                "es" if len(group.channels) + bool(group.osc_xyz) != 1 else "")
        lines.append("  %s: %s x%d -> %s (%s), %s"
                     % (group.name, group.pattern, group.fixtures, output.name, output.protocol,
                        where))
    return "\n".join(lines)


def main(argv=None):
    args = parser().parse_args(argv)
    missing = missing_modules()
    if missing:
        print('%s: error: needs the live extra (%s missing): python -m pip install "pulsework[live]"'
              % (PROGRAM, ", ".join(missing)), file=sys.stderr)
        return 1
    from .rig import RigError, load_rig

    try:
        catalogue, sample = patterns(args.library)
        rig = apply_options(load_rig(args.rig, catalogue), args)
    except (RigError, LiveError) as error:
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1
    if args.check:
        print(describe(rig))
        return 0
    return run(rig, sample, args)


def run(rig, sample, args):
    from .audio import AudioError
    from .show import Show

    closers = []
    player = None
    try:
        if args.song:
            from .audio import song_player

            player = song_player(args.song, args.beats)
            clock, midi_port = player.clock, args.song
            closers.append(player.close)
            if args.duration is None:
                args.duration = player.seconds
        else:
            clock, closer, midi_port = make_clock(rig.tempo, time.monotonic(), args.input)
            if closer:
                closers.append(closer)
        show = Show(rig, clock, sample)
    except (LiveError, AudioError, OSError) as error:
        for closer in closers:
            closer()
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1

    def terminate(_signum, _frame):
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGTERM, terminate)
    started = time.monotonic()
    try:
        if player is not None:
            player.start()
        show.start()
        if args.no_view or not sys.stdout.isatty():
            print("%s: %s running; Ctrl-C stops" % (PROGRAM, rig.path), flush=True)
            _wait(show, args.duration, started)
        else:
            _live_view(show, args.duration, started, midi_port)
    except KeyboardInterrupt:
        pass
    finally:
        signal.signal(signal.SIGTERM, previous)
        show.close()
        for closer in closers:
            closer()
    seconds = time.monotonic() - started
    stats = show.stats
    print("%s: sent %d frames in %.1f s (%d late, %d skipped); %s on exit"
          % (PROGRAM, stats.frames, seconds, stats.late, stats.skipped, rig.on_exit))
    failing = [(name, sender) for name, sender in show.senders.items() if sender.failures]
    for name, sender in failing:
        print("%s: output %s: %d sends failed, the last: %s"
              % (PROGRAM, name, sender.failures, sender.last_error), file=sys.stderr)
    return 1 if failing else 0


def _wait(show, duration, started):
    while show.running:
        if duration is not None and time.monotonic() - started >= duration:
            return
        time.sleep(0.05)


def _live_view(show, duration, started, midi_port):
    from rich.live import Live

    from .view import Controls, Keys, render

    controls = Controls(show)
    # The view is drawn from this thread only, a few times a second; the
    # frame thread waits at most a millisecond for the interpreter.
    sys.setswitchinterval(0.001)
    with Keys() as keys, Live(render(show, time.monotonic(), controls, midi_port),
                              auto_refresh=False, transient=False) as live:
        while show.running:
            now = time.monotonic()
            if duration is not None and now - started >= duration:
                return
            for key in keys.read(VIEW_SECONDS):
                if not controls.key(key, time.monotonic()):
                    return
            live.update(render(show, time.monotonic(), controls, midi_port), refresh=True)


if __name__ == "__main__":
    sys.exit(main())

"""Command line: pulsework-live RIG.toml, until q or Ctrl-C."""
import argparse
import contextlib
import dataclasses
import importlib.util
import os
import signal
import sys
import time

from pulsework_motion.clock import MAX_BPM, MIN_BPM

PROGRAM = "pulsework-live"
VIEW_SECONDS = 0.2
REMOTE_PORT = 8080
# What the live extra installs, by the name each is imported under.
LIVE_MODULES = ("rich", "stupidArtnet", "sacn", "pythonosc", "websockets") + (
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


def _listen(text):
    """[HOST:]PORT, on 127.0.0.1 unless a host is given: (host, port)."""
    host, _, port = text.rpartition(":")
    host = host.strip("[]") or "127.0.0.1"
    if not port.isdigit() or not 0 <= int(port) <= 65535:
        raise argparse.ArgumentTypeError("must be a port from 0 to 65535, or HOST:PORT, "
                                         "found %r" % text)
    return host, int(port)


def _port(text):
    if not text.isdigit() or not 0 <= int(text) <= 65535:
        raise argparse.ArgumentTypeError("must be a port from 0 to 65535, found %r" % text)
    return int(text)


def parser():
    p = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Move a rig of lights or visuals with pulsework patterns, in time with the "
                    "music: Art-Net, sACN or OSC, at a fixed or tapped tempo, from MIDI clock, "
                    "Ableton Link, the beats heard on an audio input, or a song's beat map.")
    p.add_argument("rig", metavar="RIG.toml", help="the rig file")
    p.add_argument("--library", metavar="FILE",
                   help="also offer the user patterns of this JSON or CSV file to the groups")
    p.add_argument("--scene", metavar="FILE.mvr",
                   help="an MVR scene whose fixtures the rig's groups select (select = {...})")
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
    p.add_argument("--osc-in", type=_listen, metavar="[HOST:]PORT",
                   help="take /pulsework/cue, tap, tempo, size, speed and blackout over OSC "
                        "on this port (of 127.0.0.1 unless a host is given)")
    p.add_argument("--remote", type=_port, nargs="?", const=REMOTE_PORT, metavar="PORT",
                   help="serve the web remote on this port (default %d)" % REMOTE_PORT)
    p.add_argument("--remote-host", default="127.0.0.1", metavar="HOST",
                   help="the interface the remote listens on (default 127.0.0.1, this machine "
                        "alone; 0.0.0.0 for every interface)")
    p.add_argument("--remote-pin", default="", metavar="PIN",
                   help="the PIN the remote's page must give (at least 4 characters)")
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
    port = open_midi_input(tempo.midi_port, tempo.midi_virtual,
                           lambda message: clock.feed(message, time.monotonic()))
    return clock, port.close, port.name


@contextlib.contextmanager
def quiet_c_stderr():
    """File descriptor 2 to /dev/null for the while: the ALSA library that
    python-rtmidi loads prints its own error line there before rtmidi raises
    the error that this program reports cleanly."""
    sys.stderr.flush()
    try:
        saved = os.dup(2)
    except OSError:
        yield
        return
    try:
        with open(os.devnull, "wb") as null:
            os.dup2(null.fileno(), 2)
        yield
    finally:
        os.dup2(saved, 2)
        os.close(saved)


def open_midi_input(port, virtual, callback, what="clock", name=PROGRAM):
    """A mido input (part of its name, or a virtual input `name`) that calls
    `callback` with each message; `what` it is for, in messages."""
    with quiet_c_stderr():
        return _open_midi_input(port, virtual, callback, what, name)


def _open_midi_input(port, virtual, callback, what, name):
    try:
        import mido
        names = mido.get_input_names()
    except ImportError as error:
        raise LiveError("MIDI %s needs mido and python-rtmidi (%s): "
                        'python -m pip install "pulsework[live]" python-rtmidi'
                        % (what, error)) from None
    except Exception as error:  # the MIDI system itself refused (rtmidi's own error types)
        raise LiveError("no MIDI system to read %s from: %s" % (what, error)) from None
    if virtual:
        try:
            return mido.open_input(name, virtual=True, callback=callback)
        except Exception as error:
            raise LiveError("cannot open a virtual MIDI input: %s" % error) from None
    wanted = port.lower()
    matches = [name for name in names if wanted in name.lower()]
    if not matches:
        available = ", ".join('"%s"' % name for name in names) or "none"
        raise LiveError("no MIDI input%s (inputs: %s)"
                        % (' named like "%s"' % port if wanted else "", available))
    try:
        return mido.open_input(matches[0], callback=callback)
    except Exception as error:  # rtmidi's own error types
        raise LiveError("cannot open MIDI input %s: %s" % (matches[0], error)) from None


def describe(rig, sample=None):
    lines = ["%s: %d group%s, %d fixture%s at %g fps; tempo %s%s; on exit, %s"
             % (rig.path, len(rig.groups), "s" if len(rig.groups) != 1 else "",
                sum(g.fixtures for g in rig.groups),
                "s" if sum(g.fixtures for g in rig.groups) != 1 else "", rig.fps,
                rig.tempo.source, " %g BPM" % rig.tempo.bpm if rig.tempo.source != "midi" else "",
                rig.on_exit)]
    for group in rig.groups:
        output = rig.output(group.output)
        if group.from_scene:
            where = _scene_channels(group)
        elif group.is_dmx:
            last = group.address + group.fixtures * group.footprint - 1
            where = "universe %d, channels %d-%d" % (group.universe, group.address, last)
        else:
            where = "%d OSC address%s a fixture" % (
                len(group.channels) + bool(group.osc_xyz),
                "es" if len(group.channels) + bool(group.osc_xyz) != 1 else "")
        lines.append("  %s: %s x%d -> %s (%s), %s"
                     % (group.name, group.pattern, group.fixtures, output.name, output.protocol,
                        where))
        if group.degrees:
            lines.extend("    " + line for line in describe_fixtures(group, rig, sample))
    from .control import describe_midi
    from .cues import describe_cues

    lines += describe_cues(rig) + describe_midi(rig)
    return "\n".join(lines)


def _scene_channels(group):
    """The channels that a group of fixtures from a scene drives, by universe."""
    spans = {}
    for patch in group.patches:
        last = patch.address + max(max(c.channel, c.fine) for c in patch.channels) - 1
        low, high = spans.get(patch.universe, (patch.address, last))
        spans[patch.universe] = (min(low, patch.address), max(high, last))
    return "; ".join("universe %d, channels %d-%d" % (universe, low, high)
                     for universe, (low, high) in sorted(spans.items()))


def describe_fixtures(group, rig, sample):
    """What a group of GDTF fixtures aims at, how fast they may move, and how
    much of the pattern that clips at the rig's tempo."""
    from .limit import group_clipping

    shaping = group.shaping
    aim = ", ".join("%s %g° ± %g°" % (role, shaping.centre[axis], shaping.size[axis])
                    for axis, role in enumerate(("pan", "tilt"))
                    if any(c.axis == axis for c in group.channels))
    yield "%s; %s" % (group.fixture_type, aim)
    limits = sorted({patch.limits for patch in group.patches}, key=str)
    for limit in limits:
        said = ", ".join("%s %s" % (role, _limit_text(limit[axis]))
                         for axis, role in enumerate(("pan", "tilt")) if limit[axis])
        if said:
            yield "limits: " + said
    if group.limited:
        yield "at %g BPM: %s" % (rig.tempo.bpm, group_clipping(group, rig.tempo.bpm, rig.fps,
                                                                 sample))


def _limit_text(limit):
    speed = "%g°/s" % round(limit.speed, 1) if limit.speed != float("inf") else "any speed"
    return speed + (", %g°/s²" % round(limit.acceleration) if limit.acceleration else "")


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
        rig = apply_options(load_rig(args.rig, catalogue, scene=args.scene), args)
    except (RigError, LiveError) as error:
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1
    for warning in rig.warnings:
        print("%s: warning: %s" % (PROGRAM, warning), file=sys.stderr)
    if args.remote_pin and len(args.remote_pin) < 4:
        print("%s: error: the remote's PIN must have at least 4 characters" % PROGRAM,
              file=sys.stderr)
        return 1
    if args.check:
        print(describe(rig, sample))
        return 0
    return run(rig, sample, args)


def run(rig, sample, args):
    from . import control
    from .audio import AudioError
    from .show import Show

    closers = []
    player = None
    show = None
    remote = (args.remote_host, args.remote, args.remote_pin) if args.remote is not None else None
    try:
        if args.song:
            from .audio import song_player

            player = song_player(args.song, args.beats)
            clock, midi_port = player.clock, args.song
            closers.append(player.close)
            if args.duration is None:
                args.duration = player.seconds
        else:
            clock, closer, midi_port = make_clock(rig.tempo, time.monotonic(),
                                                  args.input or rig.tempo.audio_input or None)
            if closer:
                closers.append(closer)
        show = Show(rig, clock, sample)
        # Played live: cues, the masters, a MIDI controller, OSC in, the remote.
        commands, inputs, listening = control.start(show, sample, _open_controller,
                                                    args.osc_in, remote)
    except (LiveError, AudioError, OSError) as error:
        if show is not None:
            show.close()
        for closer in closers:
            closer()
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1
    for line in listening:
        print("%s: %s" % (PROGRAM, line), flush=True)

    stop = StopSignals()
    started = time.monotonic()
    try:
        with stop:
            try:
                if player is not None:
                    player.start()
                show.start()
                if args.no_view or not sys.stdout.isatty():
                    print("%s: %s running; Ctrl-C stops" % (PROGRAM, rig.path), flush=True)
                    _wait(show, args.duration, started, stop, commands)
                else:
                    _live_view(show, args.duration, started, midi_port, stop, commands)
            except Exception:
                # A closed terminal (SIGHUP) takes the view with it; the show
                # still ends as it should.
                if not stop.signals:
                    raise
            finally:
                show.close()
                for closer in list(reversed(inputs)) + closers:
                    closer()
            return _summary(show, rig, time.monotonic() - started)
    except OSError:
        if not stop.signals:
            raise
        return 0


class StopSignals:
    """SIGINT (Ctrl-C), SIGTERM and SIGHUP (a closed terminal or SSH
    session) while the show runs: the first asks it to stop; any more, however
    close together, are only noted, so that nothing cuts short the exit frames
    (blackout or home)."""

    NAMES = ("SIGINT", "SIGTERM", "SIGHUP")

    def __init__(self):
        self.signals = []
        self._previous = {}

    def _note(self, signum, _frame):
        self.signals.append(signum)

    def __enter__(self):
        for name in self.NAMES:
            if hasattr(signal, name):
                number = getattr(signal, name)
                self._previous[number] = signal.signal(number, self._note)
        return self

    def __exit__(self, *_exc):
        for number, handler in self._previous.items():
            signal.signal(number, handler)


def _summary(show, rig, seconds):
    stats = show.stats
    print("%s: sent %d frames in %.1f s (%d late, %d skipped); %s on exit"
          % (PROGRAM, stats.frames, seconds, stats.late, stats.skipped, rig.on_exit))
    failing = [(name, sender) for name, sender in show.senders.items() if sender.failures]
    for name, sender in failing:
        print("%s: output %s: %d sends failed, the last: %s"
              % (PROGRAM, name, sender.failures, sender.last_error), file=sys.stderr)
    return 1 if failing else 0


def _open_controller(port, virtual, callback):
    return open_midi_input(port, virtual, callback, "control", PROGRAM + " control")


def _wait(show, duration, started, stop, commands):
    said = commands.count
    while show.running and not stop.signals:
        if duration is not None and time.monotonic() - started >= duration:
            return
        time.sleep(0.05)
        if commands.count != said:   # what the controls did, a line each
            said = commands.count
            print("%s: %s" % (PROGRAM, commands.message), flush=True)


def _live_view(show, duration, started, midi_port, stop, commands):
    from rich.live import Live

    from .view import Controls, Keys, render

    controls = Controls(show, commands)
    # The view is drawn from this thread only, a few times a second; the
    # frame thread waits at most a millisecond for the interpreter.
    sys.setswitchinterval(0.001)
    with Keys() as keys, Live(render(show, time.monotonic(), controls, midi_port),
                              auto_refresh=False, transient=False) as live:
        while show.running and not stop.signals:
            now = time.monotonic()
            if duration is not None and now - started >= duration:
                return
            for key in keys.read(VIEW_SECONDS):
                if not controls.key(key, time.monotonic()):
                    return
            live.update(render(show, time.monotonic(), controls, midi_port), refresh=True)


if __name__ == "__main__":
    sys.exit(main())

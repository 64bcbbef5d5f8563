"""The live terminal view (rich) and its keys.

The view shows the tempo and where it comes from, the bar and beat, each
group's pattern and where it is in its cycle, the frame rate, late frames
and timing, and each output's state. Keys: space or t taps the tempo, + and
- change it by one BPM, p pauses and resumes, the left and right arrows (or
, and .) nudge the show back or on by two pips, and q quits.
"""
import os
import select
import sys

from pulsework_motion import PIPS_PER_BEAT, LinkClock, MidiClock, TempoClock

NUDGE_PIPS = 2
BEATS_PER_BAR = 4
KEY_HELP = "space/t tap · +/- tempo · p pause · ←/→ nudge · q quit"


class Controls:
    """What the keys do to the show's clock; a word on what happened."""

    def __init__(self, show):
        self.show = show
        self.message = ""

    def key(self, key, now):
        """Act on one key; False when it asks to quit."""
        clock = self.show.clock
        if key in ("q", "Q", "\x03"):
            return False
        if key in (" ", "t", "T"):
            if clock.tap(now):
                self.message = "tap: %.1f BPM" % clock.bpm
            else:
                self.message = "the tempo follows %s; taps are not taken" % _source_name(clock)
        elif key in ("+", "=", "-", "_"):
            if isinstance(clock, (TempoClock, LinkClock)):
                clock.set_bpm(round(clock.bpm) + (1 if key in "+=" else -1), now)
                self.message = "tempo: %.1f BPM" % clock.bpm
            else:
                self.message = "the tempo follows %s" % _source_name(clock)
        elif key in ("p", "P"):
            clock.toggle_pause(now)
            self.message = "paused" if clock.paused else "playing"
        elif key in ("left", ",", "<", "right", ".", ">"):
            pips = NUDGE_PIPS if key in ("right", ".", ">") else -NUDGE_PIPS
            clock.nudge(pips, now)
            self.message = "nudged %+d pips" % pips
        return True


def _source_name(clock):
    return {"midi": "MIDI clock", "link": "Ableton Link"}.get(clock.source, clock.source)


def tempo_line(clock, now, midi_port=""):
    bpm = clock.bpm
    tempo = "%.1f BPM" % bpm if bpm else "-- BPM"
    if isinstance(clock, MidiClock):
        state = "receiving" if clock.receiving(now) else "waiting for clock"
        source = "MIDI clock%s, %s, %s" % (" from " + midi_port if midi_port else "", state,
                                           "running" if clock.running else "stopped")
    elif isinstance(clock, LinkClock):
        peers = clock.peers
        source = "Ableton Link, %d peer%s" % (peers, "" if peers == 1 else "s")
    elif clock.source == "audio":
        # pulsework_music's AudioClock: how sure the tracker is of the beat.
        source = "audio from %s, %s, confidence %.0f %%" % (
            midi_port or "default input", clock.state(now), clock.confidence * 100)
    elif clock.source == "beat map":
        seconds = clock.song_seconds(now)
        source = "song %s%s" % (midi_port, " at %d:%04.1f" % divmod(seconds, 60)
                                if seconds is not None else ", starting")
    else:
        source = clock.source
    return tempo, source


def position_text(pip):
    if pip is None:
        return "--"
    beat = pip // PIPS_PER_BEAT
    return "bar %d  beat %d  (pip %d)" % (beat // BEATS_PER_BAR + 1, beat % BEATS_PER_BAR + 1, pip)


def _speed_text(speed):
    if speed.denominator == 1:
        return "%d×" % speed.numerator
    return "%d/%d×" % (speed.numerator, speed.denominator)


def _phase_bar(fraction, width=10):
    filled = int(fraction * width + 0.5)
    return "█" * filled + "·" * (width - filled)


def render(show, now, controls=None, midi_port=""):
    """The view as one rich renderable."""
    from rich.console import Group
    from rich.table import Table
    from rich.text import Text

    clock = show.clock
    pip = show.pip
    tempo, source = tempo_line(clock, now, midi_port)
    fps, mean_late, worst_late, cpu = show.stats.figures()
    head = Table.grid(padding=(0, 2))
    head.add_column(style="bold")
    head.add_column()
    head.add_row("pulsework-live", Text(show.rig.path, style="dim"))
    state = Text("paused", style="bold yellow") if clock.paused else Text("playing", style="green")
    if clock.nudged:
        state.append("  nudged %+g pips" % clock.nudged, style="cyan")
    head.add_row("tempo", Text.assemble((tempo, "bold"), "  " + source + "  ", state))
    head.add_row("position", position_text(pip))
    head.add_row("frames", "%.1f fps of %g · late %d · skipped %d · jitter %.1f ms mean, "
                 "%.1f ms worst · CPU %.0f %% of a core"
                 % (fps, show.rig.fps, show.stats.late, show.stats.skipped, mean_late * 1000,
                    worst_late * 1000, cpu * 100))
    groups = Table(title="groups", title_justify="left", expand=False)
    for column in ("group", "pattern", "fixtures", "speed", "spread", "phase", "output"):
        groups.add_column(column, justify="right" if column in ("fixtures", "speed", "spread")
                          else "left")
    for writer in show.writers:
        group = writer.group
        shaping = group.shaping
        flags = "".join(" " + word for word, on in (
            ("rev", shaping.reverse), ("wings", shaping.wings), ("ping-pong", shaping.pingpong),
            ("blocks %d" % shaping.blocks, shaping.blocks > 1)) if on)
        phase = ""
        if pip is not None:
            fraction = writer.motion.pattern_pips(pip)[0] / group.period
            phase = "%s %3.0f %%" % (_phase_bar(fraction), fraction * 100)
        where = group.output + (" u%d" % group.universe if group.is_dmx else "")
        groups.add_row(group.name, group.pattern, str(group.fixtures), _speed_text(group.speed),
                       "%g°%s" % (float(group.spread), flags), phase, where)
    outputs = Table(title="outputs", title_justify="left")
    for column in ("output", "sends to", "universes", "packets", "state"):
        outputs.add_column(column, justify="right" if column == "packets" else "left")
    for name, sender in show.senders.items():
        state = sender.state
        outputs.add_row(name, "%s %s" % (sender.label, sender.target),
                        ", ".join(str(u) for u in sender.universes) or "-", str(sender.packets),
                        Text(state, style="bold red" if sender.failing else "green"))
    footer = Text(KEY_HELP, style="dim")
    if controls is not None and controls.message:
        footer = Text.assemble((controls.message, "cyan"), "   ", footer)
    return Group(head, groups, outputs, footer)


class Keys:
    """Single key presses from the terminal, without waiting for Enter."""

    def __init__(self, stream=None):
        self.stream = stream or sys.stdin
        self._saved = None
        self._windows = os.name == "nt"

    def __enter__(self):
        if not self._windows and self.stream.isatty():
            import termios
            import tty

            fd = self.stream.fileno()
            self._saved = termios.tcgetattr(fd)
            tty.setcbreak(fd)
        return self

    def __exit__(self, *exc):
        if self._saved is not None:
            import termios

            termios.tcsetattr(self.stream.fileno(), termios.TCSADRAIN, self._saved)
            self._saved = None

    def read(self, timeout):
        """The keys pressed within `timeout` seconds ("left", "right" for the
        arrows), possibly none."""
        if self._windows:
            return self._read_windows(timeout)
        if self._saved is None:
            select.select([], [], [], timeout)
            return []
        fd = self.stream.fileno()
        ready, _, _ = select.select([fd], [], [], timeout)
        if not ready:
            return []
        text = os.read(fd, 64).decode("utf-8", "replace")
        return decode_keys(text)

    def _read_windows(self, timeout):
        import msvcrt
        import time

        end = time.monotonic() + timeout
        keys = []
        while time.monotonic() < end and not keys:
            while msvcrt.kbhit():
                key = msvcrt.getwch()
                if key in ("\x00", "\xe0"):
                    key = {"K": "left", "M": "right"}.get(msvcrt.getwch(), "")
                keys.append(key)
            time.sleep(0.02)
        return [key for key in keys if key]


def decode_keys(text):
    keys = []
    index = 0
    while index < len(text):
        if text.startswith("\x1b[D", index) or text.startswith("\x1bOD", index):
            keys.append("left")
            index += 3
        elif text.startswith("\x1b[C", index) or text.startswith("\x1bOC", index):
            keys.append("right")
            index += 3
        elif text[index] == "\x1b":
            # Some other escape sequence (another arrow, a function key): skip it.
            index += 3 if text[index + 1:index + 2] in ("[", "O") else 1
        else:
            keys.append(text[index])
            index += 1
    return keys

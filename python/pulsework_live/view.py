"""The live terminal view (rich) and its keys.

The view shows the tempo and where it comes from, the bar and beat, each
group's pattern and where it is in its cycle, the frame rate, late frames
and timing, the cues (which is playing, which is pending and when) and the
masters, and each output's state. Keys: space or t taps the tempo, + and -
change it by one BPM, p pauses and resumes, the left and right arrows (or ,
and .) nudge the show back or on by two pips, 1 to 9 (and 0 for 10) fire a
cue, b blacks out and back, and q quits. Keys act through the same commands
as MIDI, OSC and the remote (control.Commands).
"""
import os
import select
import sys

from pulsework_motion import PIPS_PER_BEAT, LinkClock, MidiClock
from pulsework_motion.clock import BEATS_PER_BAR

from .control import NUDGE_PIPS, Commands

KEY_HELP = "space/t tap · +/- tempo · p pause · ←/→ nudge · 1-9 cue · b blackout · q quit"


class Controls:
    """What the keys do, through the show's commands; `message` says what
    the last command (from any control) did."""

    def __init__(self, show, commands=None):
        self.show = show
        self.commands = commands or Commands(show)

    @property
    def message(self):
        return self.commands.message

    def key(self, key, now):
        """Act on one key; False when it asks to quit."""
        commands = self.commands
        if key in ("q", "Q", "\x03"):
            return False
        if key in (" ", "t", "T"):
            commands.tap(now=now)
        elif key in ("+", "=", "-", "_"):
            commands.step_tempo(1 if key in "+=" else -1, now=now)
        elif key in ("p", "P"):
            commands.pause(now=now)
        elif key in ("left", ",", "<", "right", ".", ">"):
            commands.nudge(NUDGE_PIPS if key in ("right", ".", ">") else -NUDGE_PIPS, now=now)
        elif key in ("b", "B") and commands.director is not None:
            commands.blackout(not commands.director.blackout, now=now)
        elif len(key) == 1 and key in "0123456789":
            commands.cue(int(key) or 10, now=now)
        return True


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


def _limit_text(follower):
    """How much the speed limit clips over the last two seconds."""
    from rich.text import Text

    if follower is None:
        return "-"
    share = follower.clipped_share
    if not share:
        return Text("follows", style="green")
    return Text("clips %.0f %% · %.0f°" % (share * 100, follower.worst),
                style="yellow" if share < 0.5 else "bold yellow")


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
    limited = any(writer.follower is not None for writer in show.writers)
    columns = ("group", "pattern", "fixtures", "speed", "spread", "phase", "output") + (
        ("limit",) if limited else ())
    for column in columns:
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
        row = [group.name, group.pattern, str(group.fixtures), _speed_text(group.speed),
               ("by position" if group.where else "%g°" % float(group.spread)) + flags, phase,
               where]
        if limited:
            row.append(_limit_text(writer.follower))
        groups.add_row(*row)
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
    if show.director is None:
        return Group(head, groups, outputs, footer)
    return Group(head, groups, cue_table(show.director), outputs, footer)


def cue_table(director):
    """The cues, the one playing and the one pending (and when), and the masters."""
    from rich.table import Table
    from rich.text import Text

    status = director.status()
    table = Table.grid(padding=(0, 2))
    table.add_column(style="bold")
    table.add_column()
    cues = Text()
    for cue in director.cues:
        style = "bold black on green" if cue.number == status["number"] else \
            "bold black on yellow" if status["pending"] and \
            cue.number == status["pending"]["number"] else ""
        cues.append(" %d %s " % (cue.number, cue.name), style=style)
        cues.append(" ")
    table.add_row("cues", cues if director.cues else Text("none in the rig file", style="dim"))
    state = Text(status["cue"] or "the groups as the rig file sets them", style="green")
    if status["fade"] is not None:
        state.append("  fading in, %.0f %%" % (status["fade"] * 100), style="cyan")
    pending = status["pending"]
    if pending:
        state.append("  next: %d %s at %s" % (pending["number"], pending["cue"], pending["at"]),
                     style="bold yellow")
        if pending["beats"] is not None:
            state.append(" (in %.1f beats)" % max(0.0, pending["beats"]), style="yellow")
    table.add_row("playing", state)
    masters = Text("size %.0f %% · speed %.3g×" % (status["size"] * 100, status["speed"]))
    if status["blackout"]:
        masters.append("  BLACKOUT", style="bold white on red")
    table.add_row("masters", masters)
    return table


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

"""Playing the show: one way in for every control.

The keys, a MIDI controller, OSC input and the web remote all act through
`Commands`: fire a cue, tap, set or step the tempo, nudge, pause, set the
master size and speed, black out. Each command answers with a message that
the views show, prefixed with where it came from ("OSC: cue 2 drop at bar 9
beat 1"); a command that cannot be done says why and changes nothing.

The MIDI controller is mapped in the rig file's [midi] table: notes fire
cues (or tap, or toggle the blackout) and control changes set the master
size (0-127 onto 0-1), the master speed (64 is 1, 0 is 1/4, 127 nearly 4)
or nudge the show (a relative encoder: 64 plus or minus steps of two pips).
"""
import math
import threading
from dataclasses import dataclass

from pulsework_motion import LinkClock, TempoClock

from .cues import Director, bar_beat
from .rig import _show, _Table

NUDGE_PIPS = 2
MIN_SPEED, MAX_SPEED = 1 / 16, 16.0
NOTE_ACTIONS = ("tap", "blackout")
CONTROL_ACTIONS = ("size", "speed", "nudge")
# What OSC and the remote may ask, and how many values each takes.
COMMANDS = {"cue": 1, "tap": 0, "tempo": 1, "size": 1, "speed": 1, "blackout": 1}


def source_name(clock):
    return {"midi": "MIDI clock", "link": "Ableton Link"}.get(clock.source, clock.source)


def _brief(value, most=40):
    """A value as the rig file would show it, cut short: what a sender may
    send is any length."""
    text = _show(value)
    return text if len(text) <= most else text[:most - 1] + "…"


def _number(value):
    if isinstance(value, bool) or not isinstance(value, (int, float)) or not math.isfinite(value):
        return None
    return value


class Commands:
    """What the controls do to a show (and to its director, for cues and
    the masters); `message` is the last answer."""

    def __init__(self, show):
        self.show = show
        self.director = show.director
        self.message = ""
        self.count = 0          # commands taken so far: the remote sends its state on a change
        self._lock = threading.Lock()

    def _say(self, source, text):
        with self._lock:
            self.message = "%s: %s" % (source, text) if source else text
            self.count += 1
        return text

    def refuse(self, source, text):
        self._say(source, "refused: " + text)
        return False

    def _now(self, now):
        return self.show.now() if now is None else now

    def _needs_director(self, source):
        if self.director is None:
            return self.refuse(source, "this show is not played live")
        return True

    def run(self, source, name, *values, now=None):
        """A command by name with its values, as OSC and the remote send them."""
        wanted = COMMANDS.get(name) if isinstance(name, str) else None
        if wanted is None:
            return self.refuse(source, "no command %s (commands: %s)"
                               % (_brief(name), ", ".join(COMMANDS)))
        if len(values) != wanted:
            return self.refuse(source, "%s takes %s" % (name, "no value" if not wanted else
                                                         "one value, got %d" % len(values)))
        return getattr(self, name)(*values, source=source, now=now)

    def cue(self, which, source="", now=None):
        if not self._needs_director(source):
            return False
        director = self.director
        cue = director.find(which)
        if cue is None:
            listed = ", ".join("%d %s" % (c.number, c.name) for c in director.cues) or "none"
            return self.refuse(source, "no cue %s (cues: %s)" % (_brief(which), listed))
        go, replaced = director.fire(cue, self.show.clock, self._now(now))
        text = "cue %d %s %s" % (cue.number, cue.name,
                                 "now" if cue.when == "now" else "at " + bar_beat(go))
        if replaced is not None and replaced is not cue:
            text += " (instead of %d %s)" % (replaced.number, replaced.name)
        self._say(source, text)
        return True

    def tap(self, source="", now=None):
        clock = self.show.clock
        if clock.tap(self._now(now)):
            self._say(source, "tap: %.1f BPM" % clock.bpm)
            return True
        return self.refuse(source, "the tempo follows %s; taps are not taken"
                           % source_name(clock))

    def tempo(self, bpm, source="", now=None):
        clock = self.show.clock
        if not isinstance(clock, (TempoClock, LinkClock)):
            return self.refuse(source, "the tempo follows %s" % source_name(clock))
        if _number(bpm) is None or bpm <= 0:
            return self.refuse(source, "tempo needs a number of BPM, got %s" % _brief(bpm))
        clock.set_bpm(bpm, self._now(now))
        self._say(source, "tempo: %.1f BPM" % clock.bpm)
        return True

    def step_tempo(self, step, source="", now=None):
        """The tempo a whole BPM up or down."""
        clock = self.show.clock
        bpm = round(clock.bpm) + step if isinstance(clock, (TempoClock, LinkClock)) else 0
        return self.tempo(bpm, source, now)

    def pause(self, source="", now=None):
        clock = self.show.clock
        clock.toggle_pause(self._now(now))
        self._say(source, "paused" if clock.paused else "playing")
        return True

    def nudge(self, pips, source="", now=None):
        self.show.clock.nudge(pips, self._now(now))
        self._say(source, "nudged %+d pips" % pips)
        return True

    def size(self, size, source="", now=None):
        if not self._needs_director(source):
            return False
        if _number(size) is None or not 0 <= size <= 1:
            return self.refuse(source, "size needs a number from 0 to 1, got %s" % _brief(size))
        self.director.size = float(size)
        self._say(source, "size %.0f %%" % (size * 100))
        return True

    def speed(self, ratio, source="", now=None):
        if not self._needs_director(source):
            return False
        if _number(ratio) is None or not MIN_SPEED <= ratio <= MAX_SPEED:
            return self.refuse(source, "speed needs a ratio from 1/16 to 16, got %s"
                               % _brief(ratio))
        self.director.speed = float(ratio)
        self._say(source, "speed %.3g×" % ratio)
        return True

    def blackout(self, on, source="", now=None):
        if not self._needs_director(source):
            return False
        if on not in (0, 1):   # True and False too
            return self.refuse(source, "blackout needs 1 (on) or 0 (off), got %s" % _brief(on))
        self.director.blackout = bool(on)
        self._say(source, "blackout %s" % ("on" if on else "off"))
        return True


# The MIDI controller.

@dataclass(frozen=True)
class MidiMap:
    """A controller's input (part of its name, or a virtual input) and what
    its notes and controllers do: `notes` maps a note to a cue's number or
    to "tap" or "blackout", `controls` a controller to "size", "speed" or
    "nudge". `channel` 1-16 listens to one channel, 0 to all."""
    port: str = ""
    virtual: bool = False
    channel: int = 0
    notes: tuple = ()
    controls: tuple = ()


def read_midi(reader, top, cues):
    """The MidiMap of the rig's [midi] table, or None when it has none."""
    data = top.table("midi")
    if data is None:
        return None
    table = _Table(reader.path, "[midi]", data)
    port = table.text("port", "")
    virtual = table.boolean("virtual")
    channel = table.integer("channel", 1, 16, 0)
    names = {cue.name: cue.number for cue in cues}

    def note_action(key_table, key, value):
        if isinstance(value, str) and (value in names or value in NOTE_ACTIONS):
            return names.get(value, value)
        if isinstance(value, int) and not isinstance(value, bool) and 1 <= value <= len(cues):
            return value
        key_table.fail(key, "must be a cue's name or number, \"tap\" or \"blackout\", found %s"
                       % _show(value))

    def control_action(key_table, key, value):
        if value not in CONTROL_ACTIONS:
            key_table.fail(key, "must be %s, found %s"
                           % (", ".join('"%s"' % a for a in CONTROL_ACTIONS), _show(value)))
        return value

    notes = _numbered(reader, table, "notes", note_action)
    controls = _numbered(reader, table, "controls", control_action)
    table.done(("port", "virtual", "channel", "notes", "controls"))
    if not notes and not controls:
        table.fail("", "maps nothing: give notes (note = cue) or controls "
                       "(controller = \"size\", \"speed\" or \"nudge\")")
    return MidiMap(port, virtual, channel, notes, controls)


def _numbered(reader, table, key, action):
    data = table.table(key) or {}
    inner = _Table(reader.path, "%s, key \"%s\"" % (table.place, key), data)
    mapped = []
    for number in list(data):
        value = inner.take(number)
        if not (number.isascii() and number.isdigit()) or not 0 <= int(number) <= 127:
            inner.fail(number, "a MIDI %s number is from 0 to 127"
                       % ("note" if key == "notes" else "controller"))
        mapped.append((int(number), action(inner, number, value)))
    return tuple(sorted(mapped))


def describe_midi(rig):
    """A line for the MIDI controller, for --check."""
    midi = rig.midi
    if midi is None:
        return []
    cues = {cue.number: cue.name for cue in rig.cues}
    mapped = ["note %d -> %s" % (note, "cue %d %s" % (action, cues[action])
                                 if isinstance(action, int) else action)
              for note, action in midi.notes]
    mapped += ["CC %d -> %s" % (number, action) for number, action in midi.controls]
    port = "a virtual input" if midi.virtual else '"%s"' % midi.port if midi.port else \
        "the first input"
    return ["  MIDI controller, %s%s: %s" % (port, ", channel %d" % midi.channel
                                             if midi.channel else "", ", ".join(mapped))]


class MidiControl:
    """Feeds a controller's messages (mido messages) through the commands."""

    def __init__(self, commands, midi_map):
        self.commands = commands
        self.map = midi_map
        self._notes = dict(midi_map.notes)
        self._controls = dict(midi_map.controls)

    def feed(self, message, now=None):
        kind = message.type
        if kind not in ("note_on", "control_change"):
            return
        if self.map.channel and message.channel != self.map.channel - 1:
            return
        commands = self.commands
        if kind == "note_on":
            action = self._notes.get(message.note)
            if action is None or message.velocity == 0:
                return
            if action == "tap":
                commands.tap("MIDI", now)
            elif action == "blackout":
                commands.blackout(not commands.director.blackout, "MIDI", now)
            else:
                commands.cue(action, "MIDI", now)
            return
        action, value = self._controls.get(message.control), message.value
        if action == "size":
            commands.size(value / 127, "MIDI", now)
        elif action == "speed":
            commands.speed(4 ** ((value - 64) / 64), "MIDI", now)
        elif action == "nudge" and value != 64:
            commands.nudge((value - 64) * NUDGE_PIPS, "MIDI", now)


# Everything a live show is played through.

def start(show, sample, open_midi, osc_in=None, remote=None):
    """The director and the commands of a show, and the inputs asked for:
    the rig's MIDI controller (opened by `open_midi(port, virtual,
    callback)`; one that cannot be opened is reported, not fatal), OSC in at `osc_in` (host, port), the web remote at
    `remote` (host, port, PIN). (commands, closers, lines that say where
    they listen). Raises OSError (or the opener's error) when an input
    cannot be opened, after closing those it opened."""
    Director(show, sample)
    commands = Commands(show)
    closers, lines = [], []
    try:
        midi = show.rig.midi
        if midi is not None:
            # A controller that is not there leaves the show to the other controls.
            control = MidiControl(commands, midi)
            try:
                port = open_midi(midi.port, midi.virtual, control.feed)
            except Exception as error:  # the opener's own, or the MIDI system's
                lines.append("MIDI controller not opened: %s" % error)
            else:
                closers.append(port.close)
                lines.append("MIDI controller: %s" % port.name)
        if osc_in is not None:
            from .osc_in import OscIn

            server = OscIn(commands, *osc_in)
            closers.append(server.close)
            lines.append("OSC in: %s:%d" % server.address)
        if remote is not None:
            from .remote import Remote

            page = Remote(show, commands, *remote)
            closers.append(page.close)
            lines.append("remote: %s" % page.url)
    except BaseException:
        for closer in reversed(closers):
            closer()
        raise
    return commands, closers, lines

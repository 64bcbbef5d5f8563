"""The rig file: what to move, how fast, and where each fixture's channels are.

A rig is a TOML file with an optional [rig] table (frame rate, what to send
on exit), an optional [tempo] table, one or more [[output]] tables and one
or more [[group]] tables. Everything is checked before anything is sent: a
fault stops with a message naming the file, the table and the key, and the
rule that was broken.
"""
import difflib
import ipaddress
import math
import re
from dataclasses import dataclass

from pulsework_motion import Shaping, ShapingError
from pulsework_motion.clock import MAX_BPM, MIN_BPM
from pulsework_motion.shaping import parse_speed  # noqa: F401 (re-exported)

try:
    import tomllib
except ImportError:  # CPython before 3.11
    import tomli as tomllib

DEFAULT_FPS = 44
DMX_CHANNELS = 512
MAX_FIXTURES = 4096
TEMPO_SOURCES = ("fixed", "midi", "link")
EXIT_MODES = ("blackout", "home")
PROTOCOLS = ("artnet", "sacn", "osc")
DEFAULT_PORTS = {"artnet": 6454, "sacn": 5568, "osc": 9000}
# Art-Net port-addresses are 15 bits; sACN universes are 1 to 63999.
UNIVERSES = {"artnet": (0, 32767), "sacn": (1, 63999)}
# DMX channel roles, the component each follows unless "axis" says otherwise.
DMX_ROLES = {"pan": 0, "tilt": 1, "zoom": 2, "dimmer": 2, "focus": 2}
THIRD_CHANNEL_ROLES = ("zoom", "dimmer", "focus")
OSC_AXES = ("x", "y", "z")
AXES = {"x": 0, "y": 1, "z": 2}
OSC_ADDRESS = re.compile(r"^/[!-~]*$")
# What a group may say about how it moves (pulsework_motion's shaping).
SHAPING_KEYS = ("size", "centre", "speed", "spread", "reverse", "wings", "blocks", "pingpong",
                "rotation", "fade_in")


class RigError(ValueError):
    """A rig file that cannot be used; the message names the place and the rule."""


@dataclass(frozen=True)
class ChannelMap:
    """One output value of a fixture: a DMX channel (with an optional fine
    channel), or an OSC address. The component `axis` (0, 1, 2 for x, y, z),
    scaled by the group's size and negated when inverted, maps -1 to `low`
    and +1 to `high`: fractions of the channel's travel for DMX, the values
    themselves for OSC.
    """
    role: str
    axis: int
    low: float
    high: float
    invert: bool = False
    channel: int = 0
    fine: int = 0
    address: str = ""


@dataclass(frozen=True)
class Output:
    name: str
    protocol: str
    host: str
    port: int
    broadcast: bool = False
    multicast: bool = False
    priority: int = 100
    source_name: str = "pulsework-live"
    bundle: bool = False


@dataclass(frozen=True)
class Group:
    """A group of fixtures playing one pattern: fixture i is copy i of the
    group's shaping (pulsework_motion.Shaping)."""
    name: str
    index: int
    pattern: str
    period: int
    fixtures: int
    shaping: Shaping
    output: str
    universe: int
    address: int
    footprint: int
    channels: tuple
    osc_xyz: str = ""

    @property
    def is_dmx(self):
        return bool(self.footprint)

    @property
    def speed(self):
        return self.shaping.speed

    @property
    def spread(self):
        return self.shaping.spread


@dataclass(frozen=True)
class Tempo:
    source: str = "fixed"
    bpm: float = 120.0
    midi_port: str = ""
    midi_virtual: bool = False


@dataclass(frozen=True)
class Rig:
    path: str
    fps: float
    on_exit: str
    tempo: Tempo
    outputs: tuple
    groups: tuple
    # Playing it live: the cues (cues.Cue), the one the show starts in, the
    # MIDI controller's map (control.MidiMap).
    cues: tuple = ()
    start_cue: str = ""
    midi: object = None

    def output(self, name):
        return next(output for output in self.outputs if output.name == name)


def load_rig(path, patterns=None):
    """The Rig of a TOML file. `patterns` lists the pattern names a group may
    use: a catalogue (the module's, or a PatternLibrary's), default the
    module's."""
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        raise RigError("%s: cannot read the file: %s" % (path, error.strerror or error)) from None
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise RigError("%s: not UTF-8 text (byte %d)" % (path, error.start)) from None
    try:
        document = tomllib.loads(text)
    except tomllib.TOMLDecodeError as error:
        raise RigError("%s: not valid TOML: %s" % (path, error)) from None
    if patterns is None:
        import pulsework
        patterns = pulsework.catalogue()
    return _Reader(path, {record["name"]: record for record in patterns}).rig(document)


class _Table:
    """The keys of one TOML table, read once each; what is left over is unknown."""

    def __init__(self, path, place, data):
        self.path, self.place, self.data = path, place, dict(data)

    def fail(self, key, rule):
        where = "%s, key %s" % (self.place, _quote(key)) if key else self.place
        raise RigError("%s: %s: %s" % (self.path, where, rule))

    def take(self, key, default=None, required=False):
        if key not in self.data:
            if required:
                self.fail(key, "missing (required)")
            return default
        return self.data.pop(key)

    def boolean(self, key, default=False):
        value = self.take(key, default)
        if not isinstance(value, bool):
            self.fail(key, "must be true or false, found %s" % _show(value))
        return value

    def integer(self, key, low, high, default=None, required=False):
        if key not in self.data and not required:
            return default
        value = self.take(key, default, required)
        if isinstance(value, bool) or not isinstance(value, int) or not low <= value <= high:
            self.fail(key, "must be a whole number from %d to %d, found %s"
                      % (low, high, _show(value)))
        return value

    def number(self, key, low, high, default=None, required=False, what="a number"):
        value = self.take(key, default, required)
        if isinstance(value, bool) or not isinstance(value, (int, float)) \
                or not math.isfinite(value) or not low <= value <= high:
            self.fail(key, "must be %s from %g to %g, found %s" % (what, low, high, _show(value)))
        return value

    def text(self, key, default=None, required=False, choices=None):
        value = self.take(key, default, required)
        if value is None:
            return None
        if not isinstance(value, str):
            self.fail(key, "must be a text in quotes, found %s" % _show(value))
        if choices and value not in choices:
            self.fail(key, "must be one of %s, found %s"
                      % (", ".join('"%s"' % choice for choice in choices), _show(value)))
        return value

    def table(self, key):
        value = self.take(key)
        if value is not None and not isinstance(value, dict):
            self.fail(key, "must be a table, found %s" % _show(value))
        return value

    def done(self, known):
        if self.data:
            key = sorted(self.data)[0]
            self.fail(key, "unknown key (expected %s)" % ", ".join(known))


class _Reader:
    def __init__(self, path, records):
        self.path = path
        self.records = records

    def rig(self, document):
        top = _Table(self.path, "top level", document)
        rig = _Table(self.path, "[rig]", top.table("rig") or {})
        fps = rig.number("fps", 1, 240, DEFAULT_FPS, what="frames per second")
        on_exit = rig.text("on_exit", "blackout", choices=EXIT_MODES)
        rig.done(("fps", "on_exit"))
        tempo = self.tempo(_Table(self.path, "[tempo]", top.table("tempo") or {}))
        outputs = self.outputs(top.take("output", required=True))
        groups = self.groups(top.take("group", required=True), outputs)
        # Cues and the MIDI controller: their own modules read their tables.
        from .control import read_midi
        from .cues import read_cues

        cues, start_cue = read_cues(self, top, groups)
        midi = read_midi(self, top, cues)
        top.done(("rig", "tempo", "output", "group", "cues", "cue", "midi"))
        self.check_overlaps(groups)
        return Rig(self.path, float(fps), on_exit, tempo, tuple(outputs), tuple(groups),
                   cues, start_cue, midi)

    def tempo(self, table):
        source = table.text("source", "fixed", choices=TEMPO_SOURCES)
        bpm = table.number("bpm", MIN_BPM, MAX_BPM, 120.0, what="a tempo in BPM")
        midi_port = table.text("midi_port", "")
        midi_virtual = table.boolean("midi_virtual")
        table.done(("source", "bpm", "midi_port", "midi_virtual"))
        return Tempo(source, float(bpm), midi_port, midi_virtual)

    def _array_of_tables(self, value, key):
        if isinstance(value, dict):
            value = [value]
        if not isinstance(value, list) or not value or not all(isinstance(v, dict) for v in value):
            raise RigError("%s: key %s: must be one or more [[%s]] tables"
                           % (self.path, _quote(key), key))
        return value

    def outputs(self, value):
        outputs = []
        for index, data in enumerate(self._array_of_tables(value, "output")):
            name = data.get("name")
            table = _Table(self.path, _place("output", name, index), data)
            name = table.text("name", required=True)
            if any(output.name == name for output in outputs):
                table.fail("name", "another output is already named %s" % _show(name))
            protocol = table.text("protocol", required=True, choices=PROTOCOLS)
            host = table.text("host", "127.0.0.1" if protocol != "sacn" else "")
            port = table.integer("port", 1, 65535, DEFAULT_PORTS[protocol])
            options = {}
            known = ["name", "protocol", "host", "port"]
            if protocol == "artnet":
                options["broadcast"] = table.boolean("broadcast")
                known.append("broadcast")
            elif protocol == "sacn":
                options["multicast"] = table.boolean("multicast", not host)
                options["priority"] = table.integer("priority", 0, 200, 100)
                options["source_name"] = table.text("source_name", "pulsework-live")
                if len(options["source_name"].encode("utf-8")) > 63:
                    table.fail("source_name", "must be at most 63 bytes in UTF-8")
                known += ["multicast", "priority", "source_name"]
                if not options["multicast"] and not host:
                    table.fail("host", "needed unless multicast = true")
            else:
                options["bundle"] = table.boolean("bundle")
                known.append("bundle")
            table.done(known)
            if host:
                _check_host(table, host)
            outputs.append(Output(name, protocol, host, port, **options))
        return outputs

    def groups(self, value, outputs):
        groups = []
        for index, data in enumerate(self._array_of_tables(value, "group")):
            name = data.get("name")
            table = _Table(self.path, _place("group", name, index), data)
            groups.append(self.group(table, index, outputs))
            if sum(group.name == groups[-1].name for group in groups) > 1:
                table.fail("name", "another group is already named %s" % _show(groups[-1].name))
        return groups

    def group(self, table, index, outputs):
        name = table.text("name", "group %d" % (index + 1))
        pattern, period = self.pattern(table)
        fixtures = table.integer("fixtures", 1, MAX_FIXTURES, 1)
        shaping = self.shaping(table)
        output = self.group_output(table, outputs)
        known = ["name", "pattern", "fixtures", "output"] + list(SHAPING_KEYS)
        fields = dict(name=name, index=index, pattern=pattern, period=period, fixtures=fixtures,
                      shaping=shaping, output=output.name)
        if output.protocol == "osc":
            fields.update(self.osc_mapping(table, fixtures))
            known.append("osc")
        else:
            fields.update(self.dmx_mapping(table, fixtures, output))
            known += ["universe", "address", "footprint", "pan", "tilt"] + list(THIRD_CHANNEL_ROLES)
        table.done(known)
        return Group(**fields)

    def pattern(self, table):
        """(name, period in pips) of the table's pattern, a catalogue or --library name."""
        pattern = table.text("pattern", required=True)
        if pattern not in self.records:
            close = difflib.get_close_matches(pattern, list(self.records), n=3)
            hint = " (did you mean %s?)" % " or ".join('"%s"' % c for c in close) if close else ""
            table.fail("pattern", "unknown pattern %s: not in the catalogue or a --library file%s"
                       % (_show(pattern), hint))
        return pattern, self.records[pattern]["period_pips"]

    def shaping(self, table):
        """The group's Shaping: size (0 to 1, or [x, y, z]), centre, speed,
        spread, reverse, wings, blocks, ping-pong, rotation and a fade in
        (beats from the show's start)."""
        values = {}
        size = table.take("size", 1.0)
        sizes = size if isinstance(size, list) else [size]
        if not (1 <= len(sizes) <= 3 and all(
                _is_number(v) and 0 <= v <= 1 for v in sizes)):
            table.fail("size", "must be an amplitude from 0 to 1, or [x, y, z] of them, found %s"
                       % _show(size))
        values["size"] = size
        centre = table.take("centre", [0.0])
        if not (isinstance(centre, list) and 1 <= len(centre) <= 3 and all(
                _is_number(v) and -1 <= v <= 1 for v in centre)):
            table.fail("centre", "must be [x, y, z] (or [x, y]), each from -1 to 1, found %s"
                       % _show(centre))
        values["centre"] = centre
        values["speed"] = table.take("speed", 1)
        values["spread"] = table.number("spread", -36000, 36000, 0, what="an angle in degrees")
        for flag in ("reverse", "wings", "pingpong"):
            values[flag] = table.boolean(flag)
        values["blocks"] = table.integer("blocks", 1, MAX_FIXTURES, 1)
        values["rotation"] = table.number("rotation", -36000, 36000, 0, what="an angle in degrees")
        values["fade_in"] = table.number("fade_in", 0, 100000, 0, what="a number of beats")
        if values["fade_in"]:
            values["start"] = 0
        try:
            return Shaping(**values)
        except ShapingError as error:
            table.fail(error.field, "%s, found %s" % (error.rule, _show(error.value)))

    def group_output(self, table, outputs):
        if len(outputs) == 1:
            name = table.text("output", outputs[0].name)
        else:
            name = table.text("output", required=True)
        for output in outputs:
            if output.name == name:
                return output
        table.fail("output", "no [[output]] is named %s (the rig has %s)"
                   % (_show(name), ", ".join('"%s"' % output.name for output in outputs)))

    def dmx_mapping(self, table, fixtures, output):
        low, high = UNIVERSES[output.protocol]
        universe = table.integer("universe", low, high, low)
        address = table.integer("address", 1, DMX_CHANNELS, 1)
        channels = []
        for role in ("pan", "tilt") + THIRD_CHANNEL_ROLES:
            data = table.table(role)
            if data is None:
                continue
            if role in THIRD_CHANNEL_ROLES and any(c.role in THIRD_CHANNEL_ROLES for c in channels):
                table.fail(role, "a fixture has one third channel (zoom, dimmer or focus) for z; "
                                 "this group already has %s" % channels[-1].role)
            channels.append(self.dmx_channel(table, role, data))
        if not channels:
            table.fail("", "a group sent over %s needs a pan, tilt, zoom, dimmer or focus table"
                       % _protocol_name(output.protocol))
        used = sorted(c for channel in channels for c in (channel.channel, channel.fine) if c)
        repeated = sorted(set(c for c in used if used.count(c) > 1))
        if repeated:
            table.fail("", "channel %d is used twice in one fixture" % repeated[0])
        footprint = table.integer("footprint", used[-1], DMX_CHANNELS, used[-1])
        last = address + fixtures * footprint - 1
        if last > DMX_CHANNELS:
            fail_key = "fixtures" if fixtures > 1 else "address"
            table.fail(fail_key, "%d fixture%s of %d channels from address %d end at channel %d, "
                       "past the universe's %d (split the group over several universes)"
                       % (fixtures, "s" if fixtures > 1 else "", footprint, address, last,
                          DMX_CHANNELS))
        return dict(universe=universe, address=address, footprint=footprint,
                    channels=tuple(channels))

    def dmx_channel(self, group, role, data):
        table = _Table(self.path, "%s, key %s" % (group.place, _quote(role)), data)
        channel = table.integer("channel", 1, DMX_CHANNELS, required=True)
        fine = table.integer("fine", 1, DMX_CHANNELS, 0)
        if fine == channel:
            table.fail("fine", "must differ from the channel")
        low, high = self.range(table, (0, 100), (0, 100), "percent of the channel's travel")
        invert = table.boolean("invert")
        axis = AXES[table.text("axis", "xyz"[DMX_ROLES[role]], choices=tuple(AXES))]
        table.done(("channel", "fine", "range", "invert", "axis"))
        return ChannelMap(role, axis, low / 100.0, high / 100.0, invert, channel, fine)

    def range(self, table, default, bounds, unit):
        value = table.take("range", list(default))
        if not (isinstance(value, list) and len(value) == 2 and all(
                isinstance(v, (int, float)) and not isinstance(v, bool) and math.isfinite(v)
                and bounds[0] <= v <= bounds[1] for v in value)):
            table.fail("range", "must be two numbers [low, high] from %g to %g (%s), found %s"
                       % (bounds[0], bounds[1], unit, _show(value)))
        return float(value[0]), float(value[1])

    def osc_mapping(self, group, fixtures):
        data = group.table("osc")
        if data is None:
            group.fail("osc", "a group sent over OSC needs an osc table of addresses")
        table = _Table(self.path, "%s, key %s" % (group.place, _quote("osc")), data)
        channels = []
        for role in OSC_AXES:
            value = table.take(role)
            if value is None:
                continue
            if isinstance(value, str):
                value = {"address": value}
            if not isinstance(value, dict):
                table.fail(role, 'must be an address such as "/fixture/{n}/%s", or a table with '
                                 'address, range and invert' % role)
            axis_table = _Table(self.path, "%s, key %s" % (table.place, _quote(role)), value)
            address = self.osc_address(axis_table, "address", required=True)
            low, high = self.range(axis_table, (-1, 1), (-1e9, 1e9), "the values sent")
            invert = axis_table.boolean("invert")
            axis_table.done(("address", "range", "invert"))
            channels.append(ChannelMap(role, AXES[role], low, high, invert, address=address))
        xyz = self.osc_address(table, "xyz")
        table.done(OSC_AXES + ("xyz",))
        if not channels and not xyz:
            group.fail("osc", 'names no address: give x, y, z (one value each) or xyz (all three)')
        return dict(universe=0, address=0, footprint=0, channels=tuple(channels), osc_xyz=xyz or "")

    def osc_address(self, table, key, required=False):
        address = table.text(key, None, required)
        if address is None:
            return None
        if not OSC_ADDRESS.match(address) or " " in address or "#" in address:
            table.fail(key, "an OSC address starts with / and has no spaces or #, found %s"
                       % _show(address))
        # Only the literal {n} is a placeholder, replaced as text: a format
        # such as {n:900000000} would cost its width in memory per fixture.
        if "{" in address.replace("{n}", "") or "}" in address.replace("{n}", ""):
            table.fail(key, "the only placeholder is {n}, the fixture's number, found %s"
                       % _show(address))
        return address

    def check_overlaps(self, groups):
        owner = {}
        for group in groups:
            if not group.is_dmx:
                continue
            for fixture in range(group.fixtures):
                base = group.address + fixture * group.footprint - 1
                for channel in group.channels:
                    for c in (channel.channel, channel.fine):
                        if not c:
                            continue
                        slot = (group.output, group.universe, base + c)
                        other = owner.setdefault(slot, group)
                        if other is not group:
                            raise RigError(
                                "%s: %s, key \"address\": channel %d of universe %d on "
                                "output \"%s\" is also driven by group %s"
                                % (self.path, _place("group", group.name, group.index), base + c,
                                   group.universe, group.output, _show(other.name)))


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool) and math.isfinite(value)


def _check_host(table, host):
    try:
        ipaddress.ip_address(host)
    except ValueError:
        if not re.fullmatch(r"[A-Za-z0-9]([A-Za-z0-9.-]{0,252})", host):
            table.fail("host", "must be an IP address or a host name, found %s" % _show(host))


def _protocol_name(protocol):
    return {"artnet": "Art-Net", "sacn": "sACN", "osc": "OSC"}[protocol]


def _place(kind, name, index):
    if isinstance(name, str):
        return "%s %s (%s %d)" % (kind, _show(name), kind, index + 1)
    return "%s %d" % (kind, index + 1)


def _quote(key):
    return '"%s"' % key


def _show(value):
    if isinstance(value, str):
        return '"%s"' % value.replace('"', '\\"')
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, dict):
        return "a table"
    if isinstance(value, list):
        return "[%s]" % ", ".join(_show(v) for v in value)
    return repr(value)

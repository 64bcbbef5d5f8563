"""The rig file: what to move, how fast, and where each fixture's channels are.

A rig is a TOML file with an optional [rig] table (frame rate, what to send
on exit), an optional [tempo] table, one or more [[output]] tables and one
or more [[group]] tables. Everything is checked before anything is sent: a
fault stops with a message naming the file, the table and the key, and the
rule that was broken.
"""
import difflib
import fnmatch
import ipaddress
import math
import os
import re
import socket
from dataclasses import dataclass

from pulsework_motion import Shaping, ShapingError
from pulsework_motion.clock import MAX_BPM, MIN_BPM
from pulsework_motion.shaping import parse_speed  # noqa: F401 (re-exported)
from pulsework_motion.shaping import rotation_terms

from .fixtures import ROLE_ATTRIBUTES, FixtureError, read_fixture_type
from .limit import Limit
from .text import escape, show as _show

try:
    import tomllib
except ImportError:  # CPython before 3.11
    import tomli as tomllib

DEFAULT_FPS = 44
DMX_CHANNELS = 512
MAX_FIXTURES = 4096
TEMPO_SOURCES = ("fixed", "midi", "link", "audio")
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
# A rig file is read whole; no rig comes near this.
MAX_RIG_BYTES = 4 << 20
# A group with a GDTF fixture type: what its z drives, its limits and, from
# a scene, how it spreads by position.
Z_ROLES = ("zoom", "dimmer", "focus", "none")
FIXTURE_KEYS = ("z", "max_speed", "max_acceleration")
POSITION_KEYS = ("spread_axis", "spread_centre", "spread_degrees")
MAX_DEGREES = 36000.0


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
    # The component values that map to low and high: [-1, 1] for a pattern
    # mapped by hand; the physical range (degrees) of a GDTF pan or tilt.
    domain: tuple = (-1.0, 1.0)


@dataclass(frozen=True)
class Patch:
    """One DMX fixture of a group: its universe and address, its channels,
    how fast each of x, y and z may move (a Limit, or None), and from a
    scene its name and place (x, y, z in metres)."""
    universe: int
    address: int
    channels: tuple
    limits: tuple = (None, None, None)
    name: str = ""
    position: tuple = ()


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
    address: str = ""       # the host's IPv4 address, found when the rig is read

    @property
    def destination(self):
        """Where its packets go, as far as two outputs can share it."""
        return ("multicast", self.port) if self.multicast else (self.address, self.port)


@dataclass(frozen=True)
class Group:
    """A group of fixtures playing one pattern: fixture i is copy i of the
    group's shaping (pulsework_motion.Shaping), at `where` along the spread
    when it spreads by position. A DMX group's fixtures are its patches;
    universe, address, footprint and channels are the first one's. With a
    GDTF fixture type (`fixture_type` names it) x and y are pan and tilt in
    degrees."""
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
    patches: tuple = ()
    fixture_type: str = ""
    where: tuple = ()
    ranges: object = None   # a GDTF group's pan and tilt ranges (degrees), for aiming

    @property
    def degrees(self):
        return bool(self.fixture_type)

    @property
    def from_scene(self):
        return any(patch.position for patch in self.patches)

    @property
    def limited(self):
        return any(limit is not None for patch in self.patches for limit in patch.limits)

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
    audio_input: str = ""


@dataclass(frozen=True)
class Rig:
    path: str
    fps: float
    on_exit: str
    tempo: Tempo
    outputs: tuple
    groups: tuple
    warnings: tuple = ()
    # Playing it live: the cues (cues.Cue), the one the show starts in, the
    # MIDI controller's map (control.MidiMap).
    cues: tuple = ()
    start_cue: str = ""
    midi: object = None

    def output(self, name):
        return next(output for output in self.outputs if output.name == name)


def load_rig(path, patterns=None, scene=None):
    """The Rig of a TOML file. `patterns` lists the pattern names a group may
    use: a catalogue (the module's, or a PatternLibrary's), default the
    module's. `scene` is an MVR file (or a loaded scene.Scene) whose
    fixtures groups may select."""
    try:
        with open(path, "rb") as stream:
            data = stream.read(MAX_RIG_BYTES + 1)
    except OSError as error:
        raise RigError("%s: cannot read the file: %s" % (path, error.strerror or error)) from None
    if len(data) > MAX_RIG_BYTES:
        raise RigError("%s: larger than a rig file can be (%d bytes at most)"
                       % (path, MAX_RIG_BYTES))
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise RigError("%s: not UTF-8 text (byte %d)" % (path, error.start)) from None
    try:
        document = tomllib.loads(text)
    except tomllib.TOMLDecodeError as error:
        raise RigError("%s: not valid TOML: %s" % (path, escape(str(error)))) from None
    except RecursionError:
        raise RigError("%s: not valid TOML: arrays or tables nested too deep" % path) from None
    if patterns is None:
        import pulsework
        patterns = pulsework.catalogue()
    if isinstance(scene, str):
        from .scene import SceneError, load_scene

        try:
            scene = load_scene(scene)
        except SceneError as error:
            raise RigError(str(error)) from None
    return _Reader(path, {record["name"]: record for record in patterns}, scene).rig(document)


class _Table:
    """The keys of one TOML table, read once each; what is left over is unknown."""

    def __init__(self, path, place, data):
        self.path, self.place, self.data = path, place, dict(data)

    def fail(self, key, rule):
        raise RigError("%s: %s: %s" % (self.path, self.where(key), rule))

    def where(self, key):
        return "%s, key %s" % (self.place, _quote(key)) if key else self.place

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
    def __init__(self, path, records, scene=None):
        self.path = path
        self.records = records
        self.scene = scene
        self.warnings = []
        self.fixture_types = {}

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
        self.check_overlaps(groups, outputs)
        return Rig(self.path, float(fps), on_exit, tempo, tuple(outputs), tuple(groups),
                   tuple(self.warnings), cues, start_cue, midi)

    def tempo(self, table):
        source = table.text("source", "fixed", choices=TEMPO_SOURCES)
        bpm = table.number("bpm", MIN_BPM, MAX_BPM, 120.0, what="a tempo in BPM")
        midi_port = table.text("midi_port", "")
        midi_virtual = table.boolean("midi_virtual")
        audio_input = table.text("audio_input", "")
        table.done(("source", "bpm", "midi_port", "midi_virtual", "audio_input"))
        return Tempo(source, float(bpm), midi_port, midi_virtual, audio_input)

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
            address = _resolve(table, host) if host else ""
            outputs.append(Output(name, protocol, host, port, address=address, **options))
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
        pattern, record = self.pattern(table)
        output = self.group_output(table, outputs)
        scene = output.protocol != "osc" and "select" in table.data
        known = ["name", "pattern"] + ([] if scene else ["fixtures"]) + ["output"] + list(
            SHAPING_KEYS)
        fields = dict(name=name, index=index, pattern=pattern, period=record["period_pips"],
                      output=output.name)
        if output.protocol == "osc":
            fields["fixtures"] = table.integer("fixtures", 1, MAX_FIXTURES, 1)
            fields.update(self.osc_mapping(table, fields["fixtures"]))
            known += ["osc"]
        elif scene:
            fields.update(self.scene_mapping(table, output, record))
            known += ["select"] + list(FIXTURE_KEYS + POSITION_KEYS)
        elif "fixture" in table.data:
            fields.update(self.gdtf_mapping(table, output, record))
            known += ["fixture", "mode", "universe", "address", "footprint"] + list(FIXTURE_KEYS)
        else:
            fixtures = table.integer("fixtures", 1, MAX_FIXTURES, 1)
            fields.update(self.dmx_mapping(table, fixtures, output))
            known += ["universe", "address", "footprint", "pan", "tilt"] + list(
                THIRD_CHANNEL_ROLES)
        fields["shaping"] = self.shaping(table, fields)
        table.done(known)
        return Group(**fields)

    def pattern(self, table):
        """(name, catalogue record) of the table's pattern, a catalogue or
        --library name."""
        pattern = table.text("pattern", required=True)
        if pattern not in self.records:
            close = difflib.get_close_matches(pattern, list(self.records), n=3)
            hint = " (did you mean %s?)" % " or ".join(_show(c) for c in close) if close else ""
            table.fail("pattern", "unknown pattern %s: not in the catalogue or a --library file%s"
                       % (_show(pattern), hint))
        return pattern, self.records[pattern]

    def shaping(self, table, fields):
        """The group's Shaping: size and centre (in pattern units, or for a
        GDTF fixture type in degrees), speed, spread, reverse, wings, blocks,
        ping-pong, rotation and a fade in (beats from the show's start)."""
        values = {}
        ranges = fields.get("ranges")
        if ranges is None:
            size = table.take("size", 1.0)
            sizes = size if isinstance(size, list) else [size]
            if not (1 <= len(sizes) <= 3 and all(_is_number(v) and 0 <= v <= 1 for v in sizes)):
                table.fail("size", "must be an amplitude from 0 to 1, or [x, y, z] of them, found "
                                   "%s (degrees are for a group with a GDTF fixture type)"
                           % _show(size))
            centre = table.take("centre", [0.0])
            if not (isinstance(centre, list) and 1 <= len(centre) <= 3 and all(
                    _is_number(v) and -1 <= v <= 1 for v in centre)):
                table.fail("centre", "must be [x, y, z] (or [x, y]), each from -1 to 1, found %s "
                                     "(degrees are for a group with a GDTF fixture type)"
                           % _show(centre))
            values["size"], values["centre"] = size, centre
        values["speed"] = table.take("speed", 1)
        values["spread"], fields["where"] = self.spread(table, fields)
        for flag in ("reverse", "wings", "pingpong"):
            values[flag] = table.boolean(flag)
        values["blocks"] = table.integer("blocks", 1, MAX_FIXTURES, 1)
        values["rotation"] = table.number("rotation", -36000, 36000, 0, what="an angle in degrees")
        values["fade_in"] = table.number("fade_in", 0, 100000, 0, what="a number of beats")
        if values["fade_in"]:
            values["start"] = 0
        if fields["where"] and (values["wings"] or values["blocks"] > 1):
            table.fail("wings" if values["wings"] else "blocks",
                       'does not go with spread = "position" (a spread from a centre point, '
                       'spread_centre, mirrors by itself)')
        if ranges is not None:
            values["size"], values["centre"] = self.aim(table, fields, ranges, values["rotation"])
        try:
            return Shaping(**values)
        except ShapingError as error:
            table.fail(error.field, "%s, found %s" % (error.rule, _show(error.value)))

    def spread(self, table, fields):
        """(spread in degrees, each fixture's place along it when the group
        spreads by position, else ())."""
        value = table.take("spread", 0)
        if value != "position":
            if not _is_number(value) or not -36000 <= value <= 36000:
                table.fail("spread", 'must be an angle in degrees from -36000 to 36000, or '
                                     '"position" (for fixtures from a scene), found %s'
                           % _show(value))
            for key in POSITION_KEYS:
                if key in table.data:
                    table.fail(key, 'is for spread = "position"')
            return value, ()
        patches = fields.get("patches") or ()
        if not any(patch.position for patch in patches):
            table.fail("spread", '"position" spreads by where each fixture hangs, which only a '
                                 "scene says: select the group's fixtures from one (--scene)")
        axis = table.text("spread_axis", None, choices=tuple(AXES))
        centre = table.take("spread_centre")
        degrees = table.number("spread_degrees", -36000, 36000, 360, what="an angle in degrees")
        if centre is None:
            return degrees, tuple(patch.position[AXES[axis or "x"]] for patch in patches)
        if axis is not None:
            table.fail("spread_centre", "give spread_axis or spread_centre, not both")
        if not (isinstance(centre, list) and len(centre) == 3 and all(
                _is_number(v) and abs(v) <= 1e6 for v in centre)):
            table.fail("spread_centre", "must be a point [x, y, z] in metres, found %s"
                       % _show(centre))
        return degrees, tuple(math.dist(patch.position, centre) for patch in patches)

    def aim(self, table, fields, ranges, rotation):
        """(size, centre) of a group aimed in degrees: pan and tilt, and z in
        pattern units; held within the fixtures' physical ranges, with a
        warning when that changes them."""
        defaults = [((r[1] - r[0]) / 2, (r[0] + r[1]) / 2) if r else (0.0, 0.0) for r in ranges]
        size = table.take("size")
        if size is None:
            size = [defaults[0][0], defaults[1][0], 1.0]
        else:
            sizes = [size, size] if _is_number(size) else size
            if not (isinstance(sizes, list) and 2 <= len(sizes) <= 3 and all(
                    _is_number(v) and 0 <= v <= MAX_DEGREES for v in sizes[:2]) and all(
                    _is_number(v) and 0 <= v <= 1 for v in sizes[2:])):
                table.fail("size", "must be the amplitude in degrees for a GDTF fixture type, "
                                   "[pan°, tilt°] (or one number for both; a third, 0 to 1, sizes "
                                   "z), found %s" % _show(size))
            size = [float(v) for v in sizes] + [1.0] * (3 - len(sizes))
        centre = table.take("centre")
        if centre is None:
            centre = [defaults[0][1], defaults[1][1], 0.0]
        else:
            if not (isinstance(centre, list) and 2 <= len(centre) <= 3 and all(
                    _is_number(v) and abs(v) <= MAX_DEGREES for v in centre[:2]) and all(
                    _is_number(v) and -1 <= v <= 1 for v in centre[2:])):
                table.fail("centre", "must be where to aim in degrees for a GDTF fixture type, "
                                     "[pan°, tilt°] (a third, -1 to 1, centres z), found %s"
                           % _show(centre))
            centre = [float(v) for v in centre] + [0.0] * (3 - len(centre))
        held_size, held_centre = _hold(size, centre, ranges, rotation)
        past = [name for axis, name in enumerate(("pan", "tilt"))
                if (held_size[axis], held_centre[axis]) != (size[axis], centre[axis])]
        if past:
            self.warnings.append(
                "%s: %s: size %s around centre %s reaches past the %s range of %s (%s); held to "
                "size %s around %s" % (
                    self.path, table.where("size"), _degrees(size), _degrees(centre),
                    " and ".join(past), fields["fixture_type"], ", ".join(
                        "%s %s" % (name, _degrees(span))
                        for name, span in zip(("pan", "tilt"), ranges) if span),
                    _degrees(held_size), _degrees(held_centre)))
        return held_size, held_centre

    def group_output(self, table, outputs):
        if len(outputs) == 1:
            name = table.text("output", outputs[0].name)
        else:
            name = table.text("output", required=True)
        for output in outputs:
            if output.name == name:
                return output
        table.fail("output", "no [[output]] is named %s (the rig has %s)"
                   % (_show(name), ", ".join(_show(output.name) for output in outputs)))

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
            table.fail("", "a group sent over %s needs a pan, tilt, zoom, dimmer or focus table, "
                           "or a GDTF fixture type (fixture and mode)"
                       % _protocol_name(output.protocol))
        used = sorted(c for channel in channels for c in (channel.channel, channel.fine) if c)
        repeated = sorted(set(c for c in used if used.count(c) > 1))
        if repeated:
            table.fail("", "channel %d is used twice in one fixture" % repeated[0])
        footprint = table.integer("footprint", used[-1], DMX_CHANNELS, used[-1])
        return self.row(table, fixtures, universe, address, footprint, tuple(channels))

    def row(self, table, fixtures, universe, address, footprint, channels, limits=(None,) * 3):
        """The fields of a group of fixtures `footprint` channels apart from `address`."""
        last = address + fixtures * footprint - 1
        if last > DMX_CHANNELS:
            fail_key = "fixtures" if fixtures > 1 else "address"
            table.fail(fail_key, "%d fixture%s of %d channels from address %d end at channel %d, "
                       "past the universe's %d (split the group over several universes)"
                       % (fixtures, "s" if fixtures > 1 else "", footprint, address, last,
                          DMX_CHANNELS))
        patches = tuple(Patch(universe, address + i * footprint, channels, limits)
                        for i in range(fixtures))
        return dict(fixtures=fixtures, universe=universe, address=address, footprint=footprint,
                    channels=channels, patches=patches)

    def gdtf_mapping(self, table, output, record):
        """A row of fixtures of one GDTF fixture type."""
        written = table.text("fixture", required=True)
        mode = table.text("mode")
        path = os.path.join(os.path.dirname(self.path), written)
        try:
            fixture_type = self.fixture_type((path, mode), lambda: read_fixture_type(
                path, mode, name=written))
        except FixtureError as error:
            table.fail("fixture", str(error))
        fixtures = table.integer("fixtures", 1, MAX_FIXTURES, 1)
        low, high = UNIVERSES[output.protocol]
        universe = table.integer("universe", low, high, low)
        address = table.integer("address", 1, DMX_CHANNELS, 1)
        reach = max(offset for c in fixture_type.channels for offset in c.offsets)
        footprint = max(fixture_type.footprint, reach)
        footprint = table.integer("footprint", footprint, DMX_CHANNELS, footprint)
        settings = self.fixture_settings(table)
        channels, limits = self.fixture_channels(table, "fixture", fixture_type, record, settings)
        fields = self.row(table, fixtures, universe, address, footprint, channels, limits)
        fields.update(fixture_type=fixture_type.label, ranges=_ranges([fixture_type]))
        return fields

    def scene_mapping(self, table, output, record):
        """The fixtures of the scene that a group selects."""
        if self.scene is None:
            table.fail("select", "selects fixtures from a scene: give one with --scene FILE.mvr")
        data = table.table("select")
        select = _Table(self.path, table.where("select"), data or {})
        wanted = {key: select.text(key) for key in ("layer", "class", "name")}
        select.done(("layer", "class", "name"))
        wanted = {key: value for key, value in wanted.items() if value is not None}
        if not wanted:
            table.fail("select", "names no layer, class or name (with * and ?) to select by")
        scene = self.scene
        matches = [fixture for fixture in scene.fixtures
                   if wanted.get("layer", fixture.layer) == fixture.layer
                   and wanted.get("class", fixture.class_name) == fixture.class_name
                   and fnmatch.fnmatchcase(fixture.name, wanted.get("name", "*"))]
        if not matches:
            table.fail("select", "no fixture of %s matches (its layers: %s; classes: %s)" % (
                scene.path, ", ".join(_show(n) for n in scene.layers) or "none",
                ", ".join(_show(n) for n in scene.classes) or "none"))
        if len(matches) > MAX_FIXTURES:
            table.fail("select", "selects %d fixtures, more than a group has (%d)"
                       % (len(matches), MAX_FIXTURES))
        settings = self.fixture_settings(table)
        low, high = UNIVERSES[output.protocol]
        # MVR counts universes from 1; Art-Net port-addresses count from 0.
        shift = 1 if output.protocol == "artnet" else 0
        patches, types, mapped = [], [], {}
        for fixture in matches:
            what = "fixture %s of %s" % (_show(fixture.name), scene.path)
            if not fixture.gdtf:
                table.fail("select", "%s names no GDTF file" % what)
            if not fixture.universe:
                table.fail("select", "%s has no DMX address" % what)
            try:
                fixture_type = self.fixture_type(
                    (scene.path, fixture.gdtf, fixture.mode), lambda: scene.fixture_type(fixture))
            except FixtureError as error:
                table.fail("select", "%s: %s" % (what, error))
            key = (fixture_type, fixture.invert_pan, fixture.invert_tilt)
            if key not in mapped:
                mapped[key] = self.fixture_channels(table, "select", fixture_type, record, settings,
                                                    fixture.invert_pan, fixture.invert_tilt)
                if fixture_type not in types:
                    types.append(fixture_type)
            universe = fixture.universe - shift
            if not low <= universe <= high:
                table.fail("select", "%s is on universe %d, which %s cannot send (%d to %d)"
                           % (what, fixture.universe, _protocol_name(output.protocol),
                              low + shift, high + shift))
            if fixture.address + fixture_type.footprint - 1 > DMX_CHANNELS:
                table.fail("select", "%s: %d channels from address %d end past the universe's %d"
                           % (what, fixture_type.footprint, fixture.address, DMX_CHANNELS))
            channels, limits = mapped[key]
            patches.append(Patch(universe, fixture.address, channels, limits, fixture.name,
                                 fixture.position))
        ranges = _ranges(types)
        for name, span in zip(("pan", "tilt"), ranges):
            if span and span[0] > span[1]:
                table.fail("select", "the fixture types it selects share no %s angle" % name)
        first = patches[0]
        return dict(fixtures=len(patches), universe=first.universe, address=first.address,
                    footprint=types[0].footprint, channels=first.channels, patches=tuple(patches),
                    fixture_type="; ".join(t.label for t in types), ranges=ranges)

    def fixture_type(self, key, read):
        if key not in self.fixture_types:
            self.fixture_types[key] = read()
        return self.fixture_types[key]

    def fixture_settings(self, table):
        """What a group says about its GDTF fixtures: z's channel and the limits."""
        z = table.text("z", "none", choices=Z_ROLES)
        speed = self.per_axis(table, "max_speed", "a speed in degrees a second")
        acceleration = self.per_axis(table, "max_acceleration",
                                     "an acceleration in degrees a second squared")
        return z, speed, acceleration

    def per_axis(self, table, key, what):
        value = table.take(key)
        if value is None:
            return None, None
        values = [value, value] if _is_number(value) else value
        if not (isinstance(values, list) and len(values) == 2 and all(
                _is_number(v) and 0 < v <= 1e6 for v in values)):
            table.fail(key, "must be %s above 0, or [pan, tilt] of them, found %s"
                       % (what, _show(value)))
        return float(values[0]), float(values[1])

    def fixture_channels(self, table, key, fixture_type, record, settings, invert_pan=False,
                         invert_tilt=False):
        """(channel maps, limits) of a GDTF fixture type for a group; refuses
        one that lacks a channel the group needs."""
        z, speeds, accelerations = settings
        rotation = table.data.get("rotation", 0)
        turned = _is_number(rotation) and rotation % 180 != 0
        needs = {"pan": "for x"}
        if record["dimensions"] >= 2 or turned:
            needs["tilt"] = ("for y, which pattern %s moves" % _show(record["name"])
                             if record["dimensions"] >= 2 else "for y, where rotation turns x")
        if z != "none":
            needs[z] = 'for z (z = "%s")' % z
        for role, why in needs.items():
            if fixture_type.channel(role) is None:
                table.fail(key, "%s has no %s channel, which the group needs %s" % (
                    fixture_type.label, ROLE_ATTRIBUTES[role][0], why))
        channels, limits = [], [None, None, None]
        for axis, role in enumerate(("pan", "tilt", z)):
            channel = fixture_type.channel(role) if role != "none" else None
            if channel is None:
                continue
            if channel.dmx_from == channel.dmx_to or (
                    axis < 2 and channel.physical_from == channel.physical_to):
                table.fail(key, "%s: its %s function has no %s range" % (
                    fixture_type.label, ROLE_ATTRIBUTES[role][0],
                    "DMX" if channel.dmx_from == channel.dmx_to else "physical"))
            if (role, True) in (("pan", invert_pan), ("tilt", invert_tilt)):
                channel = channel.inverted()
            fine = channel.offsets[1] if len(channel.offsets) > 1 else 0
            domain = (channel.physical_from, channel.physical_to) if axis < 2 else (-1.0, 1.0)
            channels.append(ChannelMap(role, axis, channel.dmx_from, channel.dmx_to,
                                       channel=channel.offsets[0], fine=fine, domain=domain))
            if axis < 2:
                speed = speeds[axis] or channel.speed
                acceleration = accelerations[axis] or channel.acceleration
                if speed or acceleration:
                    limits[axis] = Limit(speed or math.inf, acceleration)
        return tuple(channels), tuple(limits)

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

    def check_overlaps(self, groups, outputs):
        """No two fixtures drive one channel: of one universe, sent to one
        place (host and port, or sACN's multicast), whatever the outputs
        are called."""
        destinations = {output.name: output.destination for output in outputs}
        owner = {}
        for group in groups:
            destination = destinations[group.output]
            for fixture, patch in enumerate(group.patches):
                base = patch.address - 1
                for channel in patch.channels:
                    for c in (channel.channel, channel.fine):
                        if not c:
                            continue
                        slot = (destination, patch.universe, base + c)
                        other, other_fixture = owner.setdefault(slot, (group, fixture))
                        if (other, other_fixture) == (group, fixture):
                            continue
                        if other is group:
                            by = "fixture %s of the group too" % _show(
                                group.patches[other_fixture].name or str(other_fixture + 1))
                        else:
                            by = "group %s" % _show(other.name)
                            if other.output != group.output:
                                by += " on output %s, which sends to the same place" % _show(
                                    other.output)
                        raise RigError("%s: %s, key %s: channel %d of universe %d on output %s "
                                       "is also driven by %s" % (
                                           self.path, _place("group", group.name, group.index),
                                           _quote("select" if group.from_scene else "address"),
                                           base + c, patch.universe, _show(group.output), by))


def _is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool) and math.isfinite(value)


def _resolve(table, host):
    """The IPv4 address of a host, looked up once, when the rig is read."""
    try:
        return str(ipaddress.IPv4Address(host))
    except ValueError:
        pass
    if not re.fullmatch(r"[A-Za-z0-9]([A-Za-z0-9.-]{0,252})", host):
        table.fail("host", "must be an IPv4 address or a host name, found %s" % _show(host))
    try:
        return socket.gethostbyname(host)
    except (OSError, UnicodeError) as error:
        table.fail("host", "cannot find host %s: %s"
                   % (_show(host), getattr(error, "strerror", None) or error))


def _ranges(types):
    """The pan and tilt ranges (degrees) that every one of `types` reaches
    (None for an axis that none of them has); low > high when they share none."""
    ranges = []
    for role in ("pan", "tilt"):
        spans = [t.channel(role).physical_range for t in types if t.channel(role) is not None]
        ranges.append((max(s[0] for s in spans), min(s[1] for s in spans)) if spans else None)
    return tuple(ranges)


def _hold(size, centre, ranges, rotation):
    """(size, centre) within `ranges`: the centre moved into them, then the
    size cut to what fits around it (both axes alike when rotation mixes them)."""
    size, centre = list(size), list(centre)
    for axis, span in enumerate(ranges):
        if span:
            centre[axis] = min(max(centre[axis], span[0]), span[1])
    room = [min(centre[axis] - span[0], span[1] - centre[axis]) if span else math.inf
            for axis, span in enumerate(ranges)]
    cos, sin = (abs(term) for term in rotation_terms(rotation))
    if sin == 0:
        size[0], size[1] = min(size[0], room[0]), min(size[1], room[1])
    else:
        reach = (cos * size[0] + sin * size[1], sin * size[0] + cos * size[1])
        factor = min([1.0] + [room[a] / reach[a] for a in (0, 1) if reach[a] > room[a]])
        size[0], size[1] = size[0] * factor, size[1] * factor
    return size, centre


def _degrees(values):
    return "[%s]" % ", ".join("%g°" % value for value in values[:2])


def _protocol_name(protocol):
    return {"artnet": "Art-Net", "sacn": "sACN", "osc": "OSC"}[protocol]


def _place(kind, name, index):
    if isinstance(name, str):
        return "%s %s (%s %d)" % (kind, _show(name), kind, index + 1)
    return "%s %d" % (kind, index + 1)


def _quote(key):
    return '"%s"' % escape(key)

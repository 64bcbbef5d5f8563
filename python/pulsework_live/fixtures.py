"""GDTF fixture types, read through pygdtf: where a fixture's pan, tilt,
zoom, dimmer and focus are in a DMX mode, what each one's DMX range means
physically (degrees for pan and tilt), and how fast the file says it moves.

What is read from a file, for the chosen mode: the DMX channels of the
first DMX break (their offsets from the fixture's address, coarse first,
then fine), and for the first channel of each attribute Pan, Tilt, Zoom,
Dimmer and Focus1 (or Focus) the channel function of that attribute with
the widest DMX span: its DMX range, PhysicalFrom and PhysicalTo, DMXInvert,
RealFade (seconds for the whole physical range, from which the top speed
follows) and RealAcceleration (seconds from standstill to top speed). The
mode's footprint is its number of DMX channels.
"""
import io
import zipfile
from dataclasses import dataclass, replace

from .text import show

# The description is read whole; a fixture type of any size stays well inside this.
MAX_DESCRIPTION_BYTES = 64 << 20
ROLE_ATTRIBUTES = {"pan": ("Pan",), "tilt": ("Tilt",), "zoom": ("Zoom",), "dimmer": ("Dimmer",),
                   "focus": ("Focus1", "Focus")}


class FixtureError(ValueError):
    """A fixture type file that cannot be used; the message names the file."""


@dataclass(frozen=True)
class FixtureChannel:
    """One attribute of a fixture in a mode. DMX values are fractions of the
    channel's travel (0 to 1 over coarse and fine together); the physical
    values are the file's (degrees for pan and tilt)."""
    role: str
    offsets: tuple
    dmx_from: float
    dmx_to: float
    physical_from: float
    physical_to: float
    speed: float = 0.0          # physical units a second at most; 0 when the file does not say
    acceleration: float = 0.0   # physical units a second squared at most; 0 when it does not say

    @property
    def physical_range(self):
        return min(self.physical_from, self.physical_to), max(self.physical_from, self.physical_to)

    def inverted(self):
        """The same channel with its DMX direction turned around."""
        return replace(self, dmx_from=self.dmx_to, dmx_to=self.dmx_from)


@dataclass(frozen=True)
class FixtureType:
    source: str         # the file, as the rig or scene names it
    name: str
    mode: str
    footprint: int
    channels: tuple     # FixtureChannel, at most one per role

    def channel(self, role):
        return next((channel for channel in self.channels if channel.role == role), None)

    @property
    def label(self):
        return "%s, mode %s" % (self.source, show(self.mode))


def read_fixture_type(path, mode, data=None, name=None):
    """The FixtureType of mode `mode` (None: the only one) of a GDTF file:
    the file at `path`, or `data`, its bytes as found inside a scene.
    Messages name it `name` (default `path`)."""
    source = name or path
    try:
        import pygdtf
    except ImportError:
        raise FixtureError('%s: GDTF fixture files need pygdtf: python -m pip install '
                           '"pulsework[live]"' % source) from None
    opened = io.BytesIO(data) if data is not None else path
    fault = archive_fault(opened, source, "description.xml", "GDTF")
    if fault:
        raise FixtureError(fault)
    try:
        with pygdtf.FixtureType(opened) as fixture_type:
            pass
    except Exception as error:  # pygdtf raises whatever its parsing meets
        raise FixtureError("%s: cannot read the fixture type: %s"
                           % (source, show(str(error) or type(error).__name__))) from None
    modes = [m.name for m in fixture_type.dmx_modes]
    if mode is None and len(modes) == 1:
        mode = modes[0]
    chosen = fixture_type.dmx_modes.get_mode_by_name(mode) if mode is not None else None
    if chosen is None:
        raise FixtureError("%s: %s (the file has %s)" % (
            source, "no DMX mode %s" % show(mode) if mode is not None else
            "several DMX modes: say which with mode", ", ".join(show(m) for m in modes)))
    try:
        channels = _channels(chosen)
    except (AttributeError, TypeError, ValueError) as error:
        raise FixtureError("%s, mode %s: cannot read the channels: %s"
                           % (source, show(mode), show(str(error)))) from None
    return FixtureType(source, fixture_type.name or "", mode,
                       int(chosen.dmx_channels_count or 0), tuple(channels))


def archive_fault(opened, source, member, kind):
    """What is wrong with a zip archive that should hold the well-formed XML
    `member` of a bounded size, or None (pygdtf and pymvr would read past a
    broken one)."""
    from xml.etree import ElementTree

    try:
        with zipfile.ZipFile(opened) as archive:
            size = archive.getinfo(member).file_size
            if size > MAX_DESCRIPTION_BYTES:
                return ("%s: %s is %d bytes, more than a %s file holds (at most %d)"
                        % (source, member, size, kind, MAX_DESCRIPTION_BYTES))
            ElementTree.fromstring(archive.read(member))
    except OSError as error:
        return "%s: cannot read the file: %s" % (source, error.strerror or error)
    except zipfile.BadZipFile:
        return "%s: not a %s file (one is a zip archive)" % (source, kind)
    except KeyError:
        return "%s: not a %s file (no %s inside)" % (source, kind, member)
    except ElementTree.ParseError as error:
        return "%s: %s is not well-formed XML: %s" % (source, member, error)
    except (RuntimeError, EOFError, ValueError, zipfile.LargeZipFile) as error:
        return "%s: cannot unpack %s: %s" % (source, member, show(str(error)))
    finally:
        if hasattr(opened, "seek"):
            opened.seek(0)
    return None


def _channels(mode):
    found = {}
    for dmx_channel in mode.dmx_channels:
        offsets = tuple(dmx_channel.offset or ())
        if not offsets or dmx_channel.dmx_break != 1:
            continue
        for role, attributes in ROLE_ATTRIBUTES.items():
            if role in found:
                continue
            functions = [f for logical in dmx_channel.logical_channels
                         for f in logical.channel_functions
                         if f.attribute is not None and f.attribute.str_link in attributes]
            if functions:
                found[role] = _channel(role, offsets, max(functions, key=_span))
    return [found[role] for role in ROLE_ATTRIBUTES if role in found]


def _travel(value, byte_count, size, end):
    """A DMX value of `byte_count` bytes as a fraction of a `size`-byte
    channel's travel; an `end` value fills the lower bytes (127/1 is 32767/2)."""
    shift = 8 * (size - byte_count)
    if shift >= 0:
        value = ((value + 1) << shift) - 1 if end else value << shift
    else:
        value >>= -shift
    return min(max(value, 0), (1 << (8 * size)) - 1) / ((1 << (8 * size)) - 1)


def _span(function):
    return function.dmx_to.value / (1 << 8 * function.dmx_to.byte_count) - \
        function.dmx_from.value / (1 << 8 * function.dmx_from.byte_count)


def _channel(role, offsets, function):
    size = len(offsets)
    low = _travel(function.dmx_from.value, function.dmx_from.byte_count, size, False)
    high = _travel(function.dmx_to.value, function.dmx_to.byte_count, size, True)
    if str(function.dmx_invert.value) == "Yes":
        low, high = high, low
    physical_from = float(function.physical_from.value or 0.0)
    physical_to = float(function.physical_to.value or 0.0)
    fade = float(function.real_fade or 0.0)
    speed = abs(physical_to - physical_from) / fade if fade > 0 else 0.0
    rise = float(function.real_acceleration or 0.0)
    acceleration = speed / rise if speed and rise > 0 else 0.0
    return FixtureChannel(role, offsets, low, high, physical_from, physical_to, speed,
                          acceleration)

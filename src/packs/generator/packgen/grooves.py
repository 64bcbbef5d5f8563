"""Drum programmes: the 68 grooves that the club and dancefloor packs read
as motion.

``data/grooves/grooves.tsv`` lists the grooves in their numbered order
(name, period, the club pack's bounce and step dimensions, label, note);
``data/grooves/programmes/<name>.tsv`` holds each groove's events, one a
line:

    lane    at        velocity  [note  length]

- lane: one of LANES. ``bass`` is the one pitched lane: its events carry a
  MIDI note and a length in pips; no other lane does.
- at: bar.beat.sixteenth, each counted from 1, so 1.1.1 is pip 0 and 2.3.3
  is pip 256 + 128 + 32. A played offset in pips may follow as +n or -n,
  n a whole number or an exact fraction: 1.4.1+32/3 is the second note of a
  sixteenth-note triplet starting on beat 4 (a sixteenth triplet is 64/6
  pips). Positions stay exact fractions until a shape samples them.
- velocity: in (0, 1]; a snare, clap or rim below 0.5 is a ghost note.

Events are kept sorted by pip, then by lane order.
"""
import re
from dataclasses import dataclass
from fractions import Fraction
from typing import List, Optional, Tuple

from .authored import read_table

PIPS_PER_BEAT = 64
SIXTEENTH = 16
BEATS_PER_BAR = 4
BAR = PIPS_PER_BEAT * BEATS_PER_BAR

LANES = (
    "kick", "snare", "clap", "rim", "closed_hat", "open_hat", "shaker",
    "tom_low", "tom_mid", "tom_high", "bell", "clave", "conga", "perc", "bass",
)
PITCHED = ("bass",)
GHOSTABLE = ("snare", "clap", "rim")
GHOST_BELOW = 0.5

AT = re.compile(r"(\d+)\.([1-4])\.([1-4])(?:([+-])(\d+)(?:/(\d+))?)?\Z")


@dataclass(frozen=True)
class Event:
    lane: str
    pip: Fraction
    velocity: float
    note: Optional[int] = None
    length: Optional[Fraction] = None

    @property
    def ghost(self) -> bool:
        return self.lane in GHOSTABLE and self.velocity < GHOST_BELOW


@dataclass(frozen=True)
class Groove:
    number: int  # 1 to 68, the order of the grooves
    name: str  # the name part of its patterns, such as beat_house_classic
    label: str
    period: int
    club_dimensions: int  # bounce and step dimensions in the club pack; 0 if not in it
    note: str
    events: Tuple[Event, ...]

    def lane(self, *lanes: str) -> List[Event]:
        """The events of the given lanes, in time order."""
        return [e for e in self.events if e.lane in lanes]

    def has(self, lane: str) -> bool:
        return any(e.lane == lane for e in self.events)


def parse_at(text: str) -> Fraction:
    """The pip of a bar.beat.sixteenth position with its optional offset."""
    m = AT.match(text)
    if not m:
        raise ValueError("position %r is not bar.beat.sixteenth[+-offset]" % text)
    bar, beat, sixteenth, sign, numerator, denominator = m.groups()
    pip = Fraction((int(bar) - 1) * BAR + (int(beat) - 1) * PIPS_PER_BEAT
                   + (int(sixteenth) - 1) * SIXTEENTH)
    if sign:
        if denominator is not None and int(denominator) == 0:
            raise ValueError("position %r divides by zero" % text)
        offset = Fraction(int(numerator), int(denominator or 1))
        pip += offset if sign == "+" else -offset
    return pip


def parse_fraction(text: str) -> Fraction:
    try:
        return Fraction(text)  # "24", "3/2": exact
    except ZeroDivisionError:
        raise ValueError("%r divides by zero" % text) from None


def load_events(name: str, period: int) -> Tuple[Event, ...]:
    parts = ("grooves", "programmes", name + ".tsv")
    events = []
    for number, fields in read_table(*parts):
        where = "%s:%d" % (parts[-1], number)
        if not 3 <= len(fields) <= 5:
            raise ValueError("%s: expected lane, at, velocity [, note, length]" % where)
        lane, at, velocity, *pitch = fields
        if lane not in LANES:
            raise ValueError("%s: unknown lane %r" % (where, lane))
        if len(pitch) not in (0, 2) or bool(pitch) != (lane in PITCHED):
            raise ValueError("%s: the bass lane, and only it, gives a note and a length" % where)
        try:
            pip = parse_at(at)
            event = Event(lane, pip, float(velocity),
                          int(pitch[0]) if pitch else None,
                          parse_fraction(pitch[1]) if pitch else None)
        except ValueError as error:
            raise ValueError("%s: %s" % (where, error)) from None
        if not 0 <= pip < period:
            raise ValueError("%s: pip %s outside the period of %d" % (where, pip, period))
        if not 0.0 < event.velocity <= 1.0:
            raise ValueError("%s: velocity outside (0, 1]" % where)
        if pitch and not (0 <= event.note <= 127 and event.length > 0):
            raise ValueError("%s: a note from 0 to 127 and a positive length" % where)
        events.append(event)
    events.sort(key=lambda e: (e.pip, LANES.index(e.lane)))
    for a, b in zip(events, events[1:]):
        if (a.pip, a.lane) == (b.pip, b.lane):
            raise ValueError("%s: two %s events at pip %s" % (parts[-1], a.lane, a.pip))
    return tuple(events)


def load_grooves() -> List[Groove]:
    """Every groove in its numbered order, with its events."""
    grooves = []
    for number, fields in read_table("grooves", "grooves.tsv"):
        if len(fields) != 5:
            raise ValueError("grooves.tsv:%d: expected 5 tab-separated fields" % number)
        name, period, dimensions, label, note = fields
        grooves.append(Groove(len(grooves) + 1, name, label, int(period), int(dimensions), note,
                              load_events(name, int(period))))
    return grooves


@dataclass(frozen=True)
class Shape:
    name: str
    club_title: str  # empty where the club pack does not play the shape
    title: str  # the dancefloor title
    sentence: str


def load_shapes() -> List[Shape]:
    shapes = []
    for number, fields in read_table("grooves", "shapes.tsv"):
        if len(fields) != 4:
            raise ValueError("shapes.tsv:%d: expected 4 tab-separated fields" % number)
        shapes.append(Shape(*fields))
    return shapes

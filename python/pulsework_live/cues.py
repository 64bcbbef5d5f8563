"""Cues: named looks for the groups, fired live, going on the show clock's
beat, bar or phrase, and crossfaded over beats.

A cue sets the pattern and shaping of the groups it names; the others play
on as they were, as a desk's cue stack tracks. A group's entry in a cue
starts from the group's own settings in the rig file, so what a cue looks
like never depends on the cue before it. A `fade_in` given in a cue counts
from the cue's go.

Timing, all in pips of the show clock: a cue fired at any moment is due at
its quantisation point after the pip of that moment: `now` (that pip), the
next `beat`, the next `bar` (four beats, bar 1 from pip 0) or the next
`phrase` of N bars. It goes in the first frame whose pip reaches that
point, however late or early the message came, and its fade is timed from
the point itself, so that frame plays what the cue plays at its pip. Firing
a cue while another is pending replaces it.

Crossfades: over `fade` beats a group's positions run from the old motion
to the new, both sampled at the same pip, with the weight (pip - go) /
fade; so a fade never jumps, and a cue that goes during another's fade
fades from the blend as it moves on. At most MAX_LAYERS looks blend at
once; past that the oldest fade ends at once.

Masters: size scales every group's motion about its centre; speed runs the
patterns' time at that ratio of the show's, re-based at each change so the
motion never jumps, while cues and fades keep the music's time; blackout
sends every DMX channel of the rig at 0 and OSC home.
"""
import dataclasses
import math
import threading
from dataclasses import dataclass

from pulsework_motion import PIPS_PER_BEAT, Shaping
from pulsework_motion.clock import BEATS_PER_BAR

from .render import group_motion
from .rig import POSITION_KEYS, SHAPING_KEYS, _place, _show, _Table

WHEN = ("now", "beat", "bar", "phrase")
DEFAULT_PHRASE_BARS = 4
MAX_PHRASE_BARS = 64
MAX_FADE_BEATS = 1024
MAX_LAYERS = 4
BAR_PIPS = BEATS_PER_BAR * PIPS_PER_BEAT


@dataclass(frozen=True)
class Look:
    """What a cue sets one group to: its pattern, shaping and places along
    a spread by position (`where`, as a Group has them). `restart`: the cue
    gives fade_in itself, which then counts from the cue's go."""
    group: int
    pattern: str
    period: int
    shaping: Shaping
    where: tuple = ()
    restart: bool = False


@dataclass(frozen=True)
class Cue:
    """A named look for some groups; `number` counts from 1 in the rig
    file's order."""
    name: str
    number: int
    when: str
    phrase: int
    fade: float
    looks: tuple

    @property
    def unit(self):
        """Pips from one of its go points to the next (0: now)."""
        return {"now": 0, "beat": PIPS_PER_BEAT, "bar": BAR_PIPS,
                "phrase": self.phrase * BAR_PIPS}[self.when]

    def go_pip(self, pip):
        """The pip at which the cue goes when fired at `pip`."""
        unit = self.unit
        return pip if not unit else (pip // unit + 1) * unit

    def describe(self):
        when = "phrase of %d bars" % self.phrase if self.when == "phrase" else self.when
        fade = ", fade %g beat%s" % (self.fade, "" if self.fade == 1 else "s") if self.fade else ""
        return "%s%s" % (when, fade)


def bar_beat(pip):
    """'bar 9 beat 1' (and the pips past the beat, when any)."""
    beat, rest = divmod(pip, PIPS_PER_BEAT)
    text = "bar %d beat %d" % (beat // BEATS_PER_BAR + 1, beat % BEATS_PER_BAR + 1)
    return text + (" +%d pips" % rest if rest else "")


# The rig file.

def read_cues(reader, top, groups):
    """(cues, the starting cue's name or "") from the rig's [cues] and [[cue]]
    tables; `reader` is the rig file's reader, `top` its top-level table."""
    path = reader.path
    settings = _Table(path, "[cues]", top.table("cues") or {})
    when = settings.text("when", "bar", choices=WHEN)
    fade = settings.number("fade", 0, MAX_FADE_BEATS, 0, what="a number of beats")
    phrase = settings.integer("phrase", 1, MAX_PHRASE_BARS, DEFAULT_PHRASE_BARS)
    start = settings.text("start", "")
    settings.done(("start", "when", "fade", "phrase"))
    cues = []
    value = top.take("cue")
    if value is not None:
        for index, data in enumerate(reader._array_of_tables(value, "cue")):
            table = _Table(path, _place("cue", data.get("name"), index), data)
            cue = _cue(reader, table, index, groups, (when, fade, phrase))
            if any(other.name == cue.name for other in cues):
                table.fail("name", "another cue is already named %s" % _show(cue.name))
            cues.append(cue)
    if start and not any(cue.name == start for cue in cues):
        settings.fail("start", "no [[cue]] is named %s (the cues: %s)"
                      % (_show(start), ", ".join(_show(c.name) for c in cues) or "none"))
    return tuple(cues), start


def _cue(reader, table, index, groups, defaults):
    when, fade, phrase = defaults
    name = table.text("name", required=True)
    if not name.strip():
        table.fail("name", "must not be empty")
    when = table.text("when", when, choices=WHEN)
    phrase = table.integer("phrase", 1, MAX_PHRASE_BARS, phrase)
    fade = table.number("fade", 0, MAX_FADE_BEATS, fade, what="a number of beats")
    entries = table.table("group")
    if not entries:
        table.fail("group", "a cue sets at least one group: [cue.group.NAME] with its pattern "
                            "or shaping")
    by_name = {group.name: group for group in groups}
    looks = []
    for group_name, data in entries.items():
        group = by_name.get(group_name)
        if group is None:
            table.fail("group", "no [[group]] is named %s (the groups: %s)"
                       % (_show(group_name), ", ".join(_show(g.name) for g in groups)))
        if not isinstance(data, dict):
            table.fail("group", "%s must be a table of pattern and shaping keys, found %s"
                       % (_show(group_name), _show(data)))
        look = _Table(reader.path, "%s, group %s" % (table.place, _show(group_name)), data)
        looks.append(_look(reader, look, group))
    table.done(("name", "when", "phrase", "fade", "group"))
    return Cue(name, index + 1, when, phrase, float(fade), tuple(looks))


def _look(reader, table, group):
    pattern, period = group.pattern, group.period
    if "pattern" in table.data:
        pattern, record = reader.pattern(table)
        period = record["period_pips"]
    data = table.data
    if group.ranges and ("size" in data) != ("centre" in data):
        # Aimed in degrees, size and centre are held within the fixtures'
        # ranges together: the one not given is the group's.
        missing = "centre" if "size" in data else "size"
        data[missing] = list(getattr(group.shaping, missing))
    given = [key for key in SHAPING_KEYS if key in data]
    fields = dict(ranges=group.ranges, patches=group.patches, fixture_type=group.fixture_type)
    shaping = reader.shaping(table, fields)
    table.done(("pattern",) + SHAPING_KEYS + POSITION_KEYS)
    shaping = group.shaping.replace(**{key: getattr(shaping, key) for key in given})
    where = fields["where"] if "spread" in given else group.where
    if where and (shaping.wings or shaping.blocks > 1):
        table.fail("spread", 'a spread by position does not go with the group\'s wings or '
                             'blocks: set wings = false and blocks = 1 in the cue')
    return Look(group.index, pattern, period, shaping, where, "fade_in" in given)


def describe_cues(rig):
    """A line for each cue, for --check."""
    names = {group.index: group.name for group in rig.groups}
    return ["  cue %d %s: %s; %s%s" % (cue.number, cue.name,
                                       ", ".join(names[look.group] for look in cue.looks),
                                       cue.describe(),
                                       " (the starting cue)" if cue.name == rig.start_cue else "")
            for cue in rig.cues]


# The running show.

class Director:
    """The cues and masters of a running show.

    Commands fire cues and set the masters from any thread; the frame
    thread asks `begin(clock, now)` for each frame's pip, and a cue that is
    due by then goes in that frame. The director takes over each writer's
    motion with a Player, and sets the writer's group to the look it plays
    (the view reads it from there).
    """

    def __init__(self, show, sample):
        self.show = show
        self.cues = show.rig.cues
        self.sample = sample
        self._lock = threading.Lock()
        self.pending = None       # (cue, go pip)
        self.current = None       # the cue that went last
        self.went = None          # (that cue, its go pip, the frame's pip, its fade in pips)
        self.size = 1.0
        self.speed = 1.0          # wanted; the frame thread re-bases the time to it
        self.blackout = False
        self.pip = None
        self.motion_pip = 0
        self._time = (0.0, 0.0, 1.0)    # (show pip, motion pip, speed) at the last re-base
        self._base = {}                 # group index -> its Group in the rig file
        self._players = {}              # group index -> [(writer, player)]
        for writer in show.writers:
            player = Player(self, writer.motion)
            writer.motion = player
            self._base.setdefault(writer.group.index, writer.group)
            self._players.setdefault(writer.group.index, []).append((writer, player))
        self._looks = {(cue.number, look.group): self._made(look)
                       for cue in self.cues for look in cue.looks}
        show.director = self
        if show.rig.start_cue:
            self._go(self.find(show.rig.start_cue), 0, None, fade=0)

    def _made(self, look, start=None):
        """(the group as the look plays it, its Motion)."""
        shaping = look.shaping
        if look.restart and shaping.fade_in:
            shaping = shaping.replace(start=start or 0)
        group = dataclasses.replace(self._base[look.group], pattern=look.pattern,
                                    period=look.period, shaping=shaping, where=look.where)
        return group, group_motion(group, self.sample)

    def find(self, which):
        """The cue of a name, or of a number (1 up, as an int or its text);
        None when there is none."""
        for cue in self.cues:
            if cue.name == which:
                return cue
        if isinstance(which, str) and which.strip().isascii() and which.strip().isdigit():
            which = int(which)
        elif isinstance(which, float) and which.is_integer():
            which = int(which)
        if isinstance(which, int) and not isinstance(which, bool) and 1 <= which <= len(self.cues):
            return self.cues[which - 1]
        return None

    def fire(self, cue, clock, now):
        """Make `cue` pending, due at its quantisation point after the clock's
        pip at `now`: (go pip, the pending cue it replaced or None)."""
        with self._lock:
            go = cue.go_pip(math.floor(clock.position(now)))
            replaced = self.pending
            self.pending = (cue, go)
        return go, replaced and replaced[0]

    def begin(self, clock, now):
        """The frame of the moment `now`: its pip, from the clock. A pending
        cue that is due goes now (asked under the lock that `fire` holds, so
        no cue fired before this pip misses the frame)."""
        with self._lock:
            pip = math.floor(clock.position(now))
            pending = self.pending
            if pending is not None and pip >= pending[1]:
                self.pending = None
            else:
                pending = None
        time = self._time
        if time[2] != self.speed:
            time = self._time = (pip, time[1] + (pip - time[0]) * time[2], self.speed)
        self.motion_pip = math.floor(time[1] + (pip - time[0]) * time[2])
        if pending is not None:
            self._go(pending[0], pending[1], pip)
        self.pip = pip
        return pip

    def _go(self, cue, go, frame_pip, fade=None):
        fade = cue.fade * PIPS_PER_BEAT if fade is None else fade
        time = self._time
        for look in cue.looks:
            group, motion = self._looks[(cue.number, look.group)]
            if look.restart and look.shaping.fade_in:
                group, motion = self._made(look, math.floor(time[1] + (go - time[0]) * time[2]))
            for writer, player in self._players.get(look.group, ()):
                player.go(motion, go, fade)
                writer.group = group
        self.current = cue
        self.went = (cue, go, frame_pip, fade)

    def status(self):
        """What the views show: the current cue, the pending one (its go pip,
        where that is and how many beats away), how far its fade is, and the
        masters."""
        pip, current, went, pending = self.pip, self.current, self.went, self.pending
        fade = None
        if went is not None and pip is not None and went[3]:
            done = (pip - went[1]) / went[3]
            fade = done if 0 <= done < 1 else None
        waiting = None
        if pending is not None:
            cue, go = pending
            waiting = dict(cue=cue.name, number=cue.number, go=go, at=bar_beat(go),
                           beats=(go - pip) / PIPS_PER_BEAT if pip is not None else None)
        return dict(cue=current.name if current else "", number=current.number if current else 0,
                    fade=fade, pending=waiting, size=self.size, speed=self.speed,
                    blackout=self.blackout)


class Player:
    """One group's motion as the frames play it: the newest look over the
    blend of the looks before it, each fading in from its go pip. The
    writer asks `positions(pip)` with the show's pip; the patterns are
    sampled at the director's motion pip (the master speed's)."""

    def __init__(self, director, motion):
        self._director = director
        self.layers = ((motion, 0, 0.0),)   # (Motion, go pip, fade in pips)

    @property
    def motion(self):
        """The motion it plays once every fade is over."""
        return self.layers[-1][0]

    @property
    def shaping(self):
        return self.motion.shaping

    def go(self, motion, go, fade):
        if fade <= 0:
            self.layers = ((motion, go, 0.0),)
            return
        self.layers = (self.layers + ((motion, go, float(fade)),))[-MAX_LAYERS:]

    def pattern_pips(self, pip):
        return self.motion.pattern_pips(self._director.motion_pip)

    def positions(self, pip):
        director = self._director
        at = director.motion_pip
        layers = self.layers
        if len(layers) > 1:
            # A finished fade covers everything under it.
            for index in range(len(layers) - 1, 0, -1):
                if pip - layers[index][1] >= layers[index][2]:
                    layers = self.layers = layers[index:]
                    break
        out = layers[0][0].positions(at)
        size = director.size
        if len(layers) == 1 and size == 1.0:
            return out
        cx, cy, cz = layers[0][0].shaping.centre
        for motion, go, fade in layers[1:]:
            w = (pip - go) / fade
            if w <= 0:
                continue
            new = motion.positions(at)
            out = [(x + w * (u - x), y + w * (v - y), z + w * (s - z))
                   for (x, y, z), (u, v, s) in zip(out, new)]
            u, v, s = motion.shaping.centre
            cx, cy, cz = cx + w * (u - cx), cy + w * (v - cy), cz + w * (s - cz)
        if size != 1.0:
            out = [(cx + size * (x - cx), cy + size * (y - cy), cz + size * (z - cz))
                   for x, y, z in out]
        return out

"""Beat maps: where the beats and bars of a recording fall, and a clock that
follows them.

A beat map file (SONG.beats.json, written by pulsework-beats, corrected by
hand where it is wrong) is a JSON object:

    {"pulsework_beat_map": 1,
     "audio": "song.flac",
     "meter": 4, "tempo": 124.0, "confidence": 0.91,
     "beats": [{"time": 0.482, "bar": 1, "beat": 1, "bpm": 124.1},
               {"time": 0.966, "bar": 1, "beat": 2}, ...]}

- `pulsework_beat_map`: the format's version, 1.
- `beats` (required, at least two): every beat in order. `time` is seconds
  from the start of the audio, each later than the one before; `bar` and
  `beat` count from 1: a beat either follows the one before in its bar
  (same bar, beat one more) or starts the next bar (bar one more, beat 1).
  The first beat may be any beat of its bar (music that starts on an upbeat).
  `bpm` is the local tempo to the next beat, written for reading: the times
  rule, and an edited map needs none.
- `audio` (the audio file, relative to the map), `meter` (the usual beats to
  a bar), `tempo` (the typical tempo in BPM), `confidence` (0 to 1, the
  analysis's own), `analysis` (what made it) and `comment` are optional and
  informational.

Any other member is refused (a misspelt "tiem" must not pass unseen), and
so is every other fault: BeatMapError names the file, the JSON path and the
rule, and nothing is read.

The clock's time line (`BeatMap.position(seconds)`): beat j of bar b is at
pip bar_start(b) + 64 (j - 1); bar 1 starts at pip 0 and every bar starts a
whole number of 4/4 bars (256 pips) after the one before, so each downbeat
is a multiple of 256 and a pattern's bars land on the song's. A bar of four
beats is exactly 256 pips. A shorter bar (3/4) is still given 256 pips: its
last beat spans the rest, up to the next bar line (in 3/4 the third beat
runs 128 pips), so beats stay 64 pips apart within the bar and bars stay on
the pattern's bar lines. A longer bar (5/4, 7/8 counted in eighths...) gets
the next whole number of 256-pip bars the same way. Between beats the
position moves evenly; before the first beat and after the last it goes on
at the local tempo (64 pips a beat, at the first or last beat interval).
It never runs backwards.
"""
from __future__ import annotations

import bisect
import json
import math
import os
import statistics
import threading
from typing import Any, Callable, Dict, List, NoReturn, Optional, Sequence, Tuple

from .clock import PIPS_PER_BEAT, Clock, _monotonic
from .files import PathLike, write_whole

VERSION = 1
PIPS_PER_BAR = 4 * PIPS_PER_BEAT
MAX_FILE_BYTES = 64 * 1024 * 1024
MAX_BEATS_PER_BAR = 64
_TOP = ("pulsework_beat_map", "audio", "meter", "tempo", "confidence", "analysis", "comment",
        "beats")
_BEAT = ("time", "bar", "beat", "bpm")


class BeatMapError(ValueError):
    """A beat map that cannot be used; the message names the file, the JSON
    path and the rule."""


class Beat:
    """One beat: its time in seconds, its bar and its beat in the bar (from 1)."""

    __slots__ = ("time", "bar", "beat")

    def __init__(self, time: float, bar: int, beat: int) -> None:
        self.time = time
        self.bar = bar
        self.beat = beat

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Beat) and (self.time, self.bar, self.beat) == (
            other.time, other.bar, other.beat)

    def __repr__(self) -> str:
        return "Beat(%r, bar=%d, beat=%d)" % (self.time, self.bar, self.beat)


def _fail(source: str, where: str, message: str) -> NoReturn:
    raise BeatMapError("%s: %s: %s" % (source, where, message))


def _is_number(value: object) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool) \
        and math.isfinite(value)


def _is_whole(value: object) -> bool:
    return isinstance(value, int) and not isinstance(value, bool)


class BeatMap:
    """The beats of a recording, checked, and their place on the pip time line.

    Build one from beats (`BeatMap(beats)`), from beat times and which of
    them start bars (`BeatMap.from_times`), or read a file (`read_beat_map`).
    """

    def __init__(self, beats: Sequence[Beat], audio: Optional[str] = None,
                 meter: Optional[int] = None, tempo: Optional[float] = None,
                 confidence: Optional[float] = None, analysis: Optional[str] = None,
                 comment: Optional[str] = None, source: str = "beat map") -> None:
        document = {"pulsework_beat_map": VERSION, "audio": audio, "meter": meter,
                    "tempo": tempo, "confidence": confidence, "analysis": analysis,
                    "comment": comment,
                    "beats": [{"time": b.time, "bar": b.bar, "beat": b.beat} for b in beats]}
        _check(document, source)
        self.beats: List[Beat] = [Beat(float(b.time), b.bar, b.beat) for b in beats]
        self._times = [b.time for b in self.beats]
        self._pips = _pips(self.beats)
        self.audio = audio
        self.meter = meter if meter is not None else _usual_meter(self.beats)
        self.tempo = tempo if tempo is not None else self.median_bpm()
        self.confidence = confidence
        self.analysis = analysis
        self.comment = comment

    @classmethod
    def from_times(cls, times: Sequence[float], downbeats: Sequence[bool],
                   **info: Any) -> "BeatMap":
        """A map of beat `times` where `downbeats[i]` says beat i starts a bar.
        Beats before the first downbeat are the end of bar 0."""
        if len(times) != len(downbeats):
            raise ValueError("times and downbeats differ in length")
        count = len(times)
        first = next((i for i in range(count) if downbeats[i]), 0)
        second = next((i for i in range(first + 1, count) if downbeats[i]), None)
        lead = max(second - first if second is not None else 4, first)
        beats = []
        bar, beat = 0, lead - first
        for i, time in enumerate(times):
            if i == first or (i > first and downbeats[i]):
                bar, beat = bar + 1, 1
            else:
                beat += 1
            beats.append(Beat(float(time), bar, beat))
        return cls(beats, **info)

    # The time line.

    def position(self, seconds: float) -> float:
        """The position in pips at `seconds` into the audio."""
        times, pips = self._times, self._pips
        i = bisect.bisect_right(times, seconds) - 1
        if i < 0:
            rate = PIPS_PER_BEAT / (times[1] - times[0])
            return pips[0] - (times[0] - seconds) * rate
        if i >= len(times) - 1:
            rate = PIPS_PER_BEAT / (times[-1] - times[-2])
            return pips[-1] + (seconds - times[-1]) * rate
        span = times[i + 1] - times[i]
        return pips[i] + (pips[i + 1] - pips[i]) * (seconds - times[i]) / span

    def pip_of(self, index: int) -> int:
        """The pip of beat `index` (of `beats`)."""
        return self._pips[index]

    def bpm_at(self, seconds: float) -> float:
        """The local tempo at `seconds`: of the beat interval it falls in
        (the first or last beyond the ends)."""
        times = self._times
        i = min(max(bisect.bisect_right(times, seconds) - 1, 0), len(times) - 2)
        return 60.0 / (times[i + 1] - times[i])

    def median_bpm(self) -> float:
        """The tempo of the median beat interval."""
        times = self._times
        return 60.0 / statistics.median(b - a for a, b in zip(times, times[1:]))

    @property
    def downbeats(self) -> List[float]:
        """The times of the beats that start bars."""
        return [b.time for b in self.beats if b.beat == 1]

    # The file.

    def to_document(self) -> Dict[str, Any]:
        """The map as the JSON document the file holds."""
        document: Dict[str, Any] = {"pulsework_beat_map": VERSION}
        for key in ("audio", "meter", "tempo", "confidence", "analysis", "comment"):
            value = getattr(self, key)
            if value is not None:
                document[key] = round(value, 3) if isinstance(value, float) else value
        beats = []
        for i, b in enumerate(self.beats):
            entry: Dict[str, Any] = {"time": round(b.time, 6), "bar": b.bar, "beat": b.beat}
            if i + 1 < len(self.beats):
                entry["bpm"] = round(60.0 / (self.beats[i + 1].time - b.time), 2)
            beats.append(entry)
        document["beats"] = beats
        return document

    def __eq__(self, other: object) -> bool:
        return isinstance(other, BeatMap) and self.to_document() == other.to_document()

    def __repr__(self) -> str:
        return "<BeatMap %d beats, %d bars, %.1f BPM%s>" % (
            len(self.beats), len(self.downbeats), self.tempo,
            ", audio %s" % self.audio if self.audio else "")


def _usual_meter(beats: Sequence[Beat]) -> int:
    lengths: Dict[int, int] = {}
    for b, after in zip(beats, list(beats[1:]) + [None]):
        if after is None or after.bar != b.bar:
            lengths[b.beat] = lengths.get(b.beat, 0) + 1
    return max(sorted(lengths), key=lambda n: lengths[n])


def _pips(beats: Sequence[Beat]) -> List[int]:
    """Each beat's pip: 64 (beat - 1) after its bar's start; bar 1 starts at
    0, and a bar of n beats is followed by the next after ceil(n / 4) 4/4 bars."""
    first = beats[0]
    start = (first.bar - 1) * PIPS_PER_BAR
    pips = []
    for i, b in enumerate(beats):
        if i and b.bar != beats[i - 1].bar:
            start += -(-beats[i - 1].beat // 4) * PIPS_PER_BAR
        pips.append(start + (b.beat - 1) * PIPS_PER_BEAT)
    return pips


def _check(document: Any, source: str) -> None:
    """Every rule of the format, in file order; the first fault raises."""
    if not isinstance(document, dict):
        _fail(source, "$", "a beat map must be a JSON object")
    if "pulsework_beat_map" not in document:
        _fail(source, "$", 'not a beat map: it has no "pulsework_beat_map" version')
    version = document["pulsework_beat_map"]
    if not _is_whole(version) or version < 1:
        _fail(source, "$.pulsework_beat_map", "must be the format's version, 1; found %r"
              % (version,))
    if version > VERSION:
        _fail(source, "$.pulsework_beat_map", "version %d is newer than this reader (%d)"
              % (version, VERSION))
    for key in document:
        if key not in _TOP:
            _fail(source, "$.%s" % key, "not a member of a beat map (members: %s)"
                  % ", ".join(_TOP))
    for key, ok, rule in (
            ("audio", lambda v: isinstance(v, str) and v, "must be a file name"),
            ("meter", lambda v: _is_whole(v) and 1 <= v <= MAX_BEATS_PER_BAR,
             "must be a whole number of beats from 1 to %d" % MAX_BEATS_PER_BAR),
            ("tempo", lambda v: _is_number(v) and v > 0, "must be a tempo in BPM above 0"),
            ("confidence", lambda v: _is_number(v) and 0 <= v <= 1,
             "must be a number from 0 to 1"),
            ("analysis", lambda v: isinstance(v, str), "must be a text"),
            ("comment", lambda v: isinstance(v, str), "must be a text")):
        value = document.get(key)
        if value is not None and not ok(value):
            _fail(source, "$.%s" % key, "%s, found %r" % (rule, value))
    beats = document.get("beats")
    if not isinstance(beats, list) or len(beats) < 2:
        _fail(source, "$.beats", "must be a list of at least two beats, found %s"
              % (json.dumps(beats)[:40] if beats is not None else "none"))
    before: Optional[Tuple[float, int, int]] = None
    for i, beat in enumerate(beats):
        where = "$.beats[%d]" % i
        if not isinstance(beat, dict):
            _fail(source, where, 'must be an object {"time": s, "bar": n, "beat": k}')
        for key in beat:
            if key not in _BEAT:
                _fail(source, "%s.%s" % (where, key), "not a member of a beat (members: %s)"
                      % ", ".join(_BEAT))
        for key in ("time", "bar", "beat"):
            if key not in beat:
                _fail(source, where, 'has no "%s"' % key)
        time, bar, number = beat["time"], beat["bar"], beat["beat"]
        if not _is_number(time) or time < 0:
            _fail(source, where + ".time", "must be seconds from 0 on, found %r" % (time,))
        if not _is_whole(bar) or abs(bar) > 10 ** 7:
            _fail(source, where + ".bar", "must be a whole bar number, found %r" % (bar,))
        if not _is_whole(number) or not 1 <= number <= MAX_BEATS_PER_BAR:
            _fail(source, where + ".beat", "must be a beat of the bar from 1 to %d, found %r"
                  % (MAX_BEATS_PER_BAR, number))
        if "bpm" in beat and not (_is_number(beat["bpm"]) and beat["bpm"] > 0):
            _fail(source, where + ".bpm", "must be a tempo in BPM above 0, found %r"
                  % (beat["bpm"],))
        if before is not None:
            time_before, bar_before, beat_before = before
            if not time > time_before:
                _fail(source, where + ".time", "must be later than the beat before (%r s), "
                      "found %r" % (time_before, time))
            if (bar, number) not in ((bar_before, beat_before + 1), (bar_before + 1, 1)):
                _fail(source, where, "bar %d beat %d cannot follow bar %d beat %d: the next "
                      "beat is bar %d beat %d, or bar %d beat 1"
                      % (bar, number, bar_before, beat_before, bar_before, beat_before + 1,
                         bar_before + 1))
        before = (float(time), bar, number)


def parse_beat_map(document: Any, source: str = "beat map") -> BeatMap:
    """A BeatMap of a parsed JSON document; `source` names it in errors."""
    _check(document, source)
    beats = [Beat(float(b["time"]), b["bar"], b["beat"]) for b in document["beats"]]
    return BeatMap(beats, **{key: document.get(key) for key in _TOP[1:-1]}, source=source)


def read_beat_map(path: PathLike) -> BeatMap:
    """The beat map of a file; BeatMapError for every fault."""
    path = os.fspath(path)
    try:
        with open(path, "rb") as stream:
            data = stream.read(MAX_FILE_BYTES + 1)
    except OSError as error:
        raise BeatMapError("%s: cannot read the file: %s" % (path, error.strerror or error)
                           ) from None
    if len(data) > MAX_FILE_BYTES:
        raise BeatMapError("%s: larger than %d MiB: not a beat map"
                           % (path, MAX_FILE_BYTES >> 20))
    try:
        document = json.loads(data.decode("utf-8"))
    except UnicodeDecodeError:
        raise BeatMapError("%s: not UTF-8 text" % path) from None
    except RecursionError:
        # The decoder recurses once a level; the interpreter's limit bounds it.
        raise BeatMapError("%s: not a beat map: JSON nested too deeply" % path) from None
    except json.JSONDecodeError as error:
        raise BeatMapError("%s: line %d column %d: not JSON: %s"
                           % (path, error.lineno, error.colno, error.msg)) from None
    return parse_beat_map(document, path)


def write_beat_map(path: PathLike, beat_map: BeatMap) -> None:
    """Write the map to `path` whole or not at all, one beat a line."""
    document = beat_map.to_document()
    beats = document.pop("beats")
    head = json.dumps(document, indent=1)[:-2]
    lines = ",\n  ".join(json.dumps(b) for b in beats)
    write_whole(os.fspath(path), '%s,\n "beats": [\n  %s\n ]\n}\n' % (head, lines))


def beat_map_path(audio: PathLike) -> str:
    """Where the beat map of an audio file is kept: SONG.beats.json beside it."""
    return os.fspath(audio) + ".beats.json"


SongTime = Callable[[float], Optional[float]]


class BeatMapClock(Clock):
    """A clock that follows a recording through its beat map.

    The song's time comes from `song_time(now)`, seconds into the audio at
    the moment `now` (None while it is not known: the position holds); by
    default the song started when the clock was made (`start`, a moment).
    A player passes its own playback position so that the show follows what
    is heard. The position never runs backwards, even when the song time
    does (a seek back, or a player's clock that wavers): it holds until the
    song catches up. `replace(beat_map)` swaps in an edited map the same way.
    """

    source = "beat map"

    def __init__(self, beat_map: BeatMap, start: Optional[float] = None,
                 song_time: Optional[SongTime] = None) -> None:
        super().__init__()
        self.beat_map = beat_map
        if song_time is None:
            started = _monotonic(start)
            song_time = lambda now: now - started  # noqa: E731
        self._song_time = song_time
        self._last: Optional[float] = None
        self._seconds: Optional[float] = None
        self._map_lock = threading.Lock()

    @property
    def bpm(self) -> Optional[float]:
        if self._seconds is None:
            return self.beat_map.tempo
        return self.beat_map.bpm_at(self._seconds)

    def song_seconds(self, now: Optional[float] = None) -> Optional[float]:
        """Seconds into the song at `now`, as the song's time source says."""
        return self._song_time(_monotonic(now))

    def replace(self, beat_map: BeatMap) -> None:
        """Follow another (an edited) map from now on."""
        with self._map_lock:
            self.beat_map = beat_map

    def source_position(self, now: float) -> float:
        seconds = self._song_time(now)
        with self._map_lock:
            if seconds is None:
                return self._last if self._last is not None else self.beat_map.position(0.0)
            self._seconds = seconds
            position = self.beat_map.position(seconds)
            if self._last is not None and position < self._last:
                return self._last
            self._last = position
            return position


__all__ = ["Beat", "BeatMap", "BeatMapClock", "BeatMapError", "beat_map_path",
           "parse_beat_map", "read_beat_map", "write_beat_map"]

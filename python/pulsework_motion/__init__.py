"""pulsework_motion: moving things with pulsework patterns, from Python.

The pulsework module answers one question: where a pattern is at a pip
(64 pips to a beat). This package is what a program needs around it:

- Time (`clock`): `pip_at(seconds, bpm)`; `TempoClock` (a tempo of its own,
  tapped with `TapTempo`), `MidiClock`, `LinkClock`, all of them `Clock`s
  that answer `pip(now)`, "which pip is it now".
- Shaping (`shaping`): `Shaping` (size, centre, speed, spread, reverse,
  wings, blocks, ping-pong, rotation, fades), played by `Motion` over N
  copies; `positions()` for one question.
- Pattern files (`files`): `load_patterns(path)` gives a PatternLibrary of
  a CSV or JSON file of your own patterns, `save_patterns(path, patterns)`
  writes one; every fault is a `PatternFileError` that names the file, the
  place and the rule.
- Beat maps (`beatmap`): where a recording's beats and bars fall, read and
  written as SONG.beats.json (`read_beat_map`, `write_beat_map`), and
  `BeatMapClock`, a clock that follows the song through its map.
- Arrays (`arrays`, needs numpy): `table(name)` and `render(name, pips)`.

Conventions, everywhere: pips are ints, moments are seconds of
`time.monotonic()` unless you pass your own, positions are (x, y, z)
tuples of floats, angles are degrees, fades and beat counts are beats.

>>> import pulsework_motion as pm
>>> pm.positions("bounce", pm.pip_at(0.25, 120))
[(1.0, 0.0, 0.0)]
"""
from typing import Any

from .beatmap import (Beat, BeatMap, BeatMapClock, BeatMapError, beat_map_path,
                      read_beat_map, write_beat_map)
from .clock import (PIPS_PER_BEAT, Clock, LinkClock, MidiClock, TapTempo, TempoClock,
                    pip_at)
from .files import PatternFileError, load_patterns, read_patterns, save_patterns
from .shaping import Motion, Shaping, ShapingError, parse_speed, pattern_period, positions


# numpy is imported when an array is first asked for, not with the package.
def table(name: str, library: Any = None) -> Any:
    """One period of a pattern as a read-only (period, 3) array (needs numpy);
    see `pulsework_motion.arrays.table`."""
    from .arrays import table as table_of

    return table_of(name, library)


def render(name: str, pips: Any, library: Any = None, out: Any = None) -> Any:
    """The positions of a pattern at an array of pips (needs numpy); see
    `pulsework_motion.arrays.render`."""
    from .arrays import render as render_of

    return render_of(name, pips, library, out)


__all__ = ["PIPS_PER_BEAT", "Beat", "BeatMap", "BeatMapClock", "BeatMapError", "Clock",
           "LinkClock", "MidiClock", "Motion", "PatternFileError", "Shaping", "ShapingError",
           "TapTempo", "TempoClock", "beat_map_path", "load_patterns", "parse_speed",
           "pattern_period", "pip_at", "positions", "read_beat_map", "read_patterns", "render",
           "save_patterns", "table", "write_beat_map"]

"""Drive a rig of lights or visuals with pulsework patterns, in time with the music.

    pulsework-live RIG.toml [--library FILE] [--bpm BPM] [--fps FPS] [--tempo fixed|midi|link]

A rig file names groups of fixtures, the pattern each plays and how its x, y
and z reach the fixtures: DMX pan, tilt and a third channel over Art-Net or
sACN, or OSC addresses. The tempo is fixed, tapped, MIDI clock or Ableton
Link; every frame's pip comes from that clock.

From Python: `load_rig(path)`, a clock (`TempoClock`, `MidiClock`,
`LinkClock`, from pulsework_motion, re-exported here) and `Show(rig, clock, pulsework.sample)`, then `show.frame()`
or `show.start()` and `show.close()`. To play it live, `cues.Director(show,
sample)` takes the rig's cues and the masters, and `control.Commands(show)`
is the one way in that the keys, MIDI, OSC in (`osc_in.OscIn`) and the web
remote (`remote.Remote`) share.
"""
from pulsework_motion import PIPS_PER_BEAT, LinkClock, MidiClock, TempoClock
from .rig import Rig, RigError, load_rig
from .show import Show

__all__ = ["PIPS_PER_BEAT", "LinkClock", "MidiClock", "Rig", "RigError", "Show", "TempoClock",
           "load_rig"]

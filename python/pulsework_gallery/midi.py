"""Each groove's drum programme as a Standard MIDI File, written with mido.

A file is type 1 with three tracks: the conductor (name, tempo, 4/4), the
drums on channel 10 in the General MIDI drum map, and the bass (channel 1,
a synth bass) with its own notes and lengths. It holds one loop of the
groove, and its end is the loop's end, so a sequencer can repeat it as it
is. Every event sits on a whole tick: the resolution is 64 ticks per beat
(one per pip) times whatever the tuplets of the programmes need (three, for
the sixteenth-note triplets), so positions are exact, not rounded.
"""
import math
import os
from fractions import Fraction
from typing import Any, Dict, List, Mapping, Sequence, Tuple

# General MIDI drum notes for the programmes' lanes.
DRUM_NOTES = {
    "kick": 36,        # Bass Drum 1
    "snare": 38,       # Acoustic Snare
    "clap": 39,        # Hand Clap
    "rim": 37,         # Side Stick
    "closed_hat": 42,  # Closed Hi-Hat
    "open_hat": 46,    # Open Hi-Hat
    "shaker": 82,      # Shaker
    "tom_low": 45,     # Low Tom
    "tom_mid": 47,     # Low-Mid Tom
    "tom_high": 50,    # High Tom
    "bell": 56,        # Cowbell
    "clave": 75,       # Claves
    "conga": 63,       # Open High Conga
    "perc": 76,        # High Wood Block
}
DRUM_CHANNEL = 9   # channel 10, counted from 0
BASS_CHANNEL = 0   # channel 1
BASS_PROGRAM = 38  # Synth Bass 1, counted from 0
DRUM_LENGTH = Fraction(1, 8)  # of a beat: a drum hit's note lasts a thirty-second note
FOLDER = "midi"


class MidiUnavailable(RuntimeError):
    """The MIDI export needs mido, which is not installed."""


def _mido() -> Any:
    try:
        import mido  # type: ignore[import-untyped, unused-ignore]
    except ImportError:
        raise MidiUnavailable("the MIDI export needs mido: python -m pip install "
                              "\"pulsework[midi]\" (or mido itself)") from None
    return mido


def exact(value: float) -> Fraction:
    """A pip or length of the programmes' document as an exact fraction: an
    int, or the double nearest a tuplet position such as 32/3."""
    fraction = Fraction(value)
    if fraction.denominator == 1:
        return fraction
    simple = fraction.limit_denominator(1000)
    if float(simple) != float(value):
        raise ValueError("position %r is not a simple fraction of a pip" % value)
    return simple


def ticks_per_pip(programmes: Mapping[str, Any]) -> int:
    """The smallest whole number of ticks per pip that puts every event, and
    every bass note's end, on a whole tick."""
    denominators = {1}
    for groove in programmes["grooves"]:
        for event in groove["events"]:
            denominators.add(exact(event["pip"]).denominator)
            if "length" in event:
                denominators.add(exact(event["length"]).denominator)
    lcm = 1
    for d in denominators:
        lcm = lcm * d // math.gcd(lcm, d)
    return lcm


def velocity(value: float) -> int:
    return max(1, min(127, round(value * 127)))


# A note: (start tick, end tick, channel, note, velocity).
Note = Tuple[int, int, int, int, int]


def _track(mido: Any, name: str, notes: Sequence[Note], end: int) -> Any:
    """A track of (start tick, end tick, channel, note, velocity) notes,
    ending at tick `end`. Where two notes meet, the earlier one ends first."""
    messages = []
    for start, stop, channel, note, loud in notes:
        on = mido.Message("note_on", channel=channel, note=note, velocity=loud)
        messages.append((start, 1, on))
        messages.append((stop, 0, mido.Message("note_off", channel=channel, note=note, velocity=0)))
    messages.sort(key=lambda item: (item[0], item[1]))
    track = mido.MidiTrack([mido.MetaMessage("track_name", name=name, time=0)])
    now = 0
    for tick, _order, message in messages:
        track.append(message.copy(time=tick - now))
        now = tick
    track.append(mido.MetaMessage("end_of_track", time=end - now))
    return track


def groove_file(groove: Mapping[str, Any], bpm: float, pips_per_beat: int, per_pip: int) -> Any:
    """The MidiFile of one groove at `bpm` beats per minute."""
    mido = _mido()
    ticks_per_beat = pips_per_beat * per_pip
    end = groove["period"] * per_pip
    drum_hit = int(DRUM_LENGTH * ticks_per_beat)
    song = mido.MidiFile(type=1, ticks_per_beat=ticks_per_beat)
    conductor = mido.MidiTrack([
        mido.MetaMessage("track_name", name=groove["label"], time=0),
        mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(bpm), time=0),
        mido.MetaMessage("time_signature", numerator=4, denominator=4, time=0),
        mido.MetaMessage("end_of_track", time=end),
    ])
    song.tracks.append(conductor)

    drums: List[Tuple[int, int, int]] = []
    bass: List[Note] = []
    starts: Dict[int, List[int]] = {}
    for event in groove["events"]:
        tick = exact(event["pip"]) * per_pip
        if tick.denominator != 1:
            raise ValueError("%s: an event between ticks" % groove["name"])
        if event["lane"] == "bass":
            stop = min(end, int(tick + exact(event["length"]) * per_pip))
            bass.append((int(tick), stop, BASS_CHANNEL, event["note"], velocity(event["velocity"])))
        else:
            note = DRUM_NOTES[event["lane"]]
            drums.append((int(tick), note, velocity(event["velocity"])))
            starts.setdefault(note, []).append(int(tick))
    # A drum note lasts a thirty-second, or less where the same drum strikes again sooner.
    hits: List[Note] = []
    for start, note, loud in drums:
        later = [t for t in starts[note] if t > start]
        stop = min([start + drum_hit, end] + later[:1])
        hits.append((start, stop, DRUM_CHANNEL, note, loud))
    song.tracks.append(_track(mido, "Drums", hits, end))
    if bass:
        track = _track(mido, "Bass", bass, end)
        track.insert(1, mido.Message("program_change", channel=BASS_CHANNEL,
                                     program=BASS_PROGRAM, time=0))
        song.tracks.append(track)
    return song


def write_midi_files(folder: str, programmes: Mapping[str, Any], bpm: float) -> Dict[str, str]:
    """Write every groove's file into `folder` as <groove name>.mid; returns
    {groove name: path}, in the programmes' order."""
    _mido()
    per_pip = ticks_per_pip(programmes)
    os.makedirs(folder, exist_ok=True)
    written = {}
    for groove in programmes["grooves"]:
        song = groove_file(groove, bpm, programmes["pips_per_beat"], per_pip)
        path = os.path.join(folder, groove["name"] + ".mid")
        song.save(path)
        written[groove["name"]] = path
    return written

"""The evaluation set of bench_beats.py: the drum programmes played through
fluidsynth and a General MIDI soundfont, with their ground truth.

Each clip is one groove (drums and bass, through pulsework_gallery's MIDI
export) looped over a tempo map: steady, a step, a slow ramp; swung or
straight; with or without a quiet noise floor. The steady clips come in two
sets: "style", three tempos around the groove's own (the tempo its
programme's header states, x0.92, x1 and x1.08), and "stress", three tempos
spread over 70-180 BPM whatever the style (house at 75 BPM, drum & bass at
90), where a slow version is often heard at double time. Its truth comes
from the programme and the tempo map, not from any analysis: beat k at tick
k of the map, a downbeat every four beats from the first. The audio is cached (a WAV
per clip, named by everything that made it), so a second run renders
nothing.
"""
import hashlib
import json
import math
import os
import re
import shutil
import subprocess
import tempfile

import numpy as np

from pulsework_gallery import drum_programmes
from pulsework_gallery.midi import groove_file, ticks_per_pip

SOUNDFONTS = ("/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/soundfonts/FluidR3_GM.sf2")
RATE = 44100
BEATS_PER_BAR = 4
MIN_SECONDS = 20.0          # every clip lasts at least this long, and at least MIN_BARS
MIN_BARS = 8
SWING_PIPS = 5              # an off-beat sixteenth moved 5 pips late: about 66 % swing
NOISE_DB = -30.0            # the noise floor, below the clip's RMS
RENDER_VERSION = 2
FILE_TICKS = 2000           # ticks a second: the file's own time, at 60 BPM
PROGRAMMES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "packs",
                          "generator", "data", "grooves", "programmes")
STYLE_SPREAD = (0.92, 1.0, 1.08)
UNSTATED_BPM = 120.0        # a programme whose header names no tempo
MIN_BPM, MAX_BPM = 70.0, 180.0


def soundfont():
    for path in SOUNDFONTS:
        if os.path.exists(path):
            return path
    raise SystemExit("needs the FluidR3_GM soundfont: apt-get install fluid-soundfont-gm")


def family(name):
    """The groove family: beat_house_classic -> house."""
    return name.split("_")[1]


def has_tuplets(groove):
    return any(float(e["pip"]) != int(e["pip"]) for e in groove["events"])


def style_tempo(name):
    """The tempo the programme's header states for its style ("House at 124
    BPM"), or that of the programme it names as its source; None if neither."""
    with open(os.path.join(PROGRAMMES, name + ".tsv"), encoding="utf-8") as f:
        header = " ".join(line[1:] for line in f if line.startswith("#"))
    found = re.search(r"(\d+(?:\.\d+)?) BPM", header)
    if found:
        return float(found.group(1))
    source = re.search(r"\b(beat_\w+)", header)
    return style_tempo(source.group(1)) if source and source.group(1) != name else None


class Clip:
    """One clip: its groove, tempo map and treatment, and its truth once rendered."""

    def __init__(self, kind, groove, tempos, swing=False, noise=False, label=None):
        self.kind = kind               # steady, step, ramp, swing, noise
        self.label = label or kind     # the set it is reported in: style and stress are steady
        self.groove = groove
        self.tempos = tempos           # BPM of every beat of the clip
        self.swing = swing
        self.noise = noise

    @property
    def name(self):
        return "%s-%s-%s" % (self.label, self.groove["name"], "-".join(
            "%g" % t for t in (self.tempos[0], self.tempos[-1])))

    @property
    def family(self):
        return family(self.groove["name"])

    def key(self):
        # Not the label: a clip in both steady sets is rendered once.
        text = json.dumps([RENDER_VERSION, self.kind, self.groove, self.tempos, self.swing,
                           self.noise], sort_keys=True)
        return hashlib.sha256(text.encode()).hexdigest()[:16]

    def beat_times(self):
        """Every beat's time in seconds, from the tempo map (beat 0 at 0 s)."""
        times = [0.0]
        for bpm in self.tempos:
            times.append(times[-1] + 60.0 / bpm)
        return np.array(times[:-1])

    def downbeat_times(self):
        return self.beat_times()[::BEATS_PER_BAR]

    def seconds(self):
        return float(sum(60.0 / t for t in self.tempos))


def _bars_for(bpm):
    return max(MIN_BARS, math.ceil(MIN_SECONDS * bpm / 60 / BEATS_PER_BAR))


def _steady(groove, bpm, label):
    return Clip("steady", groove, [float(bpm)] * _bars_for(bpm) * BEATS_PER_BAR, label=label)


def evaluation_set(quick=False):
    """The clips, in a fixed order. `quick`: a ninth of the grooves, one tempo each."""
    grooves = drum_programmes()["grooves"]
    clips = []
    for i, groove in enumerate(grooves):
        if quick and i % 9:
            continue
        own = style_tempo(groove["name"]) or UNSTATED_BPM
        for scale in ((1.0,) if quick else STYLE_SPREAD):
            clips.append(_steady(groove, min(MAX_BPM, max(MIN_BPM, round(own * scale))),
                                 "style"))
    for i, groove in enumerate(grooves):
        if quick and i % 9:
            continue
        low = 70 + (i * 7) % 30
        mid = 100 + (i * 11) % 35
        high = 135 + (i * 13) % 46
        for bpm in ((mid,) if quick else (low, mid, high)):
            clips.append(_steady(groove, bpm, "stress"))
    for i, groove in enumerate(grooves):
        if i % (8 if quick else 4) != 1:
            continue
        start = 85 + (i * 17) % 70
        # A step of 6-15 % at the middle, up or down.
        step = start * (1 + (0.06 + (i % 5) * 0.02) * (1 if i % 2 else -1))
        bars = _bars_for(max(start, step))
        half = bars // 2 * BEATS_PER_BAR
        clips.append(Clip("step", groove, [float(start)] * half
                          + [round(step, 2)] * (bars * BEATS_PER_BAR - half)))
    for i, groove in enumerate(grooves):
        if i % (8 if quick else 4) != 2:
            continue
        start = 80 + (i * 13) % 80
        end = start * (1.2 if i % 2 else 0.85)
        bars = max(16, _bars_for(max(start, end)))
        beats = bars * BEATS_PER_BAR
        clips.append(Clip("ramp", groove, [round(start + (end - start) * k / (beats - 1), 3)
                                           for k in range(beats)]))
    straight = [g for g in grooves if not has_tuplets(g)
                and any(int(e["pip"]) % 32 == 16 for e in g["events"])]
    for i, groove in enumerate(straight[:: (12 if quick else 5)]):
        bpm = 90 + (i * 19) % 40
        clips.append(Clip("swing", groove, [float(bpm)] * _bars_for(bpm) * BEATS_PER_BAR,
                          swing=True))
    for i, groove in enumerate(grooves):
        if i % (8 if quick else 4) != 3:
            continue
        bpm = 75 + (i * 23) % 100
        clips.append(Clip("noise", groove, [float(bpm)] * _bars_for(bpm) * BEATS_PER_BAR,
                          noise=True))
    return clips


def swung(groove):
    """The groove with every off-beat sixteenth SWING_PIPS late."""
    events = []
    for event in groove["events"]:
        event = dict(event)
        pip = event["pip"]
        if float(pip) == int(pip) and int(pip) % 32 == 16:
            event["pip"] = int(pip) + SWING_PIPS
        events.append(event)
    return dict(groove, events=events)


def midi_file(clip, per_pip):
    """A MidiFile of the clip: the groove looped over the clip's tempo map.

    The tempo map is played by the file's timing itself, not by tempo
    changes (a synthesiser may apply those a little late): the file runs at
    a fixed 60 BPM with a tick of half a millisecond, and every event sits at
    the tick of its moment on the map.
    """
    import mido

    groove = swung(clip.groove) if clip.swing else clip.groove
    loop = groove_file(groove, 60.0, 64, per_pip)
    ticks_per_beat = loop.ticks_per_beat
    period = groove["period"] * per_pip
    total = len(clip.tempos) * ticks_per_beat
    starts = clip.beat_times()

    def tick_of(tick):
        beat, within = divmod(tick, ticks_per_beat)
        beat = min(beat, len(clip.tempos) - 1)
        within = tick - beat * ticks_per_beat
        seconds = starts[beat] + within / ticks_per_beat * 60.0 / clip.tempos[beat]
        return round(seconds * FILE_TICKS)

    song = mido.MidiFile(type=0, ticks_per_beat=FILE_TICKS)
    events = [(0, mido.MetaMessage("set_tempo", tempo=mido.bpm2tempo(60)))]
    for track in loop.tracks[1:]:
        tick = 0
        for message in track:
            tick += message.time
            if message.is_meta:
                continue
            for start in range(0, total, period):
                if start + tick < total or (message.type == "note_off" and start < total):
                    events.append((tick_of(start + tick), message))
    song.tracks.append(_track(mido, events, tick_of(total)))
    return song


def _track(mido, events, end):
    track = mido.MidiTrack()
    now = 0
    for tick, message in sorted(events, key=lambda item: (item[0], item[1].type == "note_on")):
        track.append(message.copy(time=tick - now))
        now = tick
    track.append(mido.MetaMessage("end_of_track", time=max(0, end - now)))
    return track


def render(clip, cache, per_pip):
    """The clip's audio (mono float32 at RATE), rendered once and cached as WAV."""
    import soundfile

    path = os.path.join(cache, clip.key() + ".wav")
    if not os.path.exists(path):
        os.makedirs(cache, exist_ok=True)
        with tempfile.TemporaryDirectory() as work:
            mid = os.path.join(work, "clip.mid")
            wav = os.path.join(work, "clip.wav")
            midi_file(clip, per_pip).save(mid)
            subprocess.run(["fluidsynth", "-ni", "-q", "-g", "0.5", "-r", str(RATE), "-F", wav,
                            soundfont(), mid], check=True, stdout=subprocess.DEVNULL)
            audio, rate = soundfile.read(wav, dtype="float32", always_2d=True)
            audio = audio.mean(axis=1)[: int((clip.seconds() + 1.0) * RATE)]
            if clip.noise:
                rms = float(np.sqrt(np.mean(audio ** 2)))
                noise = np.random.default_rng(int(clip.key(), 16) % 2**32).standard_normal(
                    len(audio)).astype(np.float32)
                audio = audio + noise * rms * 10 ** (NOISE_DB / 20)
            soundfile.write(path + ".part.wav", audio, RATE, subtype="FLOAT")
            os.replace(path + ".part.wav", path)
    audio, _rate = soundfile.read(path, dtype="float32")
    return audio


def render_all(clips, cache):
    if shutil.which("fluidsynth") is None:
        raise SystemExit("needs fluidsynth: apt-get install fluidsynth fluid-soundfont-gm")
    per_pip = ticks_per_pip(drum_programmes())
    for clip in clips:
        render(clip, cache, per_pip)
    return per_pip


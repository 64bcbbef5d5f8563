"""Tempo and beat phase of live audio, and a clock that follows them.

`BeatTracker` takes blocks of mono samples as they arrive (from a
sounddevice input stream, or a file for tests and benchmarks) and runs two
of aubio's real-time detectors over them: its tempo tracker, whose beats
come with a tempo but follow a change only after seconds, and its onset
detector (high-frequency content), which hears every hit at once. Both are
reported at their moments on the caller's time line.

`AudioClock` is a pulsework_motion Clock driven by them. The tracker's
first beat starts the count; from then on an onset near a beat of the
clock's own count (within ONSET_GATE pips: hits between beats are left
alone) pulls it that way, in phase and in tempo, like a phase-locked loop,
so a tempo step is followed within a few beats. The tracker's beats steer
it only while no onset does, and its tempo replaces the clock's only when
it has insisted on another for AGREE_BEATS beats. The position never runs
backwards; when the beats stop (the music stopped, or they were lost) it
holds the last tempo and says so. Its confidence is the share of the last
eight of the tracker's beats that fell where it expected them (50 ms).
"""
import collections
import threading
from typing import Any, Deque, List, Optional, Tuple

from pulsework_motion.clock import MAX_BPM, MIN_BPM, PIPS_PER_BEAT, Clock, _monotonic

RATE = 44100
HOP = 512
WINDOW = 1024
# Music counts as stopped after this many beats without one found.
LOST_BEATS = 3.0
# A beat's correction is spread over this many beats.
STEER_BEATS = 1.0
ON_TIME_S = 0.05
ONSET_THRESHOLD = 0.3
ONSET_GAP_S = 0.02
# An onset this near a beat (in pips) is taken as that beat, heard: the
# clock moves PHASE_GAIN of the way to it and changes its tempo by
# TEMPO_GAIN of the error (as a share of a beat).
ONSET_GATE = 10.0
PHASE_GAIN = 0.5
TEMPO_GAIN = 0.25
# The tempo tracker's tempo replaces the clock's when they differ by more
# than TEMPO_AGREE for AGREE_BEATS of its beats in a row.
TEMPO_AGREE = 0.08
AGREE_BEATS = 4
CONFIDENCE_BEATS = 8
SILENCE_DB = -60.0


def _aubio() -> Any:
    try:
        import aubio  # type: ignore[import-untyped, import-not-found, unused-ignore]
    except ImportError:
        from .analysis import MUSIC_EXTRA

        raise RuntimeError("the live audio tempo needs aubio (aubio-ledfx): "
                           + MUSIC_EXTRA) from None
    return aubio


class BeatTracker:
    """aubio's tempo tracker over blocks of any length.

    `feed(samples, end)` takes mono float32 samples whose last one was
    captured at moment `end` (seconds on the caller's time line) and returns
    the beats found in them as [(moment, bpm)].
    """

    def __init__(self, rate: int = RATE, hop: int = HOP, window: int = WINDOW) -> None:
        import numpy

        self._np = numpy
        self.rate = rate
        self.hop = hop
        aubio = _aubio()
        self._tempo = aubio.tempo("default", window, hop, rate)
        self._tempo.set_silence(SILENCE_DB)
        self._onset = aubio.onset("hfc", window, hop, rate)
        self._onset.set_threshold(ONSET_THRESHOLD)
        self._onset.set_minioi_s(ONSET_GAP_S)
        self._onset.set_silence(SILENCE_DB)
        self._pending = numpy.zeros(0, dtype=numpy.float32)
        self._samples = 0          # samples given to aubio so far
        self.bpm: Optional[float] = None

    def feed(self, samples: Any, end: float) -> Tuple[List[Tuple[float, float]], List[float]]:
        np = self._np
        samples = np.asarray(samples, dtype=np.float32).reshape(-1)
        pending = np.concatenate((self._pending, samples)) if len(self._pending) else samples
        # The moment of sample n (counted over everything fed) on the caller's time line.
        fed_end = self._samples + len(pending)
        beats, onsets = [], []
        hop, tempo, onset = self.hop, self._tempo, self._onset
        used = 0
        while used + hop <= len(pending):
            chunk = np.ascontiguousarray(pending[used:used + hop])
            if tempo(chunk)[0]:
                bpm = float(tempo.get_bpm())
                if MIN_BPM <= bpm <= MAX_BPM:
                    self.bpm = bpm
                    beats.append((end - (fed_end - tempo.get_last()) / self.rate, bpm))
            if onset(chunk)[0]:
                onsets.append(end - (fed_end - onset.get_last()) / self.rate)
            used += hop
        self._samples += used
        self._pending = pending[used:].copy()
        return beats, onsets


class AudioClock(Clock):
    """A clock that follows the beats of live audio (see the module).

    `state` is "listening" before the first beat, "locked" while beats come,
    and "holding" once they have stopped: the position then runs on at the
    last tempo.
    """

    source = "audio"

    def __init__(self, now: Optional[float] = None, bpm: float = 120.0) -> None:
        super().__init__()
        self._nominal = bpm * PIPS_PER_BEAT / 60.0   # pips a second at the tempo found
        self._anchor_time = _monotonic(now)
        self._anchor = 0.0
        self._rate = self._nominal                   # pips a second until _steer_end
        self._steer_end = self._anchor_time
        self._last_beat: Optional[float] = None
        self._bpm: Optional[float] = None
        self._on_time: Deque[bool] = collections.deque(maxlen=CONFIDENCE_BEATS)
        self._disagree = 0
        self._heard = False     # an onset was taken as a beat since the tracker's last
        self.beats = 0

    @property
    def bpm(self) -> Optional[float]:
        return self._bpm

    @property
    def confidence(self) -> float:
        """The share of the last eight beats heard that came on time, 0 to 1."""
        return sum(self._on_time) / CONFIDENCE_BEATS

    def state(self, now: Optional[float] = None) -> str:
        now = _monotonic(now)
        with self._lock:
            if self._last_beat is None:
                return "listening"
            beat = 60.0 / (self._bpm or 120.0)
            return "locked" if now - self._last_beat <= LOST_BEATS * beat else "holding"

    def _position(self, now: float) -> float:
        if now <= self._steer_end:
            return self._anchor + (now - self._anchor_time) * self._rate
        steered = self._anchor + (self._steer_end - self._anchor_time) * self._rate
        return steered + (now - self._steer_end) * self._nominal

    def source_position(self, now: float) -> float:
        return self._position(now)

    def _steer(self, now: float, error: float, nominal: float) -> None:
        """Run at `nominal` pips a second, making up `error` pips over the next
        beat: never backwards, never faster than twice the tempo."""
        seconds = STEER_BEATS * PIPS_PER_BEAT / nominal
        here = self._position(now)
        self._rate = min(2 * nominal, max(0.25 * nominal, nominal + error / seconds))
        self._anchor, self._anchor_time = here, now
        self._steer_end = now + seconds
        self._nominal = nominal
        self._bpm = nominal * 60.0 / PIPS_PER_BEAT

    def beat(self, at: float, bpm: float, now: Optional[float] = None) -> None:
        """A beat found by the tempo tracker at moment `at`, at `bpm`."""
        now = _monotonic(now)
        with self._lock:
            nominal = bpm * PIPS_PER_BEAT / 60.0
            if self._last_beat is None:
                # The first beat: count from the next whole beat, forwards only.
                target = -(-self._position(at) // PIPS_PER_BEAT) * PIPS_PER_BEAT
                here = self._position(now)
                wanted = target + (now - at) * nominal
                if wanted > here:
                    self._anchor, self._anchor_time = wanted, now
                self._steer(now, min(0.0, wanted - here), nominal)
            else:
                position = self._position(at)
                error = round(position / PIPS_PER_BEAT) * PIPS_PER_BEAT - position
                self._on_time.append(abs(error) / self._nominal <= ON_TIME_S)
                if abs(nominal / self._nominal - 1) <= TEMPO_AGREE:
                    self._disagree = 0
                    if not self._heard:   # onsets lead while there are any on the beat
                        self._steer(now, error, self._nominal)
                else:
                    # Its beats keep the tempo it had until it agrees with
                    # itself on a new one: only then are they followed.
                    self._disagree += 1
                    if self._disagree >= AGREE_BEATS:
                        self._disagree = 0
                        self._steer(now, 0.0 if self._heard else error, nominal)
            self._last_beat = at
            self._heard = False
            self.beats += 1

    def onset(self, at: float, now: Optional[float] = None) -> None:
        """An onset heard at moment `at`: near a beat, it pulls the clock to it."""
        now = _monotonic(now)
        with self._lock:
            if self._last_beat is None:
                return
            position = self._position(at)
            error = round(position / PIPS_PER_BEAT) * PIPS_PER_BEAT - position
            if abs(error) > ONSET_GATE:
                return
            nominal = self._nominal * (1 + TEMPO_GAIN * error / PIPS_PER_BEAT)
            nominal = min(MAX_BPM, max(MIN_BPM, nominal * 60 / PIPS_PER_BEAT)) \
                * PIPS_PER_BEAT / 60
            self._steer(now, PHASE_GAIN * error, nominal)
            self._last_beat = max(self._last_beat, at)
            self._heard = True


class Listener:
    """A BeatTracker feeding an AudioClock: `feed(samples, end)` from the
    audio thread; `level` is the last block's peak."""

    def __init__(self, clock: AudioClock, rate: int = RATE) -> None:
        self.clock = clock
        self.tracker = BeatTracker(rate)
        self.level = 0.0
        self._lock = threading.Lock()

    def feed(self, samples: Any, end: float) -> None:
        with self._lock:
            self.level = float(abs(samples).max()) if len(samples) else 0.0
            beats, onsets = self.tracker.feed(samples, end)
            for at, bpm in beats:
                self.clock.beat(at, bpm, now=end)
            for at in onsets:
                self.clock.onset(at, now=end)

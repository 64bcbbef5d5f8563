"""Tempo and beat phase of live audio, and a clock that follows them.

`BeatTracker` takes blocks of mono samples as they arrive (from a
sounddevice input stream, or a file for tests and benchmarks) and runs
aubio's real-time tempo tracker over them: each beat it finds is reported
at its moment on the caller's time line, with the tempo. `AudioClock` is a pulsework_motion Clock driven by those beats:
between beats it runs at the tempo found; at each beat it steers towards
the nearest beat of its own count over the next beat, never running
backwards; when the beats stop (the music stopped, or the tracker lost
them) it holds the last tempo and says so. Its confidence is the share of
the last eight beats heard that fell where it expected them (within 50 ms).
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
CONFIDENCE_BEATS = 8
SILENCE_DB = -60.0


def _aubio() -> Any:
    try:
        import aubio  # type: ignore[import-not-found, import-untyped, unused-ignore]
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
        self._tempo = _aubio().tempo("default", window, hop, rate)
        self._tempo.set_silence(SILENCE_DB)
        self._pending = numpy.zeros(0, dtype=numpy.float32)
        self._samples = 0          # samples given to aubio so far
        self.bpm: Optional[float] = None

    def feed(self, samples: Any, end: float) -> List[Tuple[float, float]]:
        np = self._np
        samples = np.asarray(samples, dtype=np.float32).reshape(-1)
        pending = np.concatenate((self._pending, samples)) if len(self._pending) else samples
        # The moment of sample n (counted over everything fed) on the caller's time line.
        fed_end = self._samples + len(pending)
        beats = []
        hop, tempo = self.hop, self._tempo
        used = 0
        while used + hop <= len(pending):
            if tempo(np.ascontiguousarray(pending[used:used + hop]))[0]:
                bpm = float(tempo.get_bpm())
                if MIN_BPM <= bpm <= MAX_BPM:
                    self.bpm = bpm
                    beats.append((end - (fed_end - tempo.get_last()) / self.rate, bpm))
            used += hop
        self._samples += used
        self._pending = pending[used:].copy()
        return beats


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

    def beat(self, at: float, bpm: float, now: Optional[float] = None) -> None:
        """A beat heard at moment `at`, at `bpm`: steer towards it."""
        now = _monotonic(now)
        with self._lock:
            nominal = bpm * PIPS_PER_BEAT / 60.0
            here = self._position(now)
            if self._last_beat is None:
                # The first beat: count from the next whole beat, forwards only.
                target = -(-self._position(at) // PIPS_PER_BEAT) * PIPS_PER_BEAT
            else:
                target = round(self._position(at) / PIPS_PER_BEAT) * PIPS_PER_BEAT
            wanted = target + (now - at) * nominal
            seconds = STEER_BEATS * 60.0 / bpm
            error = wanted - here
            if self._last_beat is None and error > 0:
                here, error = wanted, 0.0   # a jump forwards, once
            else:
                self._on_time.append(abs(error) / nominal <= ON_TIME_S)
            # Never backwards, never more than twice the tempo while steering.
            rate = min(2 * nominal, max(0.25 * nominal, nominal + error / seconds))
            self._anchor, self._anchor_time = here, now
            self._rate, self._steer_end = rate, now + seconds
            self._nominal = nominal
            self._bpm = bpm
            self._last_beat = at
            self.beats += 1


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
            for at, bpm in self.tracker.feed(samples, end):
                self.clock.beat(at, bpm, now=end)

"""Clocks: where the music is, in pips, at a given moment.

Conventions: a moment is a float of seconds on one monotonic time line
(`time.monotonic()` unless you pass your own); a position is a float count
of pips, 64 to a beat; the pip to sample at is its floor. Every clock
answers `position(now)` from the moment it is asked about, never by counting
frames, so a late frame shows where the music is when it goes out and a show
cannot drift however long it runs.

- `TempoClock`: a tempo of its own, set by hand or tapped (`TapTempo`).
- `MidiClock`: follows MIDI clock (24 pulses a beat, start, stop, continue,
  song position) fed to it as mido messages.
- `LinkClock`: follows an Ableton Link session through aalink.

All of them share `Clock`: pause (the position holds still), nudge (move
it by a few pips) and `pip(now)`, "which pip is it now". A clock of your
own subclasses `Clock` and answers `source_position(now)`.
"""
from __future__ import annotations

import math
import threading
import time
from fractions import Fraction
from typing import Any, Callable, List, Optional, Union

PIPS_PER_BEAT = 64
# Bars have four beats, the first starting at pip 0 (as Link's quantum, MIDI
# song position and a tapped clock all count them).
BEATS_PER_BAR = 4
PULSES_PER_BEAT = 24
PIPS_PER_PULSE = PIPS_PER_BEAT / PULSES_PER_BEAT
MIN_BPM, MAX_BPM = 20.0, 300.0
TAP_RESET_SECONDS = 2.0
TAP_MEMORY = 8
# MIDI clock: a beat of pulses gives the tempo; a gap this long means the
# master has stopped sending.
PULSE_WINDOW = PULSES_PER_BEAT
PULSE_GAP_SECONDS = 0.5

Number = Union[int, float, Fraction]


def pip_at(seconds: Number, bpm: Number, start: int = 0) -> int:
    """The pip `seconds` into music at a steady `bpm` that is at pip `start`
    when `seconds` is 0.

    Exact for the numbers given: the product is taken as a fraction, so
    0.5 s at 120 BPM is pip 64, never 63.

    >>> pip_at(1.25, 120)
    160
    """
    if isinstance(bpm, bool) or not isinstance(bpm, (int, float, Fraction)) \
            or not math.isfinite(bpm) or bpm <= 0:
        raise ValueError("bpm must be a finite number above 0, found %r" % (bpm,))
    if isinstance(seconds, bool) or not isinstance(seconds, (int, float, Fraction)) \
            or not math.isfinite(seconds):
        raise ValueError("seconds must be a finite number, found %r" % (seconds,))
    return start + math.floor(Fraction(seconds) * Fraction(bpm) * PIPS_PER_BEAT / 60)


def _monotonic(now: Optional[float]) -> float:
    return time.monotonic() if now is None else now


class Clock:
    """What every clock shares: pause, nudge and the pip of the moment.

    Subclasses answer `source_position(now)`, where their source says the
    music is; this class adds the nudges and holds the position while
    paused. `bpm` is the tempo, or None while it is not known; `source`
    names where the time comes from.
    """

    source = "clock"

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._offset = 0.0                  # nudges, in pips
        self._held: Optional[float] = None  # the position while paused

    @property
    def bpm(self) -> Optional[float]:
        """The tempo in beats per minute, or None while it is not known."""
        return None

    @property
    def paused(self) -> bool:
        """Whether the position is held still."""
        return self._held is not None

    @property
    def nudged(self) -> float:
        """Pips the position has been nudged by, in all."""
        return self._offset

    def source_position(self, now: float) -> float:
        """Where the source says the music is at `now`, in pips (before nudges)."""
        raise NotImplementedError

    def position(self, now: Optional[float] = None) -> float:
        """Where the music is at `now` (default: this moment), in pips."""
        now = _monotonic(now)
        with self._lock:
            if self._held is not None:
                return self._held
            return self.source_position(now) + self._offset

    def pip(self, now: Optional[float] = None) -> int:
        """The pip to sample at `now` (default: this moment): the floor of the position."""
        return math.floor(self.position(now))

    def nudge(self, pips: float, now: Optional[float] = None) -> None:
        """Move the position on by `pips` (back, when negative)."""
        with self._lock:
            if self._held is not None:
                self._held += pips
            self._offset += pips

    def pause(self, now: Optional[float] = None) -> None:
        """Hold the position where it is at `now`."""
        now = _monotonic(now)
        with self._lock:
            if self._held is None:
                self._held = self.source_position(now) + self._offset

    def resume(self, now: Optional[float] = None) -> None:
        """Let go of a pause; a clock that follows another source picks it up again."""
        with self._lock:
            self._held = None

    def toggle_pause(self, now: Optional[float] = None) -> None:
        """Pause when playing, resume when paused."""
        (self.resume if self.paused else self.pause)(now)

    def tap(self, now: Optional[float] = None) -> bool:
        """A tap on the beat; only a clock with a tempo of its own takes it."""
        return False


class TapTempo:
    """The tempo of taps on the beat.

    Taps at most `reset_seconds` apart belong together; the last `memory` of
    them give the tempo from their mean interval (two taps are enough). A
    tempo outside 20 to 300 BPM is not taken.
    """

    def __init__(self, reset_seconds: float = TAP_RESET_SECONDS, memory: int = TAP_MEMORY) -> None:
        if memory < 2:
            raise ValueError("a tap tempo needs a memory of at least two taps")
        self.reset_seconds = reset_seconds
        self.memory = memory
        self.taps: List[float] = []

    def tap(self, now: Optional[float] = None) -> Optional[float]:
        """Take a tap at `now`; the tempo it gives, or None (a first tap, or one out of range)."""
        now = _monotonic(now)
        if self.taps and not 0 <= now - self.taps[-1] <= self.reset_seconds:
            self.taps = []
        self.taps = (self.taps + [now])[-self.memory:]
        if len(self.taps) < 2:
            return None
        interval = (self.taps[-1] - self.taps[0]) / (len(self.taps) - 1)
        if interval > 0 and MIN_BPM <= 60.0 / interval <= MAX_BPM:
            return 60.0 / interval
        return None


class TempoClock(Clock):
    """A tempo of its own: fixed, changed by hand, or tapped.

    The position runs on from a beat anchor (a moment and the position
    there), which is re-based at every tempo change, so changes never add
    up rounding however many there are.

    >>> clock = TempoClock(120, now=0.0)
    >>> clock.pip(1.25)
    160
    """

    def __init__(self, bpm: float = 120.0, now: Optional[float] = None,
                 position: float = 0.0) -> None:
        super().__init__()
        self.source = "fixed"
        self._bpm = _checked_bpm(bpm)
        self._anchor_time = _monotonic(now)
        self._anchor = float(position)
        self._taps = TapTempo()

    @property
    def bpm(self) -> float:
        return self._bpm

    def source_position(self, now: float) -> float:
        return self._anchor + (now - self._anchor_time) * self._bpm * (PIPS_PER_BEAT / 60.0)

    def _reanchor(self, now: float) -> None:
        self._anchor = self.source_position(now)
        self._anchor_time = now

    def set_bpm(self, bpm: float, now: Optional[float] = None) -> None:
        """Change the tempo at `now`, clamped to 20-300 BPM; the position does not jump."""
        now = _monotonic(now)
        bpm = min(MAX_BPM, max(MIN_BPM, _checked_bpm(bpm, clamp=True)))
        with self._lock:
            self._reanchor(now)
            self._bpm = bpm

    def pause(self, now: Optional[float] = None) -> None:
        now = _monotonic(now)
        with self._lock:
            if self._held is None:
                self._reanchor(now)
                self._held = self._anchor + self._offset

    def resume(self, now: Optional[float] = None) -> None:
        # Time stood still while paused: go on from where it stopped.
        now = _monotonic(now)
        with self._lock:
            if self._held is not None:
                self._anchor, self._anchor_time = self._held - self._offset, now
                self._held = None

    def tap(self, now: Optional[float] = None) -> bool:
        """A tap on a beat: two or more set the tempo from their mean
        interval, and each puts the nearest beat on the tap."""
        now = _monotonic(now)
        with self._lock:
            bpm = self._taps.tap(now)
            if bpm is not None:
                self._reanchor(now)
                self._bpm = bpm
                self.source = "tap"
            if self._held is None:
                here = self.source_position(now) + self._offset
                beat = round(here / PIPS_PER_BEAT) * PIPS_PER_BEAT
                self._anchor += beat - here
        return True


def _checked_bpm(bpm: float, clamp: bool = False) -> float:
    if isinstance(bpm, bool) or not isinstance(bpm, (int, float, Fraction)) \
            or not math.isfinite(bpm) or bpm <= 0:
        raise ValueError("bpm must be a finite number above 0, found %r" % (bpm,))
    if not clamp and not MIN_BPM <= bpm <= MAX_BPM:
        raise ValueError("bpm must be from %g to %g, found %r" % (MIN_BPM, MAX_BPM, bpm))
    return float(bpm)


class MidiClock(Clock):
    """Follows a MIDI clock master: its pulses count the music exactly, and
    between pulses the position moves on at the measured tempo, never past
    the next pulse's place.

    Feed it every message of the input with `feed(message, now)` (mido
    messages, or anything with a `type` and, for song position, a `pos`).
    """

    source = "midi"

    def __init__(self) -> None:
        super().__init__()
        self.running = False
        self._song_pulses = 0       # the song position, in pulses
        self._pulses = 0            # pulses since then, while running
        self._first_pulse = False   # the first pulse after start plays the song position
        self._last_pulse: Optional[float] = None
        self._pulse_times: List[float] = []

    @property
    def bpm(self) -> Optional[float]:
        with self._lock:
            times = self._pulse_times
            if len(times) < 2 or times[-1] == times[0]:
                return None
            return 60.0 / (PULSES_PER_BEAT * (times[-1] - times[0]) / (len(times) - 1))

    def receiving(self, now: Optional[float] = None) -> bool:
        """Whether pulses are arriving (the last came less than half a second ago)."""
        now = _monotonic(now)
        with self._lock:
            return self._last_pulse is not None and now - self._last_pulse < PULSE_GAP_SECONDS

    def feed(self, message: Any, now: Optional[float] = None) -> None:
        """Take one message received at `now`; others than clock, start,
        stop, continue and song position are ignored."""
        now = _monotonic(now)
        kind = message.type
        with self._lock:
            if kind == "clock":
                self._pulse(now)
            elif kind == "start":
                self._song_pulses, self._pulses = 0, 0
                self._start()
            elif kind == "continue":
                self._start()
            elif kind == "stop":
                self.running = False
            elif kind == "songpos":
                # Song position counts MIDI beats, sixteenth notes of six pulses.
                self._song_pulses, self._pulses = message.pos * 6, 0

    def _start(self) -> None:
        self.running = True
        self._first_pulse = True

    def _pulse(self, now: float) -> None:
        if self._last_pulse is not None and now - self._last_pulse > PULSE_GAP_SECONDS:
            self._pulse_times = []
        self._last_pulse = now
        self._pulse_times = (self._pulse_times + [now])[-(PULSE_WINDOW + 1):]
        if not self.running:
            return
        if self._first_pulse:
            self._first_pulse = False
        else:
            self._pulses += 1

    def source_position(self, now: float) -> float:
        pulses = self._song_pulses + self._pulses
        position = pulses * PIPS_PER_PULSE
        times = self._pulse_times
        if self.running and not self._first_pulse and len(times) >= 2 and now > times[-1]:
            interval = (times[-1] - times[0]) / (len(times) - 1)
            if interval > 0:
                position += min((now - times[-1]) / interval, 1.0) * PIPS_PER_PULSE
        return position


class LinkClock(Clock):
    """Follows an Ableton Link session (aalink), with a bar of four beats.

    aalink wants an asyncio event loop: the clock runs one in a thread of its
    own, and reads the session's beat from the caller's thread. Close it
    when done. Raises ImportError when aalink is not installed.
    """

    source = "link"

    def __init__(self, bpm: float = 120.0, enable: bool = True,
                 link_class: Optional[Callable[[float], Any]] = None) -> None:
        super().__init__()
        if link_class is None:
            import aalink  # type: ignore[import-not-found, unused-ignore]

            link_class = aalink.Link
        self._link: Any = None
        self._failed: Optional[BaseException] = None
        self._ready = threading.Event()
        self._stop: Any = None
        self._loop: Any = None
        self._thread = threading.Thread(target=self._serve, args=(link_class, bpm, enable),
                                        name="pulsework link", daemon=True)
        self._thread.start()
        self._ready.wait(10)
        if self._failed is not None:
            raise self._failed
        if self._link is None:
            raise RuntimeError("Ableton Link did not start")

    def _serve(self, link_class: Callable[[float], Any], bpm: float, enable: bool) -> None:
        import asyncio

        async def serve() -> None:
            try:
                link = link_class(bpm)
                link.quantum = BEATS_PER_BAR
                link.enabled = enable
                self._stop = asyncio.Event()
                self._loop = asyncio.get_running_loop()
                self._link = link
            except Exception as error:  # reported to the thread that made the clock
                self._failed = error
                return
            finally:
                self._ready.set()
            await self._stop.wait()
            self._link.enabled = False

        asyncio.run(serve())

    @property
    def bpm(self) -> float:
        return float(self._link.tempo)

    @property
    def peers(self) -> int:
        """How many other applications share the session."""
        return int(self._link.num_peers)

    def set_bpm(self, bpm: float, now: Optional[float] = None) -> None:
        """Change the session's tempo (for every peer), clamped to 20-300 BPM."""
        self._link.tempo = min(MAX_BPM, max(MIN_BPM, _checked_bpm(bpm, clamp=True)))

    def source_position(self, now: float) -> float:
        # The session's beat now, moved to the moment asked about.
        link = self._link
        return float((link.beat + (now - time.monotonic()) * link.tempo / 60.0) * PIPS_PER_BEAT)

    def close(self) -> None:
        """Leave the session and stop the clock's thread."""
        if self._stop is not None:
            self._loop.call_soon_threadsafe(self._stop.set)
        self._thread.join(5)

"""Tempo clocks: where the music is, in pips, at a given moment.

Every clock answers position(now), a float count of pips (64 to a beat),
from the moment it is asked about, never by counting frames: a frame that
comes late shows where the music is when it is sent, and the show cannot
drift from the music however long it runs. Moments are time.monotonic()
seconds.

- TempoClock: a tempo of its own, set from the rig, changed by tapping.
- MidiClock: follows MIDI clock (24 pulses a beat, start, stop, continue,
  song position) fed to it as mido messages.
- LinkClock: follows an Ableton Link session through aalink.

All three also pause (the position holds still) and nudge (move the
position by a few pips), from the keyboard of the live view.
"""
import threading
import time

PIPS_PER_BEAT = 64
PULSES_PER_BEAT = 24
PIPS_PER_PULSE = PIPS_PER_BEAT / PULSES_PER_BEAT
TAP_RESET_SECONDS = 2.0
TAP_MEMORY = 8
MIN_BPM, MAX_BPM = 20.0, 300.0
# MIDI clock: a beat of pulses gives the tempo; a gap this long means the
# master has stopped sending.
PULSE_WINDOW = PULSES_PER_BEAT
PULSE_GAP_SECONDS = 0.5


class Clock:
    """What every clock shares: a lock, pause and nudge."""

    source = "clock"

    def __init__(self):
        self._lock = threading.Lock()
        self._offset = 0.0      # nudges, in pips
        self._held = None       # the position while paused

    @property
    def paused(self):
        return self._held is not None

    @property
    def nudged(self):
        """Pips the position has been nudged by, in all."""
        return self._offset

    def position(self, now):
        with self._lock:
            if self._held is not None:
                return self._held
            return self._position(now) + self._offset

    def nudge(self, pips, now):
        with self._lock:
            if self._held is not None:
                self._held += pips
            self._offset += pips

    def pause(self, now):
        with self._lock:
            if self._held is None:
                self._held = self._position(now) + self._offset

    def resume(self, now):
        # A clock that follows another source picks that source up again.
        with self._lock:
            self._held = None

    def toggle_pause(self, now):
        (self.resume if self.paused else self.pause)(now)

    def tap(self, now):
        """A tap on the beat; only a clock of its own takes it."""
        return False

    def _position(self, now):
        raise NotImplementedError


class TempoClock(Clock):
    """A tempo of its own: fixed, changed by hand, or tapped."""

    def __init__(self, bpm, now, position=0.0):
        super().__init__()
        self.source = "fixed"
        self._bpm = float(bpm)
        self._anchor_time = now
        self._anchor = float(position)
        self._taps = []

    @property
    def bpm(self):
        return self._bpm

    def _position(self, now):
        return self._anchor + (now - self._anchor_time) * self._bpm * (PIPS_PER_BEAT / 60.0)

    def _reanchor(self, now):
        self._anchor = self._position(now)
        self._anchor_time = now

    def set_bpm(self, bpm, now):
        bpm = min(MAX_BPM, max(MIN_BPM, float(bpm)))
        with self._lock:
            self._reanchor(now)
            self._bpm = bpm

    def pause(self, now):
        with self._lock:
            if self._held is None:
                self._reanchor(now)
                self._held = self._anchor + self._offset

    def resume(self, now):
        # Time stood still while paused: go on from where it stopped.
        with self._lock:
            if self._held is not None:
                self._anchor, self._anchor_time = self._held - self._offset, now
                self._held = None

    def tap(self, now):
        """A tap on a beat: two or more set the tempo from their mean
        interval, and each puts the nearest beat on the tap."""
        with self._lock:
            if self._taps and now - self._taps[-1] > TAP_RESET_SECONDS:
                self._taps = []
            self._taps = (self._taps + [now])[-TAP_MEMORY:]
            if len(self._taps) >= 2:
                interval = (self._taps[-1] - self._taps[0]) / (len(self._taps) - 1)
                if interval > 0 and MIN_BPM <= 60.0 / interval <= MAX_BPM:
                    self._reanchor(now)
                    self._bpm = 60.0 / interval
                    self.source = "tap"
            if self._held is None:
                here = self._position(now) + self._offset
                beat = round(here / PIPS_PER_BEAT) * PIPS_PER_BEAT
                self._anchor += beat - here
        return True


class MidiClock(Clock):
    """Follows a MIDI clock master: its pulses count the music exactly, and
    between pulses the position moves on at the measured tempo, never past
    the next pulse's place."""

    source = "midi"

    def __init__(self):
        super().__init__()
        self.running = False
        self._song_pulses = 0       # the song position, in pulses
        self._pulses = 0            # pulses since then, while running
        self._first_pulse = False   # the first pulse after start plays the song position
        self._last_pulse = None
        self._pulse_times = []

    @property
    def bpm(self):
        with self._lock:
            times = self._pulse_times
            if len(times) < 2 or times[-1] == times[0]:
                return None
            return 60.0 / (PULSES_PER_BEAT * (times[-1] - times[0]) / (len(times) - 1))

    def receiving(self, now):
        with self._lock:
            return self._last_pulse is not None and now - self._last_pulse < PULSE_GAP_SECONDS

    def feed(self, message, now):
        """Take one mido message received at `now`; others than clock,
        start, stop, continue and song position are ignored."""
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

    def _start(self):
        self.running = True
        self._first_pulse = True

    def _pulse(self, now):
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

    def _position(self, now):
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
    own, and reads the session's beat from the frame thread.
    """

    source = "link"

    def __init__(self, bpm, enable=True, link_class=None):
        super().__init__()
        if link_class is None:
            from aalink import Link as link_class
        self._link = None
        self._failed = None
        self._ready = threading.Event()
        self._stop = None
        self._thread = threading.Thread(target=self._serve, args=(link_class, bpm, enable),
                                        name="pulsework-live link", daemon=True)
        self._thread.start()
        self._ready.wait(10)
        if self._failed is not None:
            raise self._failed
        if self._link is None:
            raise RuntimeError("Ableton Link did not start")

    def _serve(self, link_class, bpm, enable):
        import asyncio

        async def serve():
            try:
                link = link_class(bpm)
                link.quantum = 4
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
    def bpm(self):
        return self._link.tempo

    @property
    def peers(self):
        return self._link.num_peers

    def set_bpm(self, bpm, now):
        self._link.tempo = min(MAX_BPM, max(MIN_BPM, float(bpm)))

    def _position(self, now):
        # The session's beat now, moved to the moment asked about.
        link = self._link
        return (link.beat + (now - time.monotonic()) * link.tempo / 60.0) * PIPS_PER_BEAT

    def close(self):
        if self._stop is not None:
            self._loop.call_soon_threadsafe(self._stop.set)
        self._thread.join(5)

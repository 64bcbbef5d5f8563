"""The show: every frame, ask the clock for the pip, render each group into
its output's buffers or messages, and send.

Frames are due at even steps of 1/fps from the start. A frame is sent at
(or just after) its due time, with the pip of the moment it is made; one
more than half a frame late counts as late, and when the show falls a whole
frame behind it skips the frames it missed rather than hurrying through
them.
"""
import collections
import math
import threading
import time

from .outputs import ArtNetSender, OscSender, SacnSender
from .render import DmxWriter, OscWriter

DMX_CHANNELS = 512
EXIT_REPEATS = 3
STATS_WINDOW = 2.0  # seconds of frames behind the live figures


class FrameStats:
    """Rolling figures over the last STATS_WINDOW seconds, and totals."""

    def __init__(self, fps):
        self.fps = fps
        self.frames = 0
        self.late = 0
        self.skipped = 0
        self._recent = collections.deque()   # (sent at, lateness, cpu seconds)

    def add(self, sent_at, lateness, cpu):
        self.frames += 1
        recent = self._recent
        recent.append((sent_at, lateness, cpu))
        while recent and sent_at - recent[0][0] > STATS_WINDOW:
            recent.popleft()

    def figures(self):
        """(frames per second, mean lateness, worst lateness, CPU share of one core)."""
        recent = list(self._recent)
        if len(recent) < 2:
            return 0.0, 0.0, 0.0, 0.0
        span = recent[-1][0] - recent[0][0]
        lateness = [late for _at, late, _cpu in recent]
        fps = (len(recent) - 1) / span if span > 0 else 0.0
        cpu = sum(c for _at, _late, c in recent[1:]) / span if span > 0 else 0.0
        return fps, sum(lateness) / len(lateness), max(lateness), cpu


class Show:
    """A rig, a clock and the senders, frame by frame.

    `sample` samples patterns by name: pulsework.sample, or a
    PatternLibrary's sample for a rig that uses a library. `senders`, when
    given, maps output names to ready senders (for tests); otherwise they are
    made from the rig.
    """

    def __init__(self, rig, clock, sample, senders=None, now=time.monotonic):
        self.rig = rig
        self.clock = clock
        self.now = now
        self.stats = FrameStats(rig.fps)
        self.pip = None
        self._stop = threading.Event()
        self._thread = None
        self._closed = False
        self.buffers = {}     # output name -> {universe: bytearray}
        self.dmx = []         # DmxWriter
        self.osc = {}         # output name -> [writer]
        for group in rig.groups:
            if group.is_dmx:
                universes = self.buffers.setdefault(group.output, {})
                for patch in group.patches:
                    universes.setdefault(patch.universe, bytearray(DMX_CHANNELS))
                self.dmx.append(DmxWriter(group, sample, universes))
            else:
                self.osc.setdefault(group.output, []).append(OscWriter(group, sample))
        self.writers = self.dmx + [writer for writers in self.osc.values() for writer in writers]
        self.senders = senders if senders is not None else self._make_senders()
        # Played live: a cues.Director (cues, masters, blackout) sets itself
        # here; watchers are called with the pip after each frame is sent.
        self.director = None
        self.watchers = []

    def _make_senders(self):
        senders = {}
        try:
            for output in self.rig.outputs:
                if output.protocol == "osc":
                    if output.name in self.osc:
                        senders[output.name] = OscSender(output)
                elif output.name in self.buffers:
                    kind = ArtNetSender if output.protocol == "artnet" else SacnSender
                    senders[output.name] = kind(output, self.buffers[output.name], self.rig.fps)
        except BaseException:
            for sender in senders.values():
                sender.close()
            raise
        return senders

    # One frame.

    def render(self, pip, now=None):
        """Fill the DMX buffers for `pip` (at `now`, in seconds, for the
        fixtures' speed limits); the OSC messages, by output."""
        for writer in self.dmx:
            writer.write(pip, now)
        return {name: [message for writer in writers for message in writer.messages(pip)]
                for name, writers in self.osc.items()}

    def send(self, messages):
        for name, sender in self.senders.items():
            if name in self.osc:
                sender.send(messages.get(name, []))
            else:
                sender.send()

    def frame(self, now=None):
        """Render and send the frame of the moment `now`; its pip."""
        now = self.now() if now is None else now
        director = self.director
        if director is None:
            pip = math.floor(self.clock.position(now))
            self.send(self.render(pip, now))
        else:
            pip = director.begin(self.clock, now)
            self.send(self.still_frame(home=False) if director.blackout
                      else self.render(pip, now))
        self.pip = pip
        for watcher in self.watchers:
            watcher(pip)
        return pip

    # The frame loop, in a thread of its own.

    def start(self):
        self._thread = threading.Thread(target=self.run, name="pulsework-live frames", daemon=True)
        self._thread.start()

    def run(self, duration=None):
        period = 1.0 / self.rig.fps
        start = self.now()
        # Frames fall due at start + n * period, counted rather than summed, so
        # rounding never adds up into drift or an extra frame.
        n = 0
        due = start
        stats = self.stats
        while not self._stop.is_set():
            if duration is not None and n * period >= duration:
                break
            wait = due - self.now()
            if wait > 0:
                time.sleep(wait)
            began = self.now()
            cpu_began = time.thread_time()
            lateness = began - due
            self.frame(began)
            stats.add(began, lateness, time.thread_time() - cpu_began)
            if lateness > period / 2:
                stats.late += 1
            n += 1
            due = start + n * period
            if began - due >= period:
                missed = math.floor((began - due) / period)
                stats.skipped += missed
                n += missed
                due = start + n * period
        self._stop.set()

    @property
    def running(self):
        return self._thread is not None and self._thread.is_alive()

    def stop(self):
        self._stop.set()
        if self._thread is not None and self._thread is not threading.current_thread():
            self._thread.join()

    def close(self):
        """Stop, send the exit frame (blackout or home) a few times, let go
        of the sockets."""
        if self._closed:
            return
        self._closed = True
        self.stop()
        try:
            messages = self.exit_frame()
            for _ in range(EXIT_REPEATS):
                self.send(messages)
        finally:
            for sender in self.senders.values():
                sender.close()

    def exit_frame(self):
        return self.still_frame(home=self.rig.on_exit == "home")

    def still_frame(self, home):
        """Every DMX channel of the rig at 0, or with `home` each mapped
        channel at its middle; the OSC messages, home either way."""
        if home:
            for writer in self.dmx:
                writer.write_home()
        else:
            for universes in self.buffers.values():
                for buffer in universes.values():
                    buffer[:] = bytes(len(buffer))
        # Visuals have no dark: OSC goes home either way.
        return {name: [message for writer in writers for message in writer.home_messages()]
                for name, writers in self.osc.items()}

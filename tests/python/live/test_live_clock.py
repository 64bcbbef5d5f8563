"""Tempo clocks: fixed, tapped, MIDI clock and Link, and staying locked."""
import random
import time

import mido
import pytest

from pulsework_motion.clock import LinkClock, MidiClock, TempoClock

PIPS_PER_SECOND_AT_120 = 128.0


def test_tempo_clock_changes_without_a_jump():
    clock = TempoClock(120, now=10.0)
    assert clock.position(10.0) == 0.0
    assert clock.position(11.5) == 1.5 * PIPS_PER_SECOND_AT_120
    clock.set_bpm(60, now=12.0)
    assert clock.position(12.0) == pytest.approx(256.0)
    assert clock.position(13.0) == pytest.approx(256.0 + 64.0)
    clock.pause(now=13.0)
    assert clock.paused and clock.position(20.0) == pytest.approx(320.0)
    clock.nudge(2, now=20.0)
    assert clock.position(21.0) == pytest.approx(322.0)
    clock.resume(now=30.0)
    assert clock.position(31.0) == pytest.approx(322.0 + 64.0)


def test_taps_set_the_tempo_and_put_the_beat_on_the_tap():
    clock = TempoClock(120, now=0.0)
    for tap in (1.0, 1.6, 2.2, 2.8):   # 100 BPM
        clock.tap(tap)
    assert clock.source == "tap"
    assert clock.bpm == pytest.approx(100.0)
    assert clock.position(2.8) % 64 == pytest.approx(0.0, abs=1e-9)
    assert clock.position(3.4) - clock.position(2.8) == pytest.approx(64.0)
    # After a pause in tapping the taps start over, and an absurd one is ignored.
    clock.tap(10.0)
    clock.tap(10.01)
    assert clock.bpm == pytest.approx(100.0)
    clock.tap(10.5)
    assert clock.bpm == pytest.approx(60 / 0.25)


def test_tempo_clock_is_exact_after_ten_minutes_of_changes():
    clock = TempoClock(128, now=0.0)
    changes = [(37.25, 93.5), (100.0, 174.25), (333.3, 120.0), (501.7, 127.9)]
    for at, bpm in changes:
        clock.set_bpm(bpm, now=at)
    exact, last, tempo = 0.0, 0.0, 128.0
    for at, bpm in changes + [(600.0, None)]:
        exact += (at - last) * tempo * 64 / 60
        last, tempo = at, bpm
    assert abs(clock.position(600.0) - exact) < 1e-6


class DirectMidi:
    """Messages straight into the clock, at a time of the test's own."""

    def __init__(self, clock):
        self.clock = clock
        self.time = 100.0

    def send(self, message):
        self.clock.feed(message, self.time)

    def wait(self, seconds):
        self.time += seconds

    def now(self):
        return self.time

    def close(self):
        pass


class PortMidi:
    """Messages through a virtual MIDI port into the program's input."""

    def __init__(self, clock):
        from pulsework_live.__main__ import open_midi_input
        from pulsework_live.rig import Tempo

        self.input = open_midi_input(Tempo(source="midi", midi_virtual=True),
                                     lambda message: clock.feed(message, time.monotonic()))
        name = next(n for n in mido.get_output_names() if "pulsework-live" in n)
        self.output = mido.open_output(name)

    def send(self, message):
        self.output.send(message)

    def wait(self, seconds):
        time.sleep(seconds)

    def now(self):
        time.sleep(0.05)  # let the last message arrive
        return time.monotonic()

    def close(self):
        self.output.close()
        self.input.close()


@pytest.fixture
def midi():
    """A MIDI clock and a way to send it messages: a virtual port where the
    MIDI system allows one, else mido messages fed to the same clock code."""
    clock = MidiClock()
    try:
        link = PortMidi(clock)
    except Exception:
        link = DirectMidi(clock)
    yield clock, link
    link.close()


def test_midi_clock_sets_tempo_and_song_position(midi):
    clock, link = midi
    interval = 60.0 / (125 * 24)
    link.send(mido.Message("songpos", pos=8))        # eight sixteenths: beat 3
    link.send(mido.Message("continue"))
    for _ in range(25):
        link.send(mido.Message("clock"))
        link.wait(interval)
    now = link.now()
    assert clock.running
    assert clock.bpm == pytest.approx(125, rel=0.1 if isinstance(link, PortMidi) else 1e-9)
    # The first pulse after continue plays the song position; 24 more are a beat.
    assert 128 + 64 <= clock.position(now) <= 128 + 64 + 64 / 24
    link.send(mido.Message("stop"))
    held = clock.position(link.now())
    link.wait(0.1)
    assert clock.position(link.now()) == held and not clock.running
    link.send(mido.Message("start"))
    link.send(mido.Message("clock"))
    assert clock.position(link.now()) == 0


def test_midi_clock_moves_between_pulses_but_never_past_the_next():
    clock = MidiClock()
    clock.feed(mido.Message("start"), 0.0)
    for pulse in range(30):
        clock.feed(mido.Message("clock"), pulse * 0.02)
    last = 29 * 0.02   # the first pulse plays pip 0, the 29 after it move on
    assert clock.position(last) == pytest.approx(29 * 64 / 24)
    assert clock.position(last + 0.01) == pytest.approx(29.5 * 64 / 24)
    assert clock.position(last + 0.5) == pytest.approx(30 * 64 / 24)
    assert not clock.receiving(last + 1.0)
    clock.feed(mido.Message("note_on"), last)   # others are ignored
    assert clock.position(last) == pytest.approx(29 * 64 / 24)


def test_midi_clock_stays_locked_over_ten_minutes():
    """A master at 126.5 BPM that moves to 128 halfway, its pulses arriving
    up to half a millisecond early or late; frames at 44 fps ask where the
    music is. The error stays under a millisecond and does not grow."""
    rng = random.Random(5)
    clock = MidiClock()
    start, change, end = 1.0, 301.0, 601.0
    slow, fast = 60.0 / (126.5 * 24), 60.0 / (128 * 24)

    def master(pulse):  # when the master sends a pulse
        at_change = int((change - start) / slow)
        if pulse <= at_change:
            return start + pulse * slow
        return start + at_change * slow + (pulse - at_change) * fast

    clock.feed(mido.Message("start"), start)
    frame, pulse, errors = start, 0, []
    while frame < end:
        arrival = master(pulse) + rng.uniform(-0.0005, 0.0005)
        while frame < arrival and frame < end:
            if frame > master(1):
                # The master's position at the frame, and its pips per second then.
                before = max(p for p in (pulse - 2, pulse - 1, pulse) if master(p) <= frame)
                pulse_seconds = master(before + 1) - master(before)
                truth = (before + (frame - master(before)) / pulse_seconds) * 64 / 24
                errors.append(abs(clock.position(frame) - truth) * pulse_seconds * 24 / 64)
            frame += 1 / 44 + rng.uniform(-0.002, 0.002)
        clock.feed(mido.Message("clock"), arrival)
        pulse += 1
    last_minute = errors[-44 * 60:]
    first_minute = errors[:44 * 60]
    assert max(last_minute) < 0.001
    assert sum(last_minute) / len(last_minute) <= 1.5 * sum(first_minute) / len(first_minute)


def test_link_follows_the_session():
    pytest.importorskip("aalink")
    clock = LinkClock(100, enable=False)   # a session of one: nothing on the network
    try:
        assert clock.bpm == 100 and clock.peers == 0
        first = clock.position(time.monotonic())
        time.sleep(0.2)
        later = clock.position(time.monotonic())
        assert 0.1 * 100 / 60 * 64 < later - first < 4.0 * 100 / 60 * 64
        # The position of a moment: a quarter beat later at 100 BPM is 16 pips on.
        now = time.monotonic()
        assert clock.position(now + 0.15) - clock.position(now) == pytest.approx(16, abs=1.0)
        clock.set_bpm(140, time.monotonic())
        assert clock.bpm == pytest.approx(140)
        clock.pause(time.monotonic())
        assert clock.position(time.monotonic() + 5) == clock.position(time.monotonic())
    finally:
        clock.close()

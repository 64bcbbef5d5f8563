"""Audio for pulsework-live (sounddevice, PortAudio): the live tempo from an
input, and a song played through the output with the show following its
beat map.

`listen(device)` opens an input stream that feeds pulsework_music's
tracker and returns (AudioClock, Listener, close). `SongPlayer(path,
beat_map)` plays a file and gives a BeatMapClock whose song time is the
playback position heard at the speakers.

Where a stream's samples are in time is read from the sample count, not
from each callback's own moment: callbacks come in bursts (PulseAudio's
fills them so), but never before the samples they take were captured, nor
after the samples they give are due. So the input's sample n was captured
at t0 + n / rate, with t0 the earliest (callback moment - samples so far /
rate) of the last WINDOW seconds, and the output's frame n is heard at t0 +
n / rate + latency, with t0 the latest such moment of the frames asked for
(up to the end of the block each callback fills).
A window, not all time: a stream may start with a burst of blocks faster
than real time, and a sound card's clock runs a little fast or slow.
"""
import collections
import threading
import time

from pulsework_music.analysis import MUSIC_EXTRA



class AudioError(RuntimeError):
    """Audio that cannot be had: a missing library or device; the message says which."""

RATE = 44100
BLOCK = 512
WINDOW = 2.0
# Playback: a block of 46 ms, 0.2 s queued, which busy machines keep fed.
PLAY_BLOCK = 2048
PLAY_LATENCY = 0.2


def _sounddevice():
    try:
        import sounddevice
    except ImportError:
        raise AudioError("audio needs sounddevice: " + MUSIC_EXTRA) from None
    except OSError as error:  # the module is there, PortAudio is not
        raise AudioError("audio needs the PortAudio library (libportaudio2): %s" % error) from None
    return sounddevice


def _device(sd, name, kind):
    """A device index by (part of) its name, or the default."""
    if not name:
        return None
    if name.isdigit():
        return int(name)
    devices = [(i, d["name"]) for i, d in enumerate(sd.query_devices())
               if d["max_%s_channels" % kind] > 0]
    for index, device_name in devices:
        if name.lower() in device_name.lower():
            return index
    raise AudioError("no audio %s named like \"%s\" (devices: %s)"
                    % (kind, name, ", ".join('"%s"' % n for _i, n in devices) or "none"))


class Timeline:
    """t0 of a stream's sample count (see the module): `earliest` for an
    input, the latest for an output."""

    def __init__(self, earliest):
        self.sign = 1.0 if earliest else -1.0
        self.t0 = None
        self._best = collections.deque()   # (moment, candidate), best first

    def update(self, now, seconds):
        """A callback at `now` that has taken or asked for `seconds` of samples."""
        candidate = now - seconds
        best, sign = self._best, self.sign
        while best and sign * best[-1][1] >= sign * candidate:
            best.pop()
        best.append((now, candidate))
        while best[0][0] < now - WINDOW:
            best.popleft()
        self.t0 = best[0][1]
        return self.t0


def listen(device=None, rate=RATE):
    """(clock, listener, close) for the live tempo of an input device."""
    sd = _sounddevice()
    try:
        from pulsework_music.tracker import AudioClock, Listener
        clock = AudioClock()
        listener = Listener(clock, rate)
    except (ImportError, RuntimeError) as error:
        raise AudioError(str(error)) from None

    timeline = Timeline(earliest=True)
    taken = [0]

    def heard(indata, frames, times, status):
        taken[0] += frames
        t0 = timeline.update(time.monotonic(), taken[0] / rate)
        listener.feed(indata[:, 0], t0 + taken[0] / rate)

    try:
        stream = sd.InputStream(samplerate=rate, channels=1, blocksize=BLOCK, dtype="float32",
                                device=_device(sd, device, "input"), callback=heard)
        stream.start()
    except sd.PortAudioError as error:
        raise AudioError("cannot open the audio input: %s" % error) from None

    def close():
        stream.stop()
        stream.close()
    return clock, listener, close


class SongPlayer:
    """Plays a song through an output device; `clock` follows it."""

    def __init__(self, path, beat_map, device=None):
        from pulsework_motion import BeatMapClock
        from pulsework_music.analysis import AnalysisError, read_audio

        sd = _sounddevice()
        try:
            self.audio, self.rate = read_audio(path)
        except AnalysisError as error:
            raise AudioError(str(error)) from None

        self.seconds = len(self.audio) / self.rate
        self._lock = threading.Lock()
        self._timeline = Timeline(earliest=False)
        self._next = 0
        self.finished = threading.Event()
        self.clock = BeatMapClock(beat_map, song_time=self.song_time)
        try:
            self.stream = sd.OutputStream(samplerate=self.rate, channels=self.audio.shape[1],
                                          dtype="float32", device=_device(sd, device, "output"),
                                          latency=PLAY_LATENCY, blocksize=PLAY_BLOCK,
                                          callback=self._fill)
        except sd.PortAudioError as error:
            raise AudioError("cannot open the audio output: %s" % error) from None

    def _fill(self, outdata, frames, times, status):
        start = self._next
        chunk = self.audio[start:start + frames]
        outdata[:len(chunk)] = chunk
        outdata[len(chunk):] = 0
        self._next = start + len(chunk)
        with self._lock:
            self._timeline.update(time.monotonic(), (start + frames) / self.rate)
        if len(chunk) < frames:
            self.finished.set()

    def song_time(self, now):
        """Seconds into the song heard at moment `now` (None before playback)."""
        with self._lock:
            t0 = self._timeline.t0
        if t0 is None:
            return None
        return min(max(now - t0 - self.stream.latency, 0.0), self.seconds)

    def start(self):
        self.stream.start()

    def close(self):
        self.stream.stop()
        self.stream.close()


def song_player(song, beats=None):
    """A SongPlayer of `song` with its beat map (see pulsework_music.beats)."""
    try:
        from pulsework_motion import BeatMapError
        from pulsework_music.analysis import AnalysisError
        from pulsework_music.beats import song_beat_map
    except ImportError as error:
        raise AudioError("--song needs the music extra (%s): %s" % (error, MUSIC_EXTRA)) from None
    try:
        beat_map = song_beat_map(song, beats, say=lambda text: print("pulsework-live: " + text))
    except (AnalysisError, BeatMapError) as error:
        raise AudioError(str(error)) from None
    return SongPlayer(song, beat_map)

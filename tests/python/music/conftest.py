"""Songs synthesised with numpy, and a real audio path without a sound card:
a user-space PulseAudio daemon with a null sink, whose monitor gives back
what is played on the ALSA device "pulse"."""
import os
import shutil
import signal
import subprocess
import tempfile
import time

import pytest

np = pytest.importorskip("numpy")

RATE = 44100
SINK = "pulsework_test"


def drum_song(bpm=120.0, bars=8, rate=RATE, lead=0.0):
    """A 4/4 groove: kick on 1 and 3, snare on 2 and 4, hats on the eighths,
    a bass note a bar (changing with the bar). (audio, beat times)."""
    beat = 60.0 / bpm
    length = int((lead + bars * 4 * beat + 1.0) * rate)
    audio = np.zeros(length, dtype=np.float32)
    noise = np.random.default_rng(7).standard_normal(rate).astype(np.float32)

    def add(at, sound):
        start = int(at * rate)
        end = min(length, start + len(sound))
        audio[start:end] += sound[:end - start]

    t = np.arange(int(0.3 * rate)) / rate
    kick = np.sin(2 * np.pi * (50 * t + 60 * (1 - np.exp(-t * 30)) / 30)) * np.exp(-t * 12)
    snare = noise[:len(t)] * np.exp(-t * 25) * 0.5
    hat = noise[:len(t) // 4] * np.exp(-t[:len(t) // 4] * 120) * 0.2
    times = [lead + k * beat for k in range(bars * 4)]
    for k, at in enumerate(times):
        add(at, kick if k % 2 == 0 else snare)
        add(at, hat)
        add(at + beat / 2, hat)
        if k % 4 == 0:
            b = np.arange(int(4 * beat * rate)) / rate
            hz = (55.0, 73.4, 61.7, 82.4)[(k // 4) % 4]
            add(at, 0.3 * np.sin(2 * np.pi * hz * b) * np.exp(-b * 0.8))
    return (audio / np.abs(audio).max() * 0.8).astype(np.float32), np.array(times)


@pytest.fixture
def song(tmp_path):
    soundfile = pytest.importorskip("soundfile")
    audio, times = drum_song()
    path = tmp_path / "song.wav"
    soundfile.write(str(path), audio, RATE)
    return str(path), times


@pytest.fixture(scope="session")
def pulse():
    """The ALSA device name that plays into and records from a private
    PulseAudio null sink, for as long as the session runs."""
    daemon = shutil.which("pulseaudio")
    if daemon is None:
        pytest.skip("no pulseaudio here (apt-get install pulseaudio pulseaudio-utils "
                    "libasound2-plugins)")
    runtime = tempfile.mkdtemp(prefix="pulsework-pulse-")
    os.chmod(runtime, 0o700)
    saved = {key: os.environ.get(key) for key in ("XDG_RUNTIME_DIR", "PULSE_SINK",
                                                  "PULSE_SOURCE")}
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=runtime)
    # The suite may run under a preloaded sanitizer runtime; the daemon is not what it checks.
    env.pop("LD_PRELOAD", None)
    started = subprocess.run(
        [daemon, "-D", "--exit-idle-time=-1", "-n", "--disallow-exit", "--no-cpu-limit",
         "--load=module-null-sink sink_name=%s" % SINK, "--load=module-native-protocol-unix"],
        env=env, capture_output=True, text=True, timeout=30)
    pid_file = os.path.join(runtime, "pulse", "pid")
    for _ in range(50):
        if os.path.exists(pid_file):
            break
        time.sleep(0.1)
    if started.returncode != 0 or not os.path.exists(pid_file):
        shutil.rmtree(runtime, ignore_errors=True)
        if os.environ.get("CI"):
            pytest.fail("the PulseAudio daemon did not start: %s" % started.stderr[-500:])
        pytest.skip("the PulseAudio daemon did not start: %s" % started.stderr[-300:])
    os.environ.update(XDG_RUNTIME_DIR=runtime, PULSE_SINK=SINK, PULSE_SOURCE=SINK + ".monitor")
    try:
        yield "pulse"
    finally:
        with open(pid_file) as stream:
            pid = int(stream.read().strip())
        os.kill(pid, signal.SIGTERM)
        for key, value in saved.items():
            if value is None:
                os.environ.pop(key, None)
            else:
                os.environ[key] = value
        shutil.rmtree(runtime, ignore_errors=True)

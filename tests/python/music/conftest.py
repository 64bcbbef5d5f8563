"""A song file, and a real audio path without a sound card: a user-space
PulseAudio daemon with a null sink, whose monitor gives back what is played
on the ALSA device "pulse"."""
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pytest

from .songs import RATE, drum_song

SINK = "pulsework_test"


def needs(*modules):
    """Skip unless the modules are installed (found, not imported)."""
    missing = [name for name in modules if importlib.util.find_spec(name) is None]
    if missing:
        pytest.skip("needs the music extra (%s missing: madmom on CPython 3.11 to 3.13, aubio "
                    "from 3.11)" % ", ".join(missing))


def run_alone(arguments, timeout=120):
    """Run Python with `arguments` in a process of its own, without a
    preloaded sanitizer runtime."""
    env = dict(os.environ)
    env.pop("LD_PRELOAD", None)
    return subprocess.run([sys.executable] + arguments, env=env, capture_output=True, text=True,
                          timeout=timeout)


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
        if os.environ.get("PULSEWORK_REQUIRE_AUDIO"):
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

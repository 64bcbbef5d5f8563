"""The program: the command line, the frame loop, the keys and the view."""
import io
import json
import shutil
import subprocess
import sys
import time

import pytest

from children import environment

from pulsework_live import Show, TempoClock, load_rig
from pulsework_live.view import Controls, decode_keys, render

from .test_live_wire import artnet

RIG = """
[rig]
fps = {fps}

[[output]]
name = "wire"
protocol = "artnet"
port = {port}

[[group]]
name = "spots"
pattern = "{pattern}"
fixtures = 4
spread = 90
universe = 1
pan = {{ channel = 1, fine = 2 }}
tilt = {{ channel = 3 }}
"""


def run(args, cwd, command=None, timeout=60):
    command = command or [sys.executable, "-m", "pulsework_live"]
    return subprocess.run(command + args, cwd=str(cwd), env=environment(), capture_output=True, text=True,
                          timeout=timeout, stdin=subprocess.DEVNULL)


def test_check_says_what_the_rig_drives(tmp_path, write_rig):
    path = write_rig(RIG.format(fps=30, port=6454, pattern="helix"))
    result = run([path, "--check", "--bpm", "90"], tmp_path)
    assert result.returncode == 0, result.stderr
    assert result.stdout.splitlines() == [
        "%s: 1 group, 4 fixtures at 30 fps; tempo fixed 90 BPM; on exit, blackout" % path,
        "  spots: helix x4 -> wire (artnet), universe 1, channels 1-12"]


def test_runs_sends_and_blacks_out(tmp_path, write_rig, receivers):
    receiver = receivers()
    library = tmp_path / "mine.json"
    rows = [[round(pip / 32 - 1, 6), 0.5, 0.0] for pip in range(64)]
    library.write_text(json.dumps([{"name": "my_ramp", "samples": rows}]))
    path = write_rig(RIG.format(fps=40, port=receiver.port, pattern="my_ramp"))
    result = run([path, "--library", str(library), "--no-view", "--duration", "1.5"], tmp_path)
    assert result.returncode == 0, result.stderr
    assert "running; Ctrl-C stops" in result.stdout
    assert "blackout on exit" in result.stdout.splitlines()[-1]
    packets = [artnet(p) for p in receiver.drain()]
    assert len(packets) >= 10 + 3   # frames at 40 fps for 1.5 s, and the exit frame
    assert {universe for universe, _ in packets} == {1}
    assert any(data[:3] != bytes(3) for _, data in packets)
    assert all(data == bytes(512) for _, data in packets[-3:])
    # Tilt follows y, 0.5 of the library pattern: three quarters of the way up.
    assert packets[0][1][2] == 191


@pytest.mark.parametrize("args, message", [
    (["missing.toml"], "pulsework-live: error: missing.toml: cannot read the file"),
    (["bad.toml"], 'pulsework-live: error: bad.toml: group "spots" (group 1), key "pattern": '
                   'unknown pattern "no_such"'),
    (["good.toml", "--library", "lib.csv"],
     "pulsework-live: error: lib.csv: cannot read the file"),
    (["good.toml", "--tempo", "midi", "--midi-port", "no such port"], "pulsework-live: error: "),
])
def test_faults_stop_before_anything_is_sent(tmp_path, write_rig, receivers, args, message):
    receiver = receivers()
    write_rig(RIG.format(fps=44, port=receiver.port, pattern="no_such"), "bad.toml")
    write_rig(RIG.format(fps=44, port=receiver.port, pattern="helix"), "good.toml")
    result = run(args + ["--no-view", "--duration", "1"], tmp_path)
    assert result.returncode == 1
    (line,) = result.stderr.splitlines()  # nothing of ALSA's own
    assert line.startswith(message)
    time.sleep(0.2)
    assert receiver.drain() == []


def test_console_script(tmp_path, write_rig):
    script = shutil.which("pulsework-live")
    if script is None:
        pytest.skip("the pulsework-live script is not installed (source tree run)")
    path = write_rig(RIG.format(fps=44, port=6454, pattern="helix"))
    result = run([path, "--check"], tmp_path, command=[script])
    assert result.returncode == 0, result.stderr


class RecordingClock(TempoClock):
    def __init__(self):
        super().__init__(120, time.monotonic())
        self.asked = []

    def position(self, now):
        self.asked.append(super().position(now))
        return self.asked[-1]


def test_each_frame_plays_the_pip_of_its_moment(write_rig, module):
    rig = load_rig(write_rig(RIG.format(fps=50, port=6454, pattern="helix")))
    clock = RecordingClock()
    show = Show(rig, clock, module.sample, senders={})
    pips = []
    show.frame = lambda now, frame=show.frame: pips.append(frame(now))
    show.run(duration=0.3)
    assert 1 <= show.stats.frames == len(pips) <= 15
    assert pips == [int(p // 1) for p in clock.asked]
    assert pips == sorted(pips)


def test_keys_drive_the_clock(write_rig, module):
    rig = load_rig(write_rig(RIG.format(fps=44, port=6454, pattern="helix")))
    clock = TempoClock(120, now=0.0)
    controls = Controls(Show(rig, clock, module.sample, senders={}))
    assert decode_keys("t\x1b[C,\x1b[Aq") == ["t", "right", ",", "q"]
    for key, at in (("+", 1.0), ("+", 1.0), ("p", 2.0)):
        assert controls.key(key, at)
    assert clock.bpm == 122 and clock.paused and controls.message == "paused"
    held = clock.position(5.0)
    controls.key("right", 5.0)
    assert clock.position(9.0) == held + 2
    controls.key("t", 10.0)
    assert controls.message == "tap: 122.0 BPM"
    assert controls.key("q", 11.0) is False


def test_the_view_shows_tempo_position_groups_and_outputs(write_rig, module):
    from rich.console import Console

    rig = load_rig(write_rig(RIG.format(fps=44, port=6454, pattern="helix")))
    show = Show(rig, TempoClock(120, now=0.0), module.sample, senders={})
    show.frame(now=2.6)   # 5.2 beats: bar 2, beat 2
    console = Console(file=io.StringIO(), width=120)
    console.print(render(show, 2.6))
    text = console.file.getvalue()
    for expected in ("120.0 BPM  fixed", "bar 2  beat 2  (pip 332)", "spots", "helix",
                     "90°", "space/t tap"):
        assert expected in text


def test_a_failing_output_is_shown_and_the_show_goes_on(write_rig, module, at_pip):
    # A datagram too long for UDP: refused on this machine, nothing leaves it.
    rig = load_rig(write_rig('[[output]]\nname = "v"\nprotocol = "osc"\n[[group]]\n'
                             'pattern = "helix"\nosc = { x = "/%s" }\n' % ("a" * 70000)))
    show = Show(rig, at_pip, module.sample)
    try:
        show.frame(now=0)
        show.frame(now=1)
        sender = show.senders["v"]
        assert sender.failing and sender.failures == 2 and sender.packets == 0
        assert sender.state.startswith("error: ") and "too long" in sender.state
    finally:
        show.close()


def test_without_the_live_extra_it_says_which_to_install(monkeypatch, capsys, write_rig):
    import pulsework_live.__main__ as program

    monkeypatch.setattr(program, "LIVE_MODULES", program.LIVE_MODULES + ("no_such_module_here",))
    assert program.main([write_rig(RIG.format(fps=30, port=6454, pattern="helix"))]) == 1
    assert capsys.readouterr().err == (
        'pulsework-live: error: needs the live extra (no_such_module_here missing): '
        'python -m pip install "pulsework[live]"\n')

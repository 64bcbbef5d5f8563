"""Faults a reliability probe found: signals during shutdown, Art-Net
sequence numbers, and hostile rig files."""
import signal
import subprocess
import sys
import time
import tracemalloc
import zipfile

import pytest

from children import environment

from pulsework_live import Show, load_rig
from pulsework_live.__main__ import main

from .test_live_wire import artnet

RIG = """
[rig]
fps = 60
on_exit = "{on_exit}"

[[output]]
name = "wire"
protocol = "artnet"
port = {port}

[[group]]
pattern = "circle"
fixtures = 3
universe = {universe}
pan = {{ channel = 1, fine = 2 }}
tilt = {{ channel = 3 }}
"""


@pytest.mark.parametrize("signals, on_exit", [
    ([signal.SIGINT], "blackout"),
    ([signal.SIGTERM], "home"),
    ([signal.SIGTERM, 0.001, signal.SIGTERM], "blackout"),
    ([signal.SIGTERM, 0.01, signal.SIGTERM], "home"),
    ([signal.SIGINT, 0.005, signal.SIGTERM], "blackout"),
    ([signal.SIGHUP], "home"),
])
def test_the_exit_frames_go_out_whatever_signals_arrive(tmp_path, write_rig, receivers, signals,
                                                        on_exit):
    receiver = receivers()
    path = write_rig(RIG.format(port=receiver.port, on_exit=on_exit, universe=0))
    child = subprocess.Popen([sys.executable, "-m", "pulsework_live", path, "--no-view"],
                             cwd=str(tmp_path), env=environment(), stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        receiver.take(5)   # it is running, and past its start
        for step in signals:
            if isinstance(step, float):
                time.sleep(step)
            else:
                child.send_signal(step)
        _out, err = child.communicate(timeout=30)
    finally:
        child.kill()
        child.wait()
    assert child.returncode == 0, err
    last = [artnet(packet)[1] for packet in receiver.drain()[-3:]]
    middle = [128, 0, 128] * 3 if on_exit == "home" else [0] * 9
    assert [list(data[:9]) for data in last] == [middle] * 3, err


def test_artnet_numbers_its_packets_1_to_255_for_each_universe(write_rig, receivers, module,
                                                               at_pip):
    receiver = receivers()
    text = RIG.format(port=receiver.port, on_exit="blackout", universe=0)
    text += text[text.index("[[group]]"):].replace("universe = 0", "universe = 7")
    show = Show(load_rig(write_rig(text)), at_pip, module.sample)
    packets = []
    try:
        for pip in range(300):
            show.frame(now=pip)
            packets += receiver.take(2)
    finally:
        show.close()
    packets += receiver.take(6)
    for universe in (0, 7):
        numbers = [packet[12] for packet in packets if artnet(packet)[0] == universe]
        assert numbers == [n % 255 + 1 for n in range(303)]


def nested(depth):
    return "[rig]\nx = " + "[" * depth + "]" * depth + "\n"


HOSTILE = [
    # (rig text, or bytes; what the error line says)
    (nested(1000), "nested too deep"),
    ("x = " + "{a = " * 1000 + "1" + "}" * 1000 + "\n", "nested too deep"),
    ("[" + ".".join(["a"] * 1000) + "]\n", 'key "output": missing (required)'),
    ('[[output]]\nname = "o"\nprotocol = "osc"\n[[group]]\npattern = "helix"\nfixtures = 4096\n'
     'osc = { x = "/a{n:900000000}" }\n', "the only placeholder is {n}"),
    ('[[output]]\nname = "\\u001b[2J\\u001b]0;owned\\u0007"\nprotocol = "dmx"\n',
     'output "\\x1b[2J\\x1b]0;owned\\x07" (output 1), key "protocol"'),
    ("[rig]\nfps = 1 # \x1b[2J\n", "not valid TOML"),
    ('[[output]]\nname = "o"\nprotocol = "artnet"\n[[group]]\npattern = "he\u202elix"\n',
     'unknown pattern "he\\u202elix"'),
    ('[[output]]\nname = "o"\nprotocol = "artnet"\nhost = "no-such-host.invalid"\n',
     'key "host": cannot find host "no-such-host.invalid"'),
    ('[[output]]\nname = "o"\nprotocol = "artnet"\n[[group]]\npattern = "helix"\n'
     'pan = { channel = 1 }\nsize = [%s]\n' % ", ".join(["2"] * 20000), "... (20000 items)"),
    ("# " + "x" * (5 << 20) + "\n", "larger than a rig file can be"),
    (b"\x00\xff" * 1000, "not UTF-8 text"),
    ('[[output]]\nname = "o"\nprotocol = "artnet"\n[[group]]\npattern = "sway"\n'
     'fixture = "bomb.gdtf"\n', "bomb.gdtf: description.xml is"),
    ('[[output]]\nname = "o"\nprotocol = "artnet"\n[[group]]\npattern = "sway"\n'
     'fixture = "rig.toml"\n', "not a GDTF file"),
]


@pytest.mark.parametrize("text, message", HOSTILE, ids=[
    "arrays 1000 deep", "tables 1000 deep", "table header 1000 deep", "OSC format width",
    "escape sequences", "a raw control character", "text direction", "unknown host", "huge list", "huge file", "binary",
    "zip bomb", "not a zip"])
def test_a_hostile_rig_ends_in_one_error_line(tmp_path, capsys, text, message):
    if "bomb" in message:
        with zipfile.ZipFile(tmp_path / "bomb.gdtf", "w", zipfile.ZIP_DEFLATED) as bomb:
            bomb.writestr("description.xml", b"<" + b" " * (65 << 20) + b"/>")
    path = tmp_path / "rig.toml"
    path.write_bytes(text if isinstance(text, bytes) else text.encode("utf-8"))
    tracemalloc.start()
    try:
        status = main([str(path), "--check"])
        peak = tracemalloc.get_traced_memory()[1]
    finally:
        tracemalloc.stop()
    out, err = capsys.readouterr()
    assert status == 1 and out == ""
    (line,) = err.splitlines()
    assert line.startswith("pulsework-live: error: %s: " % path) and message in line
    assert not any(ord(c) < 32 or 0x7f <= ord(c) < 0xa0 or c == "\u202e" for c in line)
    assert len(line) < 2000 and peak < (64 << 20)

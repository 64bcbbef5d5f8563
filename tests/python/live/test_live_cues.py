"""Playing live: cues on the show clock's beat, bar and phrase, crossfades,
and the controls (keys, MIDI, OSC in, the web remote), checked on the wire."""
import dataclasses
import http.client
import json
import os
import time

import mido
import pytest
from pythonosc.udp_client import SimpleUDPClient

from pulsework_live import Show, TempoClock, load_rig
from pulsework_live.control import Commands, MidiControl
from pulsework_live.cues import Director
from pulsework_live.osc_in import OscIn
from pulsework_live.remote import Remote

from .test_live_fixtures import fixture_files, make  # noqa: F401 (fixtures)
from .test_live_wire import artnet, check_dmx

RIG = """
[[output]]
name = "wire"
protocol = "artnet"
port = {port}

[[group]]
name = "spots"
pattern = "helix"
fixtures = 4
speed = "1/2"
spread = 90
pan = {{ channel = 1, fine = 2 }}
tilt = {{ channel = 3, fine = 4 }}

[cues]
start = "calm"
when = "beat"
fade = 2

[[cue]]
name = "calm"
[cue.group.spots]
size = 0.5

[[cue]]
name = "drop"
when = "{when}"
fade = {fade}
[cue.group.spots]
pattern = "figure_eight"
speed = "1/4"
spread = 180

[midi]
channel = 2
notes = {{ 36 = "drop", 37 = "tap", 38 = "blackout" }}
controls = {{ 1 = "size", 2 = "speed", 3 = "nudge" }}
"""


class StepClock:
    """The show clock, moved by the test: every moment is at `at`."""

    source = "test"
    paused = False
    bpm = 120.0

    def __init__(self):
        self.at = 0.0
        self.nudged = 0

    def position(self, now):
        return self.at

    def tap(self, now):
        return False

    def nudge(self, pips, now):
        self.nudged += pips


class Played:
    def __init__(self, module, path, receiver):
        self.module = module
        self.clock = StepClock()
        self.show = Show(load_rig(path), self.clock, module.sample)
        self.director = Director(self.show, module.sample)
        self.commands = Commands(self.show)
        self.receiver = receiver
        self.closers = [self.show.close]

    def step(self, pip):
        """The frame at `pip`, as received: its DMX data."""
        self.clock.at = pip + 0.5
        self.show.frame()
        return artnet(self.receiver.take(1)[0])[1]

    def look(self, name):
        """The group as the cue plays it."""
        (look,) = self.director.find(name).looks
        return dataclasses.replace(self.show.rig.groups[0], pattern=look.pattern,
                                   period=look.period, shaping=look.shaping)

    def wait(self, done):
        deadline = time.monotonic() + 10
        while not done():
            assert time.monotonic() < deadline, self.commands.message
            time.sleep(0.005)


@pytest.fixture
def played(module, receivers, write_rig):
    made = []

    def make(when="bar", fade=0):
        receiver = receivers()
        made.append(Played(module, write_rig(RIG.format(port=receiver.port, when=when,
                                                        fade=fade)), receiver))
        return made[-1]

    yield make
    for one in made:
        for closer in reversed(one.closers):
            closer()


def remote_of(live, pin=""):
    remote = Remote(live.show, live.commands, "127.0.0.1", 0, pin)
    live.closers.append(remote.close)
    return remote


def websocket(remote, **options):
    from websockets.sync.client import connect

    return connect("ws://127.0.0.1:%d/ws" % remote.port, proxy=None, **options)


@pytest.mark.parametrize("client, when, go", [
    ("osc", "bar", 512), ("osc", "phrase", 1024), ("websocket", "beat", 320),
    ("websocket", "bar", 512)])
def test_a_cue_goes_in_the_frame_whose_pip_crosses_its_point(module, played, client, when, go):
    live = played(when=when)
    calm, drop = live.look("calm"), live.look("drop")
    check_dmx(module, calm, 300, live.step(300))
    if client == "osc":
        server = OscIn(live.commands, "127.0.0.1", 0)
        live.closers.append(server.close)
        SimpleUDPClient(*server.address).send_message("/pulsework/cue", "drop")
    else:
        with websocket(remote_of(live)) as connection:
            assert json.loads(connection.recv())["t"] == "welcome"
            connection.send(json.dumps({"cmd": "cue", "value": 2}))
            live.wait(lambda: live.director.pending)
    live.wait(lambda: live.director.pending)
    assert live.director.pending[1] == go
    crossed = None
    for pip in range(301, go + 30, 7):
        data = live.step(pip)
        check_dmx(module, drop if pip >= go else calm, pip, data)
        crossed = crossed or (pip if pip >= go else None)
    assert live.director.went[1:3] == (go, crossed)


def largest_steps(looks, pips, module):
    """The largest step of any look on its own from frame to frame (pan,
    tilt), in 16-bit DMX values."""
    from pulsework_live.render import group_motion

    largest = 0.0
    for look in looks:
        motion = group_motion(look, module.sample)
        values = [motion.positions(pip) for pip in pips]
        largest = max(largest, max(abs(a[axis] - b[axis]) * 32767.5 for one, other in
                                   zip(values, values[1:]) for a, b in zip(one, other)
                                   for axis in (0, 1)))
    return largest


@pytest.mark.parametrize("fade, continuous", [(4, True), (0, False)])
def test_a_fade_never_jumps(module, played, fade, continuous):
    """A fade from calm into drop, calm fired again during it: no step beyond
    the looks' own and the fade's share; a cut (fade 0) breaks that bound."""
    live = played(when="beat", fade=fade)
    calm, drop = live.look("calm"), live.look("drop")
    pips = list(range(0, 600, 3))
    # The weight moves at most 3/128 a frame (the 2-beat fade), over the whole range.
    bound = largest_steps([calm, drop], pips, module) + 65535 * 3 / 128 + 2
    fired = {99: "drop", 201: "calm"}
    previous, largest = None, 0
    for pip in pips:
        if pip in fired:
            live.commands.cue(fired[pip])
        data = live.step(pip)
        values = [data[c] * 256 + data[c + 1] for i in range(4) for c in (4 * i, 4 * i + 2)]
        if previous is not None:
            largest = max(largest, max(abs(a - b) for a, b in zip(values, previous)))
        previous = values
    check_dmx(module, calm, pips[-1], data)
    assert (largest <= bound) is continuous, (largest, bound)


MIDI = [
    # (message, what it changes)
    (mido.Message("note_on", channel=1, note=36, velocity=90), {"pending": "drop"}),
    (mido.Message("note_on", channel=1, note=36, velocity=0), {}),
    (mido.Message("note_on", channel=0, note=36, velocity=90), {}),    # another channel
    (mido.Message("note_on", channel=1, note=38, velocity=90), {"blackout": True}),
    (mido.Message("control_change", channel=1, control=1, value=0), {"size": 0.0}),
    (mido.Message("control_change", channel=1, control=2, value=32), {"speed": 0.5}),
    (mido.Message("control_change", channel=1, control=2, value=127), {"speed": 4 ** (63 / 64)}),
    (mido.Message("control_change", channel=1, control=3, value=61), {"nudged": -6}),
    (mido.Message("control_change", channel=1, control=9, value=61), {}),
]


@pytest.mark.parametrize("message, changes", MIDI)
def test_midi_messages_map_as_the_rig_says(played, message, changes):
    live = played()
    control = MidiControl(live.commands, live.show.rig.midi)
    director = live.director

    def seen():
        return dict(pending=director.pending and director.pending[0].name,
                    blackout=director.blackout, size=director.size, speed=director.speed,
                    nudged=live.clock.nudged)

    before = seen()
    control.feed(message)
    assert seen() == dict(before, **changes)


@pytest.mark.parametrize("name, values, said", [
    ("cue", ["nope"], 'OSC: refused: no cue "nope" (cues: 1 calm, 2 drop)'),
    ("cue", [2.0], "OSC: cue 2 drop at bar 2 beat 1"),
    ("size", [1.5], "OSC: refused: size needs a number from 0 to 1, got 1.5"),
    ("speed", [0], "OSC: refused: speed needs a ratio from 1/16 to 16, got 0"),
    ("tempo", [128], "OSC: refused: the tempo follows test"),
    ("blackout", ["on"], 'OSC: refused: blackout needs 1 (on) or 0 (off), got "on"'),
    ("tap", [1], "OSC: refused: tap takes no value"),
    ("dance", [], 'OSC: refused: no command "dance"'),
])
def test_commands_say_what_they_did_or_why_not(played, name, values, said):
    live = played()
    live.step(3)
    live.commands.run("OSC", name, *values)
    assert live.commands.message.startswith(said)


def test_keys_fire_cues_and_the_view_says_what_is_pending(played):
    import io

    from rich.console import Console

    from pulsework_live.view import Controls, render

    live = played(when="bar")
    live.step(100)
    controls = Controls(live.show, live.commands)
    assert controls.key("2", 0) and controls.key("b", 0)
    console = Console(file=io.StringIO(), width=140)
    console.print(render(live.show, 0, controls))
    text = console.file.getvalue()
    for expected in (" 1 calm ", " 2 drop ", "next: 2 drop at bar 2 beat 1 (in 2.4 beats)",
                     "BLACKOUT", "blackout on"):
        assert expected in text
    assert live.step(110) == bytes(512)


def test_the_remote_refuses_other_hosts_and_a_wrong_pin(played, monkeypatch):
    from websockets.exceptions import ConnectionClosed, InvalidStatus

    import pulsework_live.remote

    monkeypatch.setattr(pulsework_live.remote, "PIN_DELAY", 0.01)
    live = played()
    remote = remote_of(live, pin="2468")
    assert remote.url == "http://127.0.0.1:%d/" % remote.port

    def get(host):
        connection = http.client.HTTPConnection("127.0.0.1", remote.port, timeout=10)
        connection.putrequest("GET", "/", skip_host=True)
        connection.putheader("Host", host)
        connection.endheaders()
        response = connection.getresponse()
        connection.close()
        return response.status

    assert get("127.0.0.1:%d" % remote.port) == 200
    assert get("evil.example:%d" % remote.port) == 403       # a name not this machine's
    with pytest.raises(InvalidStatus):
        websocket(remote, origin="http://evil.example")       # another site's page
    with websocket(remote) as connection:
        assert json.loads(connection.recv()) == {"t": "pin"}
        connection.send(json.dumps({"pin": "1357"}))
        with pytest.raises(ConnectionClosed) as closed:
            connection.recv()
        assert closed.value.rcvd.code == 4003
    assert live.commands.message == "remote: refused: a wrong PIN from 127.0.0.1"
    with websocket(remote) as connection:
        connection.recv()
        connection.send(json.dumps({"pin": "2468"}))
        assert json.loads(connection.recv())["t"] == "welcome"


def test_the_page_fires_a_cue_and_its_view_follows_the_outputs(module, played, open_page):
    live = played(when="bar")
    live.step(40)
    page = open_page(remote_of(live).url)
    page.click(".cue[data-number='2']")
    live.wait(lambda: live.director.pending)
    drop = live.look("drop")
    for pip in (100, 250, 260, 300):
        data = live.step(pip)
        page.wait_for_function("pip => { const r = pulseworkRemote; return r.frame && "
                               "r.frame.pip === pip && r.drawn === r.frame.number; }", arg=pip)
        shown = page.evaluate("Array.from(pulseworkRemote.frame.values)")
        if pip >= 256:
            check_dmx(module, drop, pip, data)
        # What the page draws is what the wire carries.
        for i in range(4):
            for axis, channel in ((0, 4 * i), (1, 4 * i + 2)):
                sent = (data[channel] * 256 + data[channel + 1]) / 65535 * 2 - 1
                assert shown[3 * i + axis] == pytest.approx(sent, abs=1e-4)
    page.wait_for_selector(".cue.current[data-number='2']")
    assert "drop" in page.inner_text("#now")


def test_the_example_plays_from_the_readme_listening_where_asked(tmp_path):
    """As the README runs it, on ports the system picks (a MIDI controller
    that is not there is only reported)."""
    from .test_live_cli import run

    path = os.path.join(os.path.dirname(__file__), "..", "..", "..", "examples", "cues.toml")
    result = run([path, "--no-view", "--duration", "0.5", "--osc-in", "0", "--remote", "0"],
                 tmp_path)
    assert result.returncode == 0, result.stderr
    assert "pulsework-live: OSC in: 127.0.0.1:" in result.stdout
    assert "pulsework-live: remote: http://127.0.0.1:" in result.stdout
    assert "pulsework-live: MIDI controller" in result.stdout
    result = run([path, "--remote", "--remote-pin", "12"], tmp_path)
    assert result.returncode == 1
    assert "the remote's PIN must have at least 4 characters" in result.stderr


def test_a_cue_aims_a_gdtf_group_within_its_ranges(fixture_files):
    path = fixture_files / "rig.toml"
    path.write_text('[[output]]\nname = "w"\nprotocol = "artnet"\n[[group]]\nname = "s"\n'
                    'pattern = "circle"\nfixture = "scanner.gdtf"\ncentre = [10, 5]\n'
                    'size = [40, 20]\n[[cue]]\nname = "left"\n[cue.group.s]\ncentre = [-80, 5]\n')
    rig = load_rig(str(path))
    (look,) = rig.cues[0].looks
    # The group's own size around the cue's centre, held within pan -85° to 85°.
    assert look.shaping.centre[:2] == (-80.0, 5.0) and look.shaping.size[:2] == (5.0, 20.0)
    (warning,) = rig.warnings
    assert 'cue "left" (cue 1), group "s", key "size": size [40°, 20°] around centre ' in warning

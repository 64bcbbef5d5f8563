"""Rig files: what they mean, and faults named by file, table and key."""
from fractions import Fraction

import pytest

from pulsework_live.rig import RigError, load_rig, parse_speed
from pulsework_motion import Shaping

OUTPUT = """
[[output]]
name = "wire"
protocol = "artnet"
"""

GROUP = """
[[group]]
name = "spots"
pattern = "helix"
fixtures = 4
pan = { channel = 1, fine = 2 }
tilt = { channel = 3 }
"""


def test_defaults_and_the_mapping(write_rig):
    rig = load_rig(write_rig(OUTPUT + GROUP))
    assert (rig.fps, rig.on_exit, rig.tempo.source, rig.tempo.bpm) == (44.0, "blackout", "fixed",
                                                                      120.0)
    (output,) = rig.outputs
    assert (output.host, output.port) == ("127.0.0.1", 6454)
    (group,) = rig.groups
    assert (group.period, group.shaping, group.universe, group.address,
            group.footprint) == (64 * 4, Shaping(), 0, 1, 3)
    pan, tilt = group.channels
    assert (pan.role, pan.axis, pan.channel, pan.fine, pan.low, pan.high) == ("pan", 0, 1, 2,
                                                                             0.0, 1.0)
    assert (tilt.axis, tilt.fine) == (1, 0)


def test_the_example_rig_loads():
    import os

    here = os.path.dirname(__file__)
    rig = load_rig(os.path.join(here, "..", "..", "..", "examples", "rig.toml"))
    assert [group.pattern for group in rig.groups] == ["helix", "lfo_breathe"]
    assert rig.groups[0].speed == Fraction(1, 2) and rig.groups[0].shaping.wings


def test_a_cue_starts_from_its_groups_and_the_example_plays_one():
    import os

    here = os.path.dirname(__file__)
    rig = load_rig(os.path.join(here, "..", "..", "..", "examples", "cues.toml"))
    spots, washes = rig.groups
    intro, groove, drop = rig.cues[:3]
    assert rig.start_cue == "intro" and [cue.number for cue in rig.cues] == [1, 2, 3, 4, 5]
    assert (intro.when, intro.fade, drop.when, drop.phrase, drop.fade) == ("bar", 2, "phrase", 4, 0)
    sway, breathe = intro.looks
    assert (sway.pattern, sway.shaping) == ("sway", spots.shaping.replace(size=0.4, speed="1/4"))
    assert (breathe.pattern, breathe.shaping) == (washes.pattern, washes.shaping.replace(speed="1/2"))
    assert [(look.pattern, look.shaping) for look in groove.looks] == [
        (group.pattern, group.shaping) for group in rig.groups]
    assert dict(rig.midi.notes)[38] == 3 and dict(rig.midi.controls) == {
        1: "size", 2: "speed", 3: "nudge"}


@pytest.mark.parametrize("text, speed", [
    (1, 1), (2, 2), (0.5, Fraction(1, 2)), ("1/2", Fraction(1, 2)), ("3/4", Fraction(3, 4)),
    ("1.5", Fraction(3, 2)), (" 4 / 3 ", Fraction(4, 3)),
])
def test_speeds(text, speed):
    assert parse_speed(text) == speed


def test_any_catalogue_name_or_a_library_pattern(write_rig):
    records = [{"name": "my_own", "period_pips": 7}]
    rig = load_rig(write_rig(OUTPUT + GROUP.replace('"helix"', '"my_own"')), records)
    assert rig.groups[0].period == 7

CUE = """
[[cue]]
name = "drop"
"""

FAULTS = [
    # (text of the rig, the message after "PATH: ")
    ("[rig]\nfps = 0\n" + OUTPUT + GROUP,
     '[rig], key "fps": must be frames per second from 1 to 240, found 0'),
    ("[tempo]\nsource = \"radio\"\n" + OUTPUT + GROUP,
     '[tempo], key "source": must be one of "fixed", "midi", "link", "audio", found "radio"'),
    ("[tempo]\nbpm = 1000\n" + OUTPUT + GROUP,
     '[tempo], key "bpm": must be a tempo in BPM from 20 to 300, found 1000'),
    ("[colour]\n" + OUTPUT + GROUP,
     'top level, key "colour": unknown key (expected rig, tempo, output, group, cues, cue, midi)'),
    (OUTPUT, 'top level, key "group": missing (required)'),
    (GROUP, 'top level, key "output": missing (required)'),
    (OUTPUT.replace("artnet", "dmx") + GROUP,
     'output "wire" (output 1), key "protocol": must be one of "artnet", "sacn", "osc", '
     'found "dmx"'),
    (OUTPUT + "port = 70000\n" + GROUP,
     'output "wire" (output 1), key "port": must be a whole number from 1 to 65535, found 70000'),
    (OUTPUT + 'host = "not a host"\n' + GROUP,
     'output "wire" (output 1), key "host": must be an IPv4 address or a host name, '
     'found "not a host"'),
    (OUTPUT + OUTPUT + GROUP,
     'output "wire" (output 2), key "name": another output is already named "wire"'),
    ('[[output]]\nname = "s"\nprotocol = "sacn"\nmulticast = false\n' + GROUP,
     'output "s" (output 1), key "host": needed unless multicast = true'),
    (OUTPUT + GROUP.replace('"helix"', '"helics"'),
     'group "spots" (group 1), key "pattern": unknown pattern "helics": not in the catalogue or '
     'a --library file (did you mean "helix"?)'),
    (OUTPUT + GROUP + "speed = 0\n",
     'group "spots" (group 1), key "speed": must be a number above 0 and at most 64, or a '
     'fraction such as "1/2" or "3/4", found 0'),
    (OUTPUT + GROUP + "size = 1.5\n",
     'group "spots" (group 1), key "size": must be an amplitude from 0 to 1, or [x, y, z] of them, '
     'found 1.5 (degrees are for a group with a GDTF fixture type)'),
    (OUTPUT + GROUP + "wings = 2\n",
     'group "spots" (group 1), key "wings": must be true or false, found 2'),
    (OUTPUT + GROUP + "adress = 3\n",
     'group "spots" (group 1), key "adress": unknown key (expected name, pattern, fixtures'),
    (OUTPUT + GROUP.replace("fixtures = 4", "fixtures = 200"),
     'group "spots" (group 1), key "fixtures": 200 fixtures of 3 channels from address 1 end at '
     "channel 600, past the universe's 512 (split the group over several universes)"),
    (OUTPUT + GROUP.replace("tilt = { channel = 3 }", "tilt = { channel = 2 }"),
     'group "spots" (group 1): channel 2 is used twice in one fixture'),
    (OUTPUT + GROUP.replace("{ channel = 3 }", "{ channel = 3, range = [0, 120] }"),
     'group "spots" (group 1), key "tilt", key "range": must be two numbers [low, high] from 0 '
     "to 100 (percent of the channel's travel), found [0, 120]"),
    (OUTPUT + GROUP.replace("{ channel = 3 }", '{ channel = 3, axis = "w" }'),
     'key "tilt", key "axis": must be one of "x", "y", "z", found "w"'),
    (OUTPUT + GROUP.replace("{ channel = 3 }", "{ fine = 4 }"),
     'group "spots" (group 1), key "tilt", key "channel": missing (required)'),
    (OUTPUT + GROUP + "zoom = { channel = 5 }\ndimmer = { channel = 6 }\n",
     'key "dimmer": a fixture has one third channel (zoom, dimmer or focus) for z'),
    (OUTPUT + GROUP + GROUP.replace('"spots"', '"more"'),
     'group "more" (group 2), key "address": channel 1 of universe 0 on output "wire" is also '
     'driven by group "spots"'),
    (OUTPUT + 'host = "127.0.0.1"\n' + OUTPUT.replace('"wire"', '"again"') + 'host = "localhost"\n'
     + GROUP + 'output = "wire"\n' + GROUP.replace('"spots"', '"more"') + 'output = "again"\n',
     'group "more" (group 2), key "address": channel 1 of universe 0 on output "again" is also '
     'driven by group "spots" on output "wire", which sends to the same place'),
    (OUTPUT + OUTPUT.replace('"wire"', '"other"') + GROUP,
     'group "spots" (group 1), key "output": missing (required)'),
    (OUTPUT + GROUP + 'output = "elsewhere"\n',
     'key "output": no [[output]] is named "elsewhere" (the rig has "wire")'),
    ('[[output]]\nname = "v"\nprotocol = "osc"\n' + GROUP,
     'group "spots" (group 1), key "osc": a group sent over OSC needs an osc table of addresses'),
    ('[[output]]\nname = "v"\nprotocol = "osc"\n[[group]]\npattern = "helix"\n'
     'osc = { x = "layer/x" }\n',
     'group 1, key "osc", key "x", key "address": an OSC address starts with / and has no '
     'spaces or #, found "layer/x"'),
    ('[[output]]\nname = "v"\nprotocol = "osc"\n[[group]]\npattern = "helix"\n'
     'osc = { xyz = "/fixture/{i}" }\n',
     'key "xyz": the only placeholder is {n}, the fixture\'s number, found "/fixture/{i}"'),
    ("[[group]\n", "not valid TOML: "),
    # Cues and the MIDI controller.
    (OUTPUT + GROUP + CUE + 'when = "soon"\n',
     'cue "drop" (cue 1), key "when": must be one of "now", "beat", "bar", "phrase", found "soon"'),
    (OUTPUT + GROUP + CUE + "[cue.group.lasers]\n",
     'cue "drop" (cue 1), key "group": no [[group]] is named "lasers" (the groups: "spots")'),
    (OUTPUT + GROUP + CUE + '[cue.group.spots]\npattern = "helics"\n',
     'cue "drop" (cue 1), group "spots", key "pattern": unknown pattern "helics"'),
    (OUTPUT + GROUP + CUE + "[cue.group.spots]\nspeed = -1\n",
     'cue "drop" (cue 1), group "spots", key "speed": must be a number above 0'),
    (OUTPUT + GROUP + CUE + "[cue.group.spots]\nuniverse = 2\n",
     'cue "drop" (cue 1), group "spots", key "universe": unknown key (expected pattern, size'),
    (OUTPUT + GROUP + (CUE + "[cue.group.spots]\n") * 2,
     'cue "drop" (cue 2), key "name": another cue is already named "drop"'),
    (OUTPUT + GROUP + '[cues]\nstart = "intro"\n' + CUE + "[cue.group.spots]\n",
     '[cues], key "start": no [[cue]] is named "intro" (the cues: "drop")'),
    (OUTPUT + GROUP + CUE + "[cue.group.spots]\n[midi]\nnotes = { 36 = \"drip\" }\n",
     '[midi], key "notes", key "36": must be a cue\'s name or number, "tap" or "blackout", '
     'found "drip"'),
    (OUTPUT + GROUP + "[midi]\ncontrols = { 128 = \"size\" }\n",
     '[midi], key "controls", key "128": a MIDI controller number is from 0 to 127'),
    (OUTPUT + GROUP + "[midi]\nport = \"APC\"\n", "[midi]: maps nothing"),
]


@pytest.mark.parametrize("text, message", FAULTS)
def test_faults_name_the_place_and_the_rule(write_rig, text, message):
    path = write_rig(text)
    with pytest.raises(RigError) as caught:
        load_rig(path)
    assert str(caught.value).startswith(path + ": ")
    assert message in str(caught.value)


def test_unreadable_files(tmp_path):
    with pytest.raises(RigError, match="missing.toml: cannot read the file: No such file"):
        load_rig(str(tmp_path / "missing.toml"))
    (tmp_path / "latin.toml").write_bytes(b"# caf\xe9\n")
    with pytest.raises(RigError, match=r"latin.toml: not UTF-8 text \(byte 5\)"):
        load_rig(str(tmp_path / "latin.toml"))


def test_the_tempo_may_come_from_an_audio_input(write_rig):
    rig = load_rig(write_rig('[tempo]\nsource = "audio"\naudio_input = "monitor"\n' + OUTPUT + GROUP))
    assert (rig.tempo.source, rig.tempo.audio_input) == ("audio", "monitor")

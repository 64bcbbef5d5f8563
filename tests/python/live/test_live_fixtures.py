"""GDTF fixture types and MVR scenes: files written here (as the zipped XML
they are, by examples/make_show_files.py), played to a loopback receiver, the
angles checked on the channels the files name."""
import importlib.machinery
import os
import types

import pytest

from pulsework_live import Show, load_rig
from pulsework_live.rig import RigError

from .test_live_wire import artnet

EXAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "..", "examples")
# A pan-only fixture: a mirror ball motor, say, with its dimmer.
TURNER = ("Turner", "Basic", [("Pan", (2, 1), 0.0, 360.0, 4.0, 0.0),
                             ("Dimmer", (3,), 0.0, 100.0, 0.0, 0.0)])


@pytest.fixture(scope="module")
def make():
    loader = importlib.machinery.SourceFileLoader(
        "make_show_files", os.path.join(EXAMPLES, "make_show_files.py"))
    module = types.ModuleType(loader.name)
    module.__file__ = loader.path
    loader.exec_module(module)
    return module


@pytest.fixture
def fixture_files(make, tmp_path):
    for name, fixture_type in (("spot", make.SPOT), ("scanner", make.SCANNER), ("turner", TURNER)):
        make.write_gdtf(str(tmp_path / ("%s.gdtf" % name)), *fixture_type)
    return tmp_path


def dmx(angle, low, high, bits):
    """The DMX value of an angle on a channel whose DMX range runs from
    physical `low` to `high`."""
    full = (1 << bits) - 1
    return int((angle - low) / (high - low) * full + 0.5)


RIG = """
[[output]]
name = "wire"
protocol = "artnet"
port = {port}

[[group]]
name = "spots"
pattern = "circle"
fixture = "spot.gdtf"
mode = "16 bit"
fixtures = 2
footprint = 16
centre = [30, -20]
size = [60, 40]
z = "zoom"
speed = 2

[[group]]
name = "scanners"
pattern = "figure_eight"
fixture = "scanner.gdtf"
fixtures = 3
address = 101
centre = [10, 5]
size = 20
max_speed = 1000000

[[group]]
name = "turners"
pattern = "sway"
fixture = "turner.gdtf"
address = 201
size = 90
"""


def test_angles_reach_the_channels_the_files_name(module, fixture_files, receivers, at_pip):
    receiver = receivers()
    (fixture_files / "rig.toml").write_text(RIG.format(port=receiver.port))
    rig = load_rig(str(fixture_files / "rig.toml"))
    assert rig.warnings == ()
    spots, scanners, turners = rig.groups
    assert spots.limited and scanners.limited and turners.limited
    show = Show(rig, at_pip, module.sample)
    try:
        for pip in (0, 5, 21, 40, 1000):
            show.frame(now=pip)
            _, data = artnet(receiver.take(1)[0])
            x, y, z = module.sample("circle", 2 * pip).as_tuple()
            for base in (0, 16):
                # 16 bits, pan -270° to 270° on 1 and 2, tilt -135° to 135° on 3 and 4.
                assert data[base] * 256 + data[base + 1] == dmx(30 + 60 * x, -270, 270, 16)
                assert data[base + 2] * 256 + data[base + 3] == dmx(-20 + 40 * y, -135, 135, 16)
                assert data[base + 4] == dmx(z, -1, 1, 8)      # zoom, over its whole range
                assert data[base + 5] == 0                     # the dimmer is not z's
            # 8 bits, the tilt running from 45° at 0 down to -45° at 255.
            x, y, _ = module.sample("figure_eight", pip).as_tuple()
            assert data[100] == dmx(10 + 20 * x, -85, 85, 8)
            assert data[101] == dmx(5 + 20 * y, 45, -45, 8)
            # Pan only, its fine channel before its coarse one.
            x, _, _ = module.sample("sway", pip).as_tuple()
            assert data[201] * 256 + data[200] == dmx(180 + 90 * x, 0, 360, 16)
    finally:
        show.close()


@pytest.mark.parametrize("group, message", [
    ('pattern = "circle"\nfixture = "turner.gdtf"',
     'key "fixture": turner.gdtf, mode "Basic" has no Tilt channel, which the group needs for y, '
     'which pattern "circle" moves'),
    ('pattern = "sway"\nfixture = "turner.gdtf"\nrotation = 90',
     "has no Tilt channel, which the group needs for y, where rotation turns x"),
    ('pattern = "sway"\nfixture = "scanner.gdtf"\nz = "zoom"',
     'scanner.gdtf, mode "8 bit" has no Zoom channel, which the group needs for z (z = "zoom")'),
    ('pattern = "sway"\nfixture = "spot.gdtf"\nmode = "DMX"',
     'spot.gdtf: no DMX mode "DMX" (the file has "16 bit")'),
    ('pattern = "sway"\nfixture = "rig.toml"', "rig.toml: not a GDTF file (one is a zip archive)"),
    ('pattern = "sway"\nselect = { layer = "Truss" }',
     'key "select": selects fixtures from a scene: give one with --scene FILE.mvr'),
])
def test_a_file_lacking_what_the_group_needs_is_refused(fixture_files, group, message):
    path = fixture_files / "rig.toml"
    path.write_text('[[output]]\nname = "w"\nprotocol = "artnet"\n[[group]]\n' + group + "\n")
    with pytest.raises(RigError) as caught:
        load_rig(str(path))
    assert message in str(caught.value)


def test_aim_is_held_within_the_physical_range_with_a_warning(fixture_files):
    path = fixture_files / "rig.toml"
    path.write_text('[[output]]\nname = "w"\nprotocol = "artnet"\n[[group]]\nname = "s"\n'
                    'pattern = "circle"\nfixture = "scanner.gdtf"\ncentre = [100, 30]\n'
                    'size = [40, 40]\n')
    rig = load_rig(str(path))
    (group,) = rig.groups
    assert group.shaping.centre[:2] == (85.0, 30.0) and group.shaping.size[:2] == (0.0, 15.0)
    (warning,) = rig.warnings
    assert warning.endswith('group "s" (group 1), key "size": size [40°, 40°] around centre '
                            '[100°, 30°] reaches past the pan and tilt range of scanner.gdtf, '
                            'mode "8 bit" (pan [-85°, 85°], tilt [-45°, 45°]); held to size '
                            '[0°, 15°] around [85°, 30°]')


def test_a_scene_gives_fixtures_addresses_and_places(make, fixture_files, receivers, at_pip,
                                                     module):
    receiver = receivers()
    spot, scanner = (str(fixture_files / n) for n in ("spot.gdtf", "scanner.gdtf"))
    front = [dict(name="Front %d" % i, id=10 - i, gdtf="spot.gdtf", mode="16 bit", universe=3,
                  address=1 + 20 * i, position=(x, 2.0, 6.0), **{"class": "Spots"})
             for i, x in enumerate([-4.0, 4.0, -2.0, 2.0])]
    floor = [dict(name="Scan %d" % i, gdtf="scanner.gdtf", mode="8 bit", universe=3,
                  address=300 + 3 * i, position=(0.0, i, 0.0)) for i in range(2)]
    scene = str(fixture_files / "stage.mvr")
    make.write_mvr(scene, [("Front", front), ("Floor", floor)],
                   {"spot.gdtf": spot, "scanner.gdtf": scanner}, classes=["Spots"])
    rig_path = fixture_files / "scene.toml"
    rig_path.write_text(
        '[[output]]\nname = "w"\nprotocol = "artnet"\nport = %d\n'
        '[[group]]\nname = "front"\npattern = "circle"\nselect = { class = "Spots" }\n'
        'spread = "position"\nsize = 0\n'
        '[[group]]\nname = "floor"\npattern = "figure_eight"\n'
        'select = { layer = "Floor", name = "Scan ?" }\n' % receiver.port)
    rig = load_rig(str(rig_path), scene=scene)
    front_group, floor_group = rig.groups
    # In the order of their numbers; MVR's universe 3 is Art-Net's 2; spread
    # along x, from the leftmost.
    assert [p.name for p in front_group.patches] == ["Front 3", "Front 2", "Front 1", "Front 0"]
    assert [(p.universe, p.address) for p in front_group.patches] == [
        (2, 61), (2, 41), (2, 21), (2, 1)]
    assert front_group.where == (2.0, -2.0, 4.0, -4.0)
    # Behind the leftmost by 3/4 of the circle's 64 pips over the 8 m: 6 a metre.
    assert Show(rig, at_pip, module.sample).dmx[0].motion.lags == [36, 12, 48, 0]
    assert floor_group.fixture_type.endswith('scanner.gdtf, mode "8 bit"')
    show = Show(rig, at_pip, module.sample)
    try:
        show.frame(now=0)
        universe, data = artnet(receiver.take(1)[0])
        assert universe == 2
        assert [data[a - 1] * 256 + data[a] for a in (61, 41, 21, 1)] == [32768] * 4
        assert data[299] == dmx(85 * module.sample("figure_eight", 0).as_tuple()[0], -85, 85, 8)
    finally:
        show.close()
    rig_path.write_text('[[output]]\nname = "w"\nprotocol = "artnet"\n[[group]]\n'
                        'pattern = "circle"\nselect = { layer = "Back" }\n')
    with pytest.raises(RigError, match='no fixture of .*stage.mvr matches \\(its layers: '
                                       '"Floor", "Front"; classes: "Spots"\\)'):
        load_rig(str(rig_path), scene=scene)


def test_the_example_stage_runs_from_the_readme(make, tmp_path, capsys):
    from pulsework_live.__main__ import main

    make.main(str(tmp_path / "show"))
    rig = tmp_path / "stage.toml"
    rig.write_text(open(os.path.join(EXAMPLES, "stage.toml"), encoding="utf-8").read())
    assert main(["--scene", str(tmp_path / "show" / "stage.mvr"), str(rig), "--check"]) == 0
    out, err = capsys.readouterr()
    assert err == ""
    assert "truss spots: beat_house_classic_orbit x8 -> stage (artnet), universe 0, channels " \
           "1-117" in out
    assert "pan 0° ± 40°, tilt 45° ± 20°" in out and "at 128 BPM: clips " in out

"""The page's shaping against pulsework_motion's, and what it offers to take
away: programs that run, and a rig file's group."""
import json
import math
import subprocess
import sys

import pytest

from children import environment
from pulsework_gallery import write_gallery
from pulsework_gallery.encode import SCALE
from pulsework_live.rig import load_rig
from pulsework_motion import Motion, Shaping


class Row:
    def __init__(self, xyz):
        self.xyz = xyz

    def as_tuple(self):
        return self.xyz


# (pattern, settings): every setting, alone and together; spread 5.625 puts
# lags of 8 helix copies on halves, which round to even.
SETTINGS = [
    ("bounce", dict(spread=0)),
    ("helix", dict(spread=5.625)),
    ("helix", dict(size=0.5, speed="3/4", spread=90, reverse=True)),
    ("path_torus_knot", dict(size=[1, 0.5, 0.25], centre=[0.1, -0.2, 0.3], speed="2/3",
                             spread=-270, wings=True, rotation=30)),
    ("sway", dict(speed=3, spread=200, blocks=2, pingpong=True, rotation=90)),
    ("rhythm_group_223", dict(speed="1/3", spread=22.5, wings=True, blocks=3, pingpong=True,
                              reverse=True, rotation=-45, fade_in=2, start=64, fade_out=1.5,
                              end=1000)),
]
COPIES = (1, 5, 8)
PIPS = (-777, -1, 0, 1, 95, 333, 1001, 10**6 + 7)


@pytest.mark.parametrize("name, settings", SETTINGS)
def test_the_page_shapes_as_motion_does(open_page, gallery_url, name, settings):
    page = open_page(gallery_url)
    refused, period, table, shown = page.evaluate("""([name, settings, copies, pips]) => {
        const p = PW.byName[name];
        PW.shaping.reset();
        return [PW.shaping.set(settings), p.period, Array.from(PW.table(p)),
                copies.map(n => pips.map(pip => PW.shaping.motion(p, n).positions(pip)))];
    }""", [name, settings, COPIES, PIPS])
    assert refused == []

    # Python samples the very values the page holds.
    def sample(_name, pip):
        return Row(tuple(table[3 * pip:3 * pip + 3]))

    for copies, rows in zip(COPIES, shown):
        motion = Motion(name, Shaping(**settings), copies, sample=sample, period=period)
        for pip, positions in zip(PIPS, rows):
            for got, expected in zip(positions, motion.positions(pip)):
                assert got == pytest.approx(expected, abs=1e-9), (copies, pip)


@pytest.fixture(scope="module")
def library_gallery(tmp_path_factory):
    folder = tmp_path_factory.mktemp("library")
    samples = [[0.6 * math.cos(2 * math.pi * i / 96), 0.6 * math.sin(2 * math.pi * i / 96), 0.0]
               for i in range(96)]
    (folder / "mine.json").write_text(json.dumps([{"name": "my_orbit", "samples": samples}]))
    written = write_gallery(str(folder / "g"), library=str(folder / "mine.json"))
    return folder, written.url


RIG = """[[output]]
name = "desk"
protocol = "artnet"

%s
pan = { channel = 1 }
tilt = { channel = 2 }
"""

# (address, settings): one of each kind of program the page offers.
KINDS = [
    ("#pattern=helix", {}),
    ("#pattern=path_torus_knot", dict(size=0.6, speed="5/3", reverse=True, rotation=90,
                                      fade_in=1.5, start=64, fade_out=2, end=300)),
    ("#pattern=helix&view=stagger&copies=7",
     dict(size=[0.8, 0.5, 1], centre=[0.1, 0, -0.2], speed="3/4", spread=-270, reverse=True,
          wings=True, blocks=2, pingpong=True, rotation=30, fade_in=4, start=0)),
    ("#pattern=my_orbit&view=stagger&copies=3", dict(speed=2, spread=90)),
]


@pytest.mark.parametrize("address, settings", KINDS)
def test_the_code_to_take_away_runs(open_page, library_gallery, address, settings):
    folder, url = library_gallery
    page = open_page(url + address + "&bpm=100")
    assert page.evaluate("s => { PW.shaping.reset(); return PW.shaping.set(s); }",
                         dict(dict(spread=0), **settings)) == []
    code = page.text_content("#python-code")
    done = subprocess.run([sys.executable, "-c", code], cwd=str(folder), env=environment(),
                          capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, code + "\n" + done.stderr
    lines = done.stdout.splitlines()
    pip = int(lines[0].split()[1])
    printed = [[float(v) for v in line.split()[-3:]] for line in lines[1:]]
    shown = page.evaluate("""pip => PW.shaping.motion(PW.detail.pattern(),
        PW.detail.view() === "stagger" ? PW.stagger.copies() : 1).positions(pip)""", pip)
    assert len(printed) == len(shown) > 0
    for got, expected in zip(printed, shown):
        assert got == pytest.approx(expected, abs=1 / SCALE)

    if "stagger" in address and "my_orbit" not in address:
        rig = folder / "rig.toml"
        rig.write_text(RIG % page.text_content("#rig-code"))
        (group,) = load_rig(str(rig)).groups
        assert (group.pattern, group.fixtures) == ("helix", 7)
        assert group.shaping == Shaping(**settings)


def test_the_desk_sets_the_shaping_and_the_address_keeps_it(open_page, gallery_url):
    page = open_page(gallery_url + "#pattern=helix&view=stagger&copies=5")
    page.select_option("#desk-speed", "2/3")
    page.fill("#desk-speed-text", "0")  # no speed: refused, and said so
    page.dispatch_event("#desk-speed-text", "change")
    assert page.get_attribute("#desk-speed-text", "aria-invalid") == "true"
    page.fill("#desk-speed-text", "5/8")
    for box in ("#desk-reverse", "#desk-pingpong", "#stagger-wings"):
        page.focus(box)
        page.keyboard.press(" ")
    page.focus("#desk-more summary")
    page.keyboard.press("Enter")
    for field, value in (("#desk-rotation", "45"), ("#desk-size-x", "80"), ("#desk-size-y", "50"),
                         ("#desk-centre-x", "0.1"), ("#desk-fade-in", "2"),
                         ("#desk-fade-out", "1"), ("#desk-start", "1"), ("#desk-end", "16"),
                         ("#stagger-spread", "-90"), ("#stagger-blocks", "2")):
        page.fill(field, value)
        page.dispatch_event(field, "change")
    address = ("#pattern=helix&view=stagger&copies=5&size=80,50,100&centre=0.1,0,0&speed=5/8"
               "&spread=-90&reverse=1&wings=1&blocks=2&pingpong=1&rotation=45&fade_in=2"
               "&fade_out=1&start=1&end=16&bpm=120")
    page.wait_for_function("h => location.hash === h", arg=address)
    state = page.evaluate("PW.shaping.get()")
    assert state["speed"] == [5, 8] and state["start"] == 64 and state["end"] == 1024

    again = open_page(page.url)
    assert again.evaluate("PW.shaping.get()") == state
    assert again.input_value("#desk-centre-x") == "0.1"
    assert again.is_checked("#stagger-wings")

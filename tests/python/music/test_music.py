"""The music extra end to end: analysis of a synthesised song, offline
renders against the module's own sampling, and the live tracker hearing a
song played through a real (null-sink) audio path.

The analysis and the audio path run in processes of their own (run_alone):
they use no part of the pulsework extension, and the native libraries they
load (scipy's ufuncs, PortAudio's ALSA plugins) leave allocations at exit
that a leak-checking sanitized run of the suite would count as the
extension's."""
import csv
import json
import os

import numpy as np
import pytest

from pulsework_motion import (Beat, BeatMap, BeatMapClock, Motion, Shaping, read_beat_map,
                              write_beat_map)

from .conftest import needs, run_alone
from .songs import RATE, drum_song

WINDOW = 0.07  # mir_eval's beat tolerance, in seconds


def hits(found, truth):
    """The share of true times with a found one within WINDOW."""
    found = np.asarray(found)
    return np.mean([np.min(np.abs(found - t)) <= WINDOW for t in truth])


def true_map(times, audio="song.wav"):
    return BeatMap([Beat(float(t), k // 4 + 1, k % 4 + 1) for k, t in enumerate(times)],
                   audio=audio)


def test_beats_of_a_song(song):
    needs("madmom", "soundfile", "scipy")
    path, times = song
    result = run_alone(["-m", "pulsework_music.beats", path])
    assert result.returncode == 0, result.stderr
    assert "bars of 4, 120.0 BPM" in result.stdout
    found = read_beat_map(path + ".beats.json")
    assert hits([b.time for b in found.beats], times) >= 0.95
    assert hits(found.downbeats, times[::4]) >= 0.85
    assert found.tempo == pytest.approx(120, rel=0.02)


def test_renders_equal_sampling_at_the_clocks_pips(song, tmp_path):
    pytest.importorskip("soundfile")
    import pulsework
    from pulsework_music import render

    path, times = song
    beat_map = true_map(times[:-3] + 0.013 * np.sin(np.arange(len(times) - 3)))
    write_beat_map(path + ".beats.json", beat_map)
    out = str(tmp_path / "motion.csv")
    assert render.main([path, "--pattern", "beat_house_classic_bounce", "--copies", "3",
                        "--spread", "120", "--size", "0.5", "--fps", "30", "-o", out]) == 0
    with open(out) as stream:
        rows = list(csv.reader(stream))
    clock = BeatMapClock(beat_map, start=0.0)
    motion = Motion("beat_house_classic_bounce", Shaping(spread=120, size=0.5), 3)
    assert rows[0] == ["frame", "time", "pip"] + ["%s%d" % (a, i) for i in (1, 2, 3)
                                                  for a in "xyz"]
    assert len(rows) - 1 == int(len(drum_song()[0]) / RATE * 30) + 1
    for row in rows[1:]:
        frame, pip = int(row[0]), int(row[2])
        assert pip == clock.pip(frame / 30)
        assert [float(v) for v in row[3:]] == pytest.approx(
            [v for p in motion.positions(pip) for v in p], abs=1e-9)
    # A rig: every group's values as the live writers make them.
    rig = os.path.join(os.path.dirname(__file__), "..", "..", "..", "examples", "rig.toml")
    out = str(tmp_path / "rig.json")
    assert render.main([path, "--rig", rig, "--fps", "10", "-o", out]) == 0
    with open(out) as stream:
        document = json.load(stream)
    from pulsework_live.rig import load_rig
    from pulsework_live.show import Show

    show = Show(load_rig(rig), None, pulsework.sample, senders={})
    clock = BeatMapClock(beat_map, start=0.0)
    for row in document["rows"]:
        assert row[2] == clock.pip(row[1])
        show.render(row[2], row[1])
        dmx = [v for v in row[3:] if isinstance(v, int)]
        assert dmx and all(0 <= v <= 65535 for v in dmx)
    first = show.dmx[0].group.patches[0]
    buffer = show.buffers[show.dmx[0].group.output][first.universe]
    pan = first.channels[0]
    coarse, fine = first.address - 2 + pan.channel, first.address - 2 + pan.fine
    assert dmx[0] == (buffer[coarse] * 256 + buffer[fine] if pan.fine else buffer[coarse])


@pytest.mark.parametrize("case, words", [
    ("unknown pattern", "Unknown pulsework: helx"),
    ("deep map", "beats.json: not a beat map: JSON nested too deeply"),
    ("no song", "gone.wav: no such file"),
    ("no folder", "No such file or directory: '%s'"),
])
def test_a_render_that_cannot_be_made_is_one_line(song, tmp_path, capsys, case, words):
    """Refused before any analysis, and nothing written."""
    pytest.importorskip("soundfile")
    from pulsework_music import render

    path = song[0]
    write_beat_map(path + ".beats.json", true_map(song[1]))
    folder = tmp_path / "out"
    folder.mkdir()
    args, out = [path, "--pattern", "helix"], str(folder / "motion.csv")
    if case == "unknown pattern":
        args[2] = "helx"
    elif case == "deep map":
        (tmp_path / "deep.beats.json").write_text("[" * 100000)
        args += ["--beats", str(tmp_path / "deep.beats.json")]
    elif case == "no song":
        args[0] = str(tmp_path / "gone.wav")
        args += ["--beats", path + ".beats.json"]
    else:
        out = str(folder / "nowhere" / "motion.csv")
        words %= out
    assert render.main(args + ["-o", out]) == 1
    captured = capsys.readouterr()
    (line,) = captured.err.splitlines()
    assert line.startswith("pulsework-render: error: ") and words in line
    assert captured.out == "" and os.listdir(folder) == []


def test_live_tracker_hears_a_song_through_pulseaudio(pulse, tmp_path):
    needs("aubio", "sounddevice", "soundfile")
    result = run_alone([os.path.join(os.path.dirname(__file__), "hear_song.py"), pulse,
                        str(tmp_path / "song.wav")])
    assert result.returncode == 0, result.stderr
    heard = json.loads(result.stdout)
    assert heard["state"] == "locked" and heard["bpm"] == pytest.approx(120, rel=0.03)
    # The same beat phase within the beat window (the tracker counts its own
    # beats, so whole beats may differ).
    assert abs(heard["beats"] - round(heard["beats"])) * 0.5 <= WINDOW

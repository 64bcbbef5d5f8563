"""Beat map files and BeatMapClock: round trips, bad files refused with the
file and the JSON path, and a clock that lands beats and bars on the pattern's
grid and never runs backwards, whatever the (edited) map."""
import json

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

from pulsework_motion import (Beat, BeatMap, BeatMapClock, BeatMapError, read_beat_map,
                              write_beat_map)


def beats(*triples):
    """Beats from (time, bar, beat) triples."""
    return [Beat(t, bar, beat) for t, bar, beat in triples]


WALTZ_WITH_UPBEAT = beats((0.4, 0, 3), (1.0, 1, 1), (1.5, 1, 2), (2.0, 1, 3), (2.6, 2, 1),
                          (3.1, 2, 2))


def test_round_trip_and_grid(tmp_path):
    path = tmp_path / "song.wav.beats.json"
    beat_map = BeatMap(WALTZ_WITH_UPBEAT, audio="song.wav", confidence=0.5)
    write_beat_map(path, beat_map)
    again = read_beat_map(path)
    assert again == beat_map and again.beats == beat_map.beats
    assert (again.meter, again.audio) == (3, "song.wav")
    # Beats 64 pips apart within a bar; bars on multiples of 256 (a 3/4 bar's
    # last beat runs on to the next bar line); the upbeat before bar 1.
    assert [again.pip_of(i) for i in range(6)] == [-128, 0, 64, 128, 256, 320]
    assert again.position(2.3) == pytest.approx(128 + 128 * 0.5)
    # Beyond the ends: the local tempo, 64 pips a beat.
    assert again.position(0.1) == pytest.approx(-128 - 64 * 0.3 / 0.6)
    assert again.position(4.1) == pytest.approx(320 + 64 * 1.0 / 0.5)


def test_from_times_counts_bars_from_downbeats():
    beat_map = BeatMap.from_times([0.5, 1.0, 1.5, 2.0, 2.5, 3.0],
                                  [False, True, False, False, False, True])
    assert [(b.bar, b.beat) for b in beat_map.beats] == [(0, 4), (1, 1), (1, 2), (1, 3),
                                                         (1, 4), (2, 1)]


GOOD = {"pulsework_beat_map": 1, "beats": [{"time": 0.5, "bar": 1, "beat": 1},
                                           {"time": 1.0, "bar": 1, "beat": 2}]}


@pytest.mark.parametrize("change, where, words", [
    (lambda d: d.pop("pulsework_beat_map"), "$", "no \"pulsework_beat_map\""),
    (lambda d: d.update(pulsework_beat_map=2), "$.pulsework_beat_map", "newer than"),
    (lambda d: d.update(tempo="fast"), "$.tempo", "BPM"),
    (lambda d: d.update(beat=[]), "$.beat", "not a member"),
    (lambda d: d.update(beats=[d["beats"][0]]), "$.beats", "at least two"),
    (lambda d: d["beats"][1].update(time=0.5), "$.beats[1].time", "later than"),
    (lambda d: d["beats"][1].update(time=float("nan")), "$.beats[1].time", "seconds"),
    (lambda d: d["beats"][1].pop("bar"), "$.beats[1]", "has no \"bar\""),
    (lambda d: d["beats"][1].update(tiem=1), "$.beats[1].tiem", "not a member"),
    (lambda d: d["beats"][1].update(beat=3), "$.beats[1]", "cannot follow"),
    (lambda d: d["beats"][1].update(bar=3, beat=1), "$.beats[1]", "cannot follow"),
    (lambda d: d["beats"][0].update(beat=0), "$.beats[0].beat", "from 1"),
    (lambda d: d["beats"][0].update(bar=True), "$.beats[0].bar", "whole bar"),
])
def test_bad_maps_are_refused(tmp_path, change, where, words):
    document = json.loads(json.dumps(GOOD))
    change(document)
    path = tmp_path / "bad.beats.json"
    path.write_text(json.dumps(document))
    with pytest.raises(BeatMapError) as error:
        read_beat_map(path)
    assert str(error.value).startswith("%s: %s: " % (path, where)) and words in str(error.value)


@pytest.mark.parametrize("text, words", [
    ('{"pulsework_beat_map": 1,\n "beats": [}', "x.beats.json: line 2 column 12: not JSON"),
    ("[" * 100000, "x.beats.json: not a beat map: JSON nested too deeply"),
])
def test_not_json(tmp_path, text, words):
    path = tmp_path / "x.beats.json"
    path.write_text(text)
    with pytest.raises(BeatMapError, match=words):
        read_beat_map(path)


@st.composite
def beat_maps(draw):
    """Maps as a person might edit them: any intervals, bars of 1 to 7 beats,
    an upbeat or none."""
    count = draw(st.integers(2, 40))
    gaps = draw(st.lists(st.floats(0.01, 3.0), min_size=count, max_size=count))
    lengths = draw(st.lists(st.integers(1, 7), min_size=count, max_size=count))
    bar, beat, time, made = draw(st.integers(-2, 3)), draw(st.integers(1, 7)), 0.0, []
    for k in range(count):
        time += gaps[k]
        made.append(Beat(round(time, 6), bar, beat))
        if beat >= lengths[bar % count]:
            bar, beat = bar + 1, 1
        else:
            beat += 1
    return BeatMap(made)


@settings(max_examples=60, deadline=None)
@given(beat_maps(), beat_maps(), st.lists(st.floats(0, 130), min_size=2, max_size=60))
def test_clock_never_runs_backwards(first, edited, moments):
    for beat_map in (first, edited):
        # Downbeats on multiples of 256, beats 64 apart within a bar.
        for i, b in enumerate(beat_map.beats):
            if b.beat == 1:
                assert beat_map.pip_of(i) % 256 == 0
            if i and b.bar == beat_map.beats[i - 1].bar:
                assert beat_map.pip_of(i) - beat_map.pip_of(i - 1) == 64
    clock = BeatMapClock(first, start=0.0)
    last = None
    for n, now in enumerate(sorted(moments)):
        if n == len(moments) // 2:
            clock.replace(edited)
        position = clock.position(now)
        assert last is None or position >= last
        last = position

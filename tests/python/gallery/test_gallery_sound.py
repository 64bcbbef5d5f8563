"""The grooves as sound in the page, and as MIDI files."""
import json
import math
import os
from fractions import Fraction

import pytest

from pulsework_gallery import drum_programmes, write_gallery
from pulsework_gallery.midi import DRUM_NOTES, write_midi_files

from measure import onsets

PPB = 64

# One bar from `first` beat, rendered offline by the page's own scheduling code.
RENDER_ONE_BAR = """async ({name, bpm, first}) => {
    const programme = PW.grooves[name], rate = 48000, start = 0.05, beats = 4;
    const length = Math.ceil(rate * (start + beats * 60 / bpm + 0.3));
    const ctx = new OfflineAudioContext(1, length, rate);
    PW.audio.schedule(ctx, ctx.destination, programme, first, first + beats,
                      b => start + (b - first) * 60 / bpm);
    const data = (await ctx.startRendering()).getChannelData(0);
    const envelope = [];  // the loudest sample of each millisecond
    for (let i = 0; i + 48 <= data.length; i += 48) {
        let peak = 0;
        for (let j = i; j < i + 48; j++) peak = Math.max(peak, Math.abs(data[j]));
        envelope.push(peak);
    }
    return {start: start * 1000, envelope: envelope};
}"""


@pytest.fixture(scope="module")
def programmes():
    return {groove["name"]: groove for groove in drum_programmes()["grooves"]}


# The bar runs over the end of the loop and on into its start: no gap at the wrap.
@pytest.mark.parametrize("name", ["beat_four_floor", "beat_dnb_two_step"])
def test_loudest_onsets_of_a_rendered_bar_fall_on_kicks_and_snares(open_page, gallery_url,
                                                                   programmes, name):
    bpm, period = 120, programmes[name]["period"]
    first = period // PPB - 2
    page = open_page(gallery_url)
    rendered = page.evaluate(RENDER_ONE_BAR, {"name": name, "bpm": bpm, "first": first})
    ms_per_pip = 60000 / bpm / PPB
    expected = sorted({(event["pip"] - first * PPB) % period * ms_per_pip
                       for event in programmes[name]["events"]
                       if event["lane"] in ("kick", "snare") and event["velocity"] >= 0.5
                       and (event["pip"] - first * PPB) % period < 4 * PPB})
    loudest = sorted(onsets(rendered["envelope"]), key=lambda onset: -onset[1])[:len(expected)]
    times = sorted(ms - rendered["start"] for ms, _strength in loudest)
    assert len(times) == len(expected) >= 4
    assert all(abs(got - want) <= 5 for got, want in zip(times, expected)), (times, expected)


def groove_gallery(tmp_path, names):
    rows = [[0.0, round(0.8 * math.sin(2 * math.pi * pip / 512), 6), 0.0] for pip in range(512)]
    library = tmp_path / "grooves.json"
    library.write_text(json.dumps([{"name": name, "description": "Mine", "samples": rows}
                                   for name in names]))
    return write_gallery(str(tmp_path / "g"), library=str(library), midi=True)


# How far from the clock's own time for its beat is each sound scheduled after `since`.
OFF_THE_CLOCK = """since => PW.sound.scheduledItems().filter(item => item.time > since)
    .map(item => Math.abs(item.time - PW.clock.timeOfBeat(item.beat)))"""


def test_sound_after_a_click_one_groove_at_a_time_on_the_clock(open_page, tmp_path):
    written = groove_gallery(tmp_path, ["beat_dnb_two_step_mine", "beat_four_floor_mine"])
    page = open_page(written.url)
    page.select_option("#filter-group", "library")
    assert page.evaluate("PW.sound.context()") is None
    first = '.card[data-name="beat_dnb_two_step_mine"] button.sound'
    second = '.card[data-name="beat_four_floor_mine"] button.sound'
    page.click(first)
    page.wait_for_function("PW.sound.stats().scheduled > 0")
    assert page.evaluate("PW.sound.context().state") == "running"
    assert page.get_attribute(first, "aria-pressed") == "true"
    page.click(second)
    assert page.get_attribute(first, "aria-pressed") == "false"
    assert page.evaluate("PW.sound.playing().name") == "beat_four_floor_mine"

    # Sound scheduled ahead follows the clock through tempo changes and pauses.
    since = page.evaluate("() => { PW.transport.setTempo(137, true); "
                          "return PW.sound.context().currentTime; }")
    page.wait_for_function("since => PW.sound.scheduledItems().filter(i => i.time > since)"
                           ".length >= 2", arg=since)
    gaps = page.evaluate(OFF_THE_CLOCK, since)
    assert max(gaps) < 1e-6
    for bpm in (64, 90, 61):  # slower: no hit already sent is sent again
        page.evaluate("bpm => PW.transport.setTempo(bpm, true)", bpm)
        page.wait_for_timeout(150)
    hits = page.evaluate("PW.sound.scheduledItems().map(item => item.lane + '@' + item.beat)")
    assert len(hits) == len(set(hits))
    page.click("#play")
    since = page.evaluate("PW.sound.context().currentTime")
    page.wait_for_timeout(300)
    assert page.evaluate(OFF_THE_CLOCK, since) == []
    page.click("#play")
    page.click("#metronome")
    page.wait_for_function("PW.sound.scheduledItems().some(item => item.lane === 'click')")

    page.click('.card[data-name="beat_four_floor_mine"]')
    assert page.get_attribute("#detail-sound button.sound", "aria-pressed") == "true"
    link = page.get_attribute("#midi-link", "href")
    assert link == "midi/beat_four_floor.mid"
    assert os.path.isfile(os.path.join(os.path.dirname(written.path), link))


def exact(value):
    return Fraction(value).limit_denominator(1000)


def read_back(path):
    """Drum hits and bass notes of a MIDI file at absolute ticks."""
    import mido

    song = mido.MidiFile(path)
    drums, bass, tempos, ends = [], [], [], []
    for track in song.tracks:
        tick, sounding = 0, {}
        for message in track:
            tick += message.time
            if message.type == "set_tempo":
                tempos.append(message.tempo)
            elif message.type == "end_of_track":
                ends.append(tick)
            elif message.type == "note_on" and message.velocity > 0:
                if message.channel == 9:
                    drums.append((tick, message.note, message.velocity))
                else:
                    sounding[message.note] = (tick, message.velocity, message.channel)
            elif message.type in ("note_off", "note_on") and message.note in sounding:
                start, velocity, channel = sounding.pop(message.note)
                bass.append((start, message.note, velocity, tick - start, channel))
    return song.ticks_per_beat, sorted(drums), sorted(bass), tempos, ends


def test_midi_files_read_back_to_the_programmes(tmp_path):
    pytest.importorskip("mido")
    import mido

    document = drum_programmes()
    written = write_midi_files(str(tmp_path), document, 124)
    assert len(written) == len(document["grooves"]) == 68
    for groove in document["grooves"]:
        ticks_per_beat, drums, bass, tempos, ends = read_back(written[groove["name"]])
        per_pip = Fraction(ticks_per_beat, PPB)
        expected_drums, expected_bass = [], []
        for event in groove["events"]:
            tick = exact(event["pip"]) * per_pip
            assert tick.denominator == 1
            velocity = max(1, round(event["velocity"] * 127))
            if event["lane"] == "bass":
                length = min(exact(event["length"]) * per_pip, groove["period"] * per_pip - tick)
                expected_bass.append((int(tick), event["note"], velocity, int(length), 0))
            else:
                expected_drums.append((int(tick), DRUM_NOTES[event["lane"]], velocity))
        assert drums == sorted(expected_drums), groove["name"]
        assert bass == sorted(expected_bass), groove["name"]
        assert tempos == [mido.bpm2tempo(124)]
        assert set(ends) == {groove["period"] * per_pip}

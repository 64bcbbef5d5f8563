"""pulsework-gallery --song: the page plays the song beside it and the
shared clock, and so every marker, follows the song's beat map."""
import os
import wave

from pulsework_gallery import write_gallery
from pulsework_motion import Beat, BeatMap

BPM = 100.0


def write_song(path, seconds=6.0, rate=22050):
    """A click on every beat at BPM, as 16-bit WAV (the standard library's)."""
    frames = bytearray(int(seconds * rate) * 2)
    for k in range(int(seconds * BPM / 60)):
        start = int(k * 60 / BPM * rate)
        for i in range(200):
            frames[2 * (start + i):2 * (start + i) + 2] = (12000 if i % 20 < 10 else -12000
                                                           ).to_bytes(2, "little", signed=True)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(bytes(frames))


def test_page_follows_the_song(open_page, tmp_path):
    song = str(tmp_path / "click.wav")
    write_song(song)
    # A map with an upbeat and a tempo that changes: beats 0.6 s, then 0.5 s apart.
    times = [0.3 + 0.6 * k for k in range(5)] + [2.7 + 0.5 * k for k in range(1, 8)]
    beat_map = BeatMap([Beat(t, (k + 3) // 4, (k + 3) % 4 + 1) for k, t in enumerate(times)])
    written = write_gallery(str(tmp_path / "page"), song=(song, beat_map))
    assert os.path.exists(os.path.join(os.path.dirname(written.path), "song", "click.wav"))
    page = open_page(written.url)
    page.click("#play")
    page.wait_for_function("PW.song.element().currentTime > 2.9", timeout=15000)
    # The clock and the song's time, read together, agree with the map.
    seconds, beats = page.evaluate("[PW.song.element().currentTime, PW.clock.beats]")
    assert abs(beats * 64 - beat_map.position(seconds)) < 0.06 * 64 * 2   # 60 ms at 120 BPM
    page.evaluate("PW.song.element().pause()")
    page.wait_for_timeout(100)
    seconds, beats = page.evaluate("[PW.song.element().currentTime, PW.clock.beats]")
    assert abs(beats * 64 - beat_map.position(seconds)) < 1
    counter = page.locator('.card[data-name="box_step"] .beat').text_content()
    assert counter == "%d/4" % (int(beats) % 4 + 1)

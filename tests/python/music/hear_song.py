"""Play a synthesised song through an audio device while the live tracker
listens to the same device; print what it heard as JSON. Run by
test_music.py in a process of its own (see there)."""
import json
import sys
import time

import soundfile

from pulsework_live.audio import SongPlayer, listen
from pulsework_motion import Beat, BeatMap

sys.path.insert(0, __file__.rsplit("/", 1)[0])
from songs import RATE, drum_song  # noqa: E402


def main(device, path):
    audio, times = drum_song(bars=4)
    soundfile.write(path, audio, RATE)
    beat_map = BeatMap([Beat(float(t), k // 4 + 1, k % 4 + 1) for k, t in enumerate(times)])
    player = SongPlayer(path, beat_map, device=device)
    clock, _listener, close = listen(device)
    try:
        player.start()
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and (player.song_time(time.monotonic()) or 0) \
                < times[-1] + 0.1:
            time.sleep(0.02)
        now = time.monotonic()
        # Both clocks at one moment: the song's map through the player's
        # playback position, and the tracker's, from what it heard.
        heard, played = clock.position(now), player.clock.position(now)
        print(json.dumps({"state": clock.state(now), "bpm": clock.bpm,
                          "beats": (heard - played) / 64}))
    finally:
        close()
        player.close()


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

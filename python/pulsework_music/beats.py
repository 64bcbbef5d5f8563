"""Command line: pulsework-beats SONG [-o SONG.beats.json]."""
import argparse
import os
import sys
import time
from typing import Callable, List, Optional

from pulsework_motion.beatmap import (BeatMap, BeatMapError, beat_map_path, read_beat_map,
                                      write_beat_map)

from .analysis import AnalysisError

PROGRAM = "pulsework-beats"


def song_beat_map(song: str, beats: Optional[str] = None,
                  say: Optional[Callable[[str], None]] = None) -> BeatMap:
    """The beat map of `song`: the file `beats` when given, else SONG.beats.json
    when it exists, else an analysis of the audio (not written anywhere)."""
    path = beats or beat_map_path(song)
    if beats or os.path.exists(path):
        return read_beat_map(path)
    if not os.path.exists(song):
        raise AnalysisError("%s: no such file" % song)
    from .analysis import analyse

    if say:
        say("analysing %s (no %s)" % (song, os.path.basename(path)))
    return analyse(song)


def parser() -> argparse.ArgumentParser:
    p = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Find the beats and bars of a song (WAV, FLAC, OGG, MP3) and write its beat "
                    "map, a JSON file that pulsework-render, pulsework-live --song and "
                    "pulsework-gallery --song read, and that can be corrected by hand.")
    p.add_argument("song", metavar="SONG", help="the audio file")
    p.add_argument("-o", "--out", metavar="FILE",
                   help="where to write the map (default: SONG.beats.json beside the song)")
    return p


def main(argv: Optional[List[str]] = None) -> int:
    args = parser().parse_args(argv)
    out = args.out or beat_map_path(args.song)
    started = time.perf_counter()
    try:
        from .analysis import analyse

        beat_map = analyse(args.song)
        if os.path.dirname(os.path.abspath(out)) != os.path.dirname(os.path.abspath(args.song)):
            beat_map.audio = os.path.relpath(os.path.abspath(args.song),
                                             os.path.dirname(os.path.abspath(out)))
        write_beat_map(out, beat_map)
    except (AnalysisError, BeatMapError, OSError) as error:
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1
    beats = beat_map.beats
    print("%s: %d beats in %d bars of %d, %.1f BPM, confidence %.2f, from %.2f s to %.2f s "
          "(%.1f s)" % (out, len(beats), len(beat_map.downbeats), beat_map.meter, beat_map.tempo,
                        beat_map.confidence or 0.0, beats[0].time, beats[-1].time,
                        time.perf_counter() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())

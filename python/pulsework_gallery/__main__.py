"""Command line: write the gallery and say where it is."""
import argparse
import os
import sys
import time
import webbrowser
from typing import Any, List, Optional, Tuple

from pulsework_motion import PatternFileError

from .collect import GalleryError
from .gallery import DEFAULT_OUT, DEFAULT_TEMPO, MAX_TEMPO, MIN_TEMPO, write_gallery
from .midi import MidiUnavailable


def _tempo(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError("not a number: %r" % text) from None
    if not MIN_TEMPO <= value <= MAX_TEMPO:
        raise argparse.ArgumentTypeError("must be between %g and %g BPM" % (MIN_TEMPO, MAX_TEMPO))
    return value


def parser() -> argparse.ArgumentParser:
    p = argparse.ArgumentParser(
        prog="pulsework-gallery",
        description="Write a static HTML gallery of every pulsework pattern: "
                    "traces, moving markers, search, detail and stagger views.")
    p.add_argument("--out", default=DEFAULT_OUT, metavar="PATH",
                   help="folder to write index.html into, or a file name ending in .html "
                        "(default: %(default)s)")
    p.add_argument("--library", metavar="FILE",
                   help="also show the user patterns of this JSON or CSV file")
    p.add_argument("--tempo", type=_tempo, default=DEFAULT_TEMPO, metavar="BPM",
                   help="the page's starting tempo (default: %(default)g; changeable on the page)")
    p.add_argument("--midi", action="store_true",
                   help="also write each groove's drum programme as a Standard MIDI File at the "
                        "page's tempo, into midi/ beside the page (needs mido)")
    p.add_argument("--song", metavar="SONG",
                   help="play this audio file on the page, every marker following its beats and "
                        "bars: its beat map SONG.beats.json (or --beats), else an analysis of "
                        "the song (needs the music extra); the audio is copied into song/")
    p.add_argument("--beats", metavar="FILE", help="with --song, the song's beat map")
    p.add_argument("--open", action="store_true", help="open the gallery in a web browser")
    return p


def _song(song: str, beats: Optional[str]) -> Tuple[str, Any]:
    """(the song, its beat map), or GalleryError."""
    from pulsework_motion import BeatMapError

    try:
        from pulsework_music.beats import song_beat_map
        from pulsework_music.analysis import AnalysisError
    except ImportError as error:  # pragma: no cover - the package ships with the gallery
        raise GalleryError("--song: %s" % error) from None
    try:
        return song, song_beat_map(song, beats)
    except (AnalysisError, BeatMapError) as error:
        raise GalleryError(str(error)) from None


def main(argv: Optional[List[str]] = None) -> int:
    args = parser().parse_args(argv)
    started = time.perf_counter()
    try:
        song = _song(args.song, args.beats) if args.song else None
        written = write_gallery(args.out, library=args.library, tempo=args.tempo, midi=args.midi,
                                song=song)
    except (PatternFileError, GalleryError, MidiUnavailable, OSError) as error:
        print("pulsework-gallery: error: %s" % error, file=sys.stderr)
        return 1
    seconds = time.perf_counter() - started
    library = ", %d from %s" % (written.library_patterns, args.library) if args.library else ""
    print("Wrote the pulsework gallery: %d patterns%s, %.1f MB in %.1f s"
          % (written.patterns, library, written.size / 1e6, seconds))
    copies = written.library_copies
    if len(copies) == 1:
        print("  %s in %s is an exact copy of the default pattern, shown as a default"
              % (copies[0], args.library))
    elif copies:
        print("  %d patterns in %s (%s%s) are exact copies of default patterns, shown as defaults"
              % (len(copies), args.library, ", ".join(copies[:5]),
                 ", ..." if len(copies) > 5 else ""))
    print("  %s" % written.path)
    if written.midi_files:
        folder = os.path.dirname(next(iter(written.midi_files.values())))
        print("  %d MIDI files at %g BPM in %s" % (len(written.midi_files), args.tempo, folder))
    print("Open it in a web browser: %s" % written.url)
    if args.open:
        webbrowser.open(written.url)
    return 0


if __name__ == "__main__":
    sys.exit(main())

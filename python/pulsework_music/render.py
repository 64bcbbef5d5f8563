"""Command line: pulsework-render, motion for a song, frame by frame.

    pulsework-render SONG --pattern NAME [shaping options] --fps 60 -o motion.csv
    pulsework-render SONG --rig RIG.toml --fps 60 -o channels.json

Frame n is at n / fps seconds into the song, from 0 to the song's end; its
pip is the floor of the song's BeatMapClock position there (the beat map
SONG.beats.json, or --beats FILE, or an analysis of the song when there is
none). A pattern's frame holds every copy's shaped x, y, z, exactly
Motion(pattern, shaping, copies).positions(pip); a rig's frame holds every
group's output values as pulsework-live would send them at that pip and
moment (speed limits included; no cues: the groups as the rig sets them):
DMX channel values, 0-255, or 0-65535 with a fine channel, and OSC values,
with nothing sent.

CSV: a header row, then one row per frame: frame, time (seconds), pip, then
x, y, z (x1, y1, z1, x2, ... for several copies), or one column per rig
value named group.fixture.role (DMX) or by its OSC address.
JSON: {"pulsework_render": 1, "audio", "fps", "frames": count, "columns":
[names], "rows": [[frame, time, pip, values...], ...]} and what was
rendered ("pattern", "shaping", "copies" or "rig").
"""
import argparse
import csv
import io
import json
import math
import os
import sys
from typing import Any, Dict, List, Optional, Sequence, Tuple

from pulsework_motion import (BeatMapClock, BeatMapError, Motion, PatternFileError, Shaping,
                              ShapingError, load_patterns)
from pulsework_motion.files import write_whole

from .analysis import AnalysisError, audio_seconds
from .beats import song_beat_map

PROGRAM = "pulsework-render"
FORMAT_VERSION = 1
MAX_FRAMES = 50_000_000


class RenderError(Exception):
    """A render that cannot be made; the message says why."""


def frame_pips(clock: BeatMapClock, seconds: float, fps: float) -> List[Tuple[int, float, int]]:
    """(frame, time, pip) of every frame from 0 to `seconds`."""
    count = math.floor(seconds * fps + 1e-9) + 1
    if count > MAX_FRAMES:
        raise RenderError("%d frames is more than %d" % (count, MAX_FRAMES))
    return [(n, n / fps, clock.pip(n / fps)) for n in range(count)]


def pattern_rows(motion: Motion, frames: Sequence[Tuple[int, float, int]]
                 ) -> Tuple[List[str], List[List[Any]]]:
    if motion.copies == 1:
        columns = ["x", "y", "z"]
    else:
        columns = ["%s%d" % (axis, i + 1) for i in range(motion.copies) for axis in "xyz"]
    rows = [[n, t, pip] + [v for position in motion.positions(pip) for v in position]
            for n, t, pip in frames]
    return columns, rows


def rig_rows(rig: Any, sample: Any, frames: Sequence[Tuple[int, float, int]]
             ) -> Tuple[List[str], List[List[Any]]]:
    """Every group's values per frame, through pulsework-live's own writers."""
    from pulsework_live.show import Show  # type: ignore[import-untyped, unused-ignore]

    show = Show(rig, None, sample, senders={})
    slots: List[Tuple[str, Any]] = []
    for writer in show.dmx:
        group = writer.group
        for fixture, patch in enumerate(group.patches):
            buffer = show.buffers[group.output][patch.universe]
            base = patch.address - 2   # the address and a channel both count from 1
            for channel in patch.channels:
                slots.append(("%s.%d.%s" % (group.name, fixture + 1, channel.role),
                              (buffer, base + channel.channel,
                               base + channel.fine if channel.fine else None)))
    columns = [name for name, _slot in slots]
    osc_columns: Optional[List[str]] = None
    rows = []
    for n, t, pip in frames:
        messages = show.render(pip, t)   # (the frame's moment, for fixtures' speed limits)
        values: List[Any] = []
        for _name, (buffer, coarse, fine) in slots:
            values.append(buffer[coarse] * 256 + buffer[fine] if fine is not None
                          else buffer[coarse])
        names = []
        for output in sorted(messages):
            for address, arguments in messages[output]:
                for i, value in enumerate(arguments):
                    names.append(address if len(arguments) == 1 else "%s[%d]" % (address, i))
                    values.append(value)
        if osc_columns is None:
            osc_columns = names
        rows.append([n, t, pip] + values)
    return columns + (osc_columns or []), rows


def write_rows(path: str, head: Dict[str, Any], columns: List[str],
               rows: List[List[Any]]) -> None:
    if path.lower().endswith(".json"):
        document = dict(head, pulsework_render=FORMAT_VERSION, frames=len(rows),
                        columns=["frame", "time", "pip"] + columns)
        text = json.dumps(document)[:-1] + ', "rows": [\n' + ",\n".join(
            json.dumps(row) for row in rows) + "\n]}\n"
    else:
        stream = io.StringIO()
        writer = csv.writer(stream, lineterminator="\n")
        writer.writerow(["frame", "time", "pip"] + columns)
        for row in rows:
            writer.writerow([row[0], "%.6f" % row[1]] + row[2:])
        text = stream.getvalue()
    write_whole(path, text)


def parser() -> argparse.ArgumentParser:
    p = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Render a pattern (or every group of a rig) along a song's beats and bars, "
                    "one row per frame, as CSV or JSON for animation and video tools.")
    p.add_argument("song", metavar="SONG", help="the audio file")
    what = p.add_mutually_exclusive_group(required=True)
    what.add_argument("--pattern", metavar="NAME", help="the pattern to render")
    what.add_argument("--rig", metavar="RIG.toml",
                      help="render every group's output values of this rig file")
    p.add_argument("--scene", metavar="FILE.mvr",
                   help="with --rig, an MVR scene whose fixtures the rig's groups select")
    p.add_argument("--beats", metavar="FILE",
                   help="the song's beat map (default: SONG.beats.json, else analyse the song)")
    p.add_argument("--library", metavar="FILE", help="user patterns (JSON or CSV) to offer")
    p.add_argument("--fps", type=float, default=60.0, help="frames per second (default 60)")
    p.add_argument("-o", "--out", metavar="FILE", required=True,
                   help="the file to write, .csv or .json")
    shaping = p.add_argument_group("shaping (with --pattern)")
    shaping.add_argument("--copies", type=int, default=1, help="how many copies (default 1)")
    shaping.add_argument("--size", help="a size, or x,y,z sizes")
    shaping.add_argument("--centre", help="x,y,z centre offset")
    shaping.add_argument("--speed", help='speed, a number or a fraction such as "1/2"')
    shaping.add_argument("--spread", help="phase spread over the copies, in degrees")
    shaping.add_argument("--rotation", type=float, help="rotation in the x/y plane, degrees")
    shaping.add_argument("--blocks", type=int, help="neighbouring copies sharing a phase")
    shaping.add_argument("--fade-in", help="beats of fade in from the song's start")
    for flag in ("reverse", "wings", "pingpong"):
        shaping.add_argument("--" + flag, action="store_true")
    return p


def _shaping(args: argparse.Namespace) -> Shaping:
    options: Dict[str, Any] = {}
    for field in ("speed", "spread", "fade_in", "rotation", "blocks"):
        value = getattr(args, field)
        if value is not None:
            options[field] = value
    for field in ("size", "centre"):
        text = getattr(args, field)
        if text is not None:
            try:
                numbers = [float(part) for part in text.split(",")]
            except ValueError:
                raise ShapingError(field, "must be numbers separated by commas", text) from None
            options[field] = numbers[0] if field == "size" and len(numbers) == 1 else numbers
    for flag in ("reverse", "wings", "pingpong"):
        if getattr(args, flag):
            options[flag] = True
    return Shaping(**options)


def main(argv: Optional[List[str]] = None) -> int:
    args = parser().parse_args(argv)
    if not (args.fps > 0 and math.isfinite(args.fps)) or args.fps > 1000:
        print("%s: error: --fps must be above 0 and at most 1000" % PROGRAM, file=sys.stderr)
        return 2
    if not args.out.lower().endswith((".csv", ".json")):
        print("%s: error: -o must name a .csv or .json file" % PROGRAM, file=sys.stderr)
        return 2
    try:
        import pulsework

        library = load_patterns(args.library) if args.library else None
        catalogue = library.catalogue() if library else pulsework.catalogue()
        sample = library.sample if library else pulsework.sample
        head: Dict[str, Any] = {"audio": os.path.basename(args.song), "fps": args.fps}
        # The pattern or rig is checked before the song is read (or analysed).
        if args.pattern:
            shaping = _shaping(args)
            motion = Motion(args.pattern, shaping, args.copies, library=library)
            head.update(pattern=args.pattern, shaping=shaping.changes(), copies=args.copies)
        else:
            from pulsework_live import rig as rigs  # type: ignore[import-untyped, unused-ignore]

            try:
                rig = rigs.load_rig(args.rig, catalogue, scene=args.scene)
            except rigs.RigError as error:
                raise RenderError(str(error)) from None
            head.update(rig=os.path.basename(args.rig))
        beat_map = song_beat_map(args.song, args.beats,
                                 say=lambda text: print("%s: %s" % (PROGRAM, text)))
        seconds = audio_seconds(args.song)
        frames = frame_pips(BeatMapClock(beat_map, start=0.0), seconds, args.fps)
        if args.pattern:
            columns, rows = pattern_rows(motion, frames)
        else:
            columns, rows = rig_rows(rig, sample, frames)
        write_rows(args.out, head, columns, rows)
    except (RenderError, AnalysisError, BeatMapError, PatternFileError, ShapingError,
            ValueError, OSError) as error:
        print("%s: error: %s" % (PROGRAM, error), file=sys.stderr)
        return 1
    print("%s: %d frames at %g fps (%.1f s, pips %d to %d) -> %s"
          % (PROGRAM, len(rows), args.fps, seconds, rows[0][2], rows[-1][2], args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())

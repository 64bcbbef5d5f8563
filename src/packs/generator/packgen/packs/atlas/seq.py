"""Atlas tables: programmed position sequences, seq_<sequence>_<timing>.

Each sequence (data/atlas/seq.json) is a list of (x, y) positions, one a
segment. A position is held for its segment, and a softened transition (a
smootherstep move lasting a fixed fraction of an even segment) carries the
point to the next position so that it arrives exactly on the segment
boundary. ``even`` segments share the period equally; ``lilt`` segments
alternate long and short in the data's swing ratio (2:1), each long-short
pair lasting as long as two even segments.
"""
from ...motion import keyframe_chain
from .authored_data import load_json

DATA = load_json("seq.json")
TIMINGS = ("even", "lilt")


def segment_starts(count, period, timing):
    """Pip at which each segment begins."""
    if timing == "even":
        return [period * k / count for k in range(count)]
    if count % 2:
        raise ValueError("a lilt needs an even number of segments")
    long_part, short_part = DATA["lilt"]
    pair = 2.0 * period / count
    long_pips = pair * long_part / (long_part + short_part)
    return [pair * (k // 2) + (long_pips if k % 2 else 0.0) for k in range(count)]


def sequence(positions, timing):
    def build(period):
        count = len(positions)
        starts = segment_starts(count, period, timing)
        ends = starts[1:] + [float(period)]
        transition = DATA["transition"] * period / count
        columns = []
        for axis in range(2):
            keys = []
            for start, end, position in zip(starts, ends, positions):
                keys.append((start, position[axis]))
                keys.append((end - transition, position[axis]))
            columns.append(keyframe_chain(period, keys))
        return [(x, y, 0.0) for x, y in zip(*columns)]

    return build


BUILDERS = {
    "seq_%s_%s" % (name, timing): sequence(positions, timing)
    for name, positions in DATA["sequences"].items()
    for timing in TIMINGS
}

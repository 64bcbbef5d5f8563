"""Atlas tables: envelopes over an eight-beat phrase, on y alone.

Each is a closed chain of keyframes (data/atlas/env_keyframes.tsv) joined by
the quintic smooth step, so every join rests with zero slope and curvature.
"""
from ...motion import keyframe_chain
from .rule_support import read_table


def envelope(keys):
    """y through the (pip, y) keyframes, back to the first at the period; x = z = 0."""

    def build(period):
        return [(0.0, y, 0.0) for y in keyframe_chain(period, keys)]

    return build


def parse_keys(fields):
    keys = []
    for field in fields:
        pip, value = field.split(":")
        keys.append((int(pip), float(value)))
    return keys


BUILDERS = {
    fields[0]: envelope(parse_keys(fields[1:])) for fields in read_table("env_keyframes.tsv")
}

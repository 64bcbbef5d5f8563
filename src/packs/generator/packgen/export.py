"""The drum programmes as one JSON document, for programs that want the
events themselves rather than the motion read from them.

    {"pips_per_beat": 64,
     "grooves": [{"name": ..., "label": ..., "period": ...,
                  "events": [{"lane": "kick", "pip": 0, "velocity": 0.95},
                             {"lane": "bass", "pip": 32, "velocity": 0.8,
                              "note": 36, "length": 24}, ...]}, ...]}

Grooves stand in their numbered order, events by pip and then by lane in the
order of ``grooves.LANES``. A pip or length that is a whole number is written
as an integer, a tuplet position as the nearest double. The bytes depend on
the data alone, so the document is the same on every build.
"""
import json
import os
from fractions import Fraction
from typing import List, Sequence, Union

from .grooves import BAR, PIPS_PER_BEAT, Groove, load_grooves
from .records import data_path

FILE_NAME = "grooves.json"


def number(value: Fraction) -> Union[int, float]:
    return int(value) if value.denominator == 1 else float(value)


def event_record(event) -> dict:
    record = {"lane": event.lane, "pip": number(event.pip), "velocity": event.velocity}
    if event.note is not None:
        record["note"] = event.note
        record["length"] = number(event.length)
    return record


def groove_document(grooves: Sequence[Groove]) -> dict:
    return {
        "pips_per_beat": PIPS_PER_BEAT,
        "grooves": [
            {"name": g.name, "label": g.label, "period": g.period,
             "events": [event_record(e) for e in g.events]}
            for g in grooves
        ],
    }


def check_grooves(grooves: Sequence[Groove]) -> None:
    """What the reader cannot see from one file: the set of programmes as a whole."""
    names = [g.name for g in grooves]
    if len(set(names)) != len(names):
        raise ValueError("grooves.tsv names a groove twice")
    files = {f[:-4] for f in os.listdir(data_path("grooves", "programmes")) if f.endswith(".tsv")}
    strays = sorted(files - set(names))
    if strays:
        raise ValueError("programmes of no listed groove: " + ", ".join(strays))
    for g in grooves:
        if g.period <= 0 or g.period % BAR:
            raise ValueError("%s: a period of whole bars, not %d pips" % (g.name, g.period))
        if not g.events:
            raise ValueError("%s: a programme without events" % g.name)


def export_bytes(grooves: Sequence[Groove]) -> bytes:
    text = json.dumps(groove_document(grooves), ensure_ascii=False, allow_nan=False)
    return (text + "\n").encode("utf-8")


def grooves_json() -> bytes:
    """The checked programmes of every groove as the JSON document's bytes."""
    grooves: List[Groove] = load_grooves()
    check_grooves(grooves)
    return export_bytes(grooves)

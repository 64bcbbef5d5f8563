"""The gallery's data: every pattern's record, pack, family and samples."""
from typing import Any, Dict, Iterable, Iterator, List, Mapping, Optional, Tuple

from .encode import EncodingError, encode_rows, used_components
from .packs import LIBRARY, default_groups, family


class GalleryError(Exception):
    """A gallery that cannot be written; the message says why."""


# A pattern's rows, (x, y, z) for each pip of its period.
Rows = List[Tuple[float, float, float]]


def _default_rows(module: Any, name: str, period: int) -> Rows:
    sample = module.sample
    return [sample(name, pip).as_tuple() for pip in range(period)]


def _own_rows(sample: Any, period: int) -> Rows:
    return [sample(pip).as_tuple() for pip in range(period)]


def _entries(module: Any, own_patterns: Iterable[Tuple[Any, Any]]) -> Iterator[Tuple[Any, str, str, Rows]]:
    """(record, group, family, rows) for the defaults, then the library's own patterns.

    `own_patterns` holds (catalogue record, sampler of pip) pairs.
    """
    records = module.catalogue()
    for position, (record, group) in enumerate(zip(records, default_groups(len(records)))):
        rows = _default_rows(module, record["name"], record["period_pips"])
        yield record, group, family(record["name"], position, group), rows
    for record, sample in own_patterns:
        rows = _own_rows(sample, record["period_pips"])
        yield record, LIBRARY, family(record["name"], 0, LIBRARY), rows


def groove_data(programmes: Mapping[str, Any]) -> Dict[str, Any]:
    """The drum programmes as the page reads them: {"lanes": [lane, ...],
    "list": [[name, label, period, [[lane index, pip, velocity(, note,
    length)], ...]], ...]}."""
    lanes: List[str] = []
    index: Dict[str, int] = {}
    grooves: List[List[Any]] = []
    for groove in programmes["grooves"]:
        events = []
        for event in groove["events"]:
            lane = event["lane"]
            if lane not in index:
                index[lane] = len(lanes)
                lanes.append(lane)
            row = [index[lane], event["pip"], event["velocity"]]
            if "note" in event:
                row += [event["note"], event["length"]]
            events.append(row)
        grooves.append([groove["name"], groove["label"], groove["period"], events])
    return {"lanes": lanes, "list": grooves}


def gallery_data(module: Any, tempo: float, own_patterns: Iterable[Tuple[Any, Any]] = (),
                 programmes: Optional[Mapping[str, Any]] = None,
                 midi_files: Optional[Mapping[str, str]] = None,
                 library_file: Optional[str] = None) -> Dict[str, Any]:
    """The document the page reads: groups, families, one row per pattern,
    the drum programmes (when given), the links to their MIDI files, and the
    name of the library's file (which the page's code loads it from).

    A pattern row is [name, description, period_pips, dimensions, group index,
    family index, stored components, base64 samples].
    """
    groups: List[str] = []
    families: List[str] = []
    patterns: List[List[Any]] = []
    group_index: Dict[str, int] = {}
    family_index: Dict[str, int] = {}
    for record, group, fam, rows in _entries(module, own_patterns):
        if group not in group_index:
            group_index[group] = len(groups)
            groups.append(group)
        if fam not in family_index:
            family_index[fam] = len(families)
            families.append(fam)
        # Keep every component that moves, even one a record says is still.
        components = max(record["dimensions"], used_components(rows))
        try:
            encoded = encode_rows(rows, components)
        except EncodingError as error:
            raise GalleryError("pattern %s: %s" % (record["name"], error)) from None
        patterns.append([record["name"], record["description"], record["period_pips"],
                         record["dimensions"], group_index[group], family_index[fam],
                         components, encoded])
    return {
        "pipsPerBeat": module.PIPS_PER_BEAT,
        "tempo": tempo,
        "groups": groups,
        "families": families,
        "patterns": patterns,
        "grooves": groove_data(programmes) if programmes else None,
        "midi": dict(midi_files or {}),
        "library": library_file,
    }

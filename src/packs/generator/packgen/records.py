"""Catalogue records kept as small tab-separated data files.

One line a pattern: name, period in pips, dimensions, description. The
description runs to the end of the line, trailing spaces included; lines
starting with '#' and blank lines are ignored.
"""
import importlib
import os
from dataclasses import dataclass
from typing import Callable, Dict, List, Sequence

from .model import Pattern, Row

DATA_DIR = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data")


@dataclass(frozen=True)
class Record:
    name: str
    period: int
    dimensions: int
    description: str


def data_path(*parts: str) -> str:
    return os.path.join(DATA_DIR, *parts)


def load_records(*parts: str) -> List[Record]:
    records = []
    with open(data_path(*parts), encoding="utf-8", newline="\n") as stream:
        for number, line in enumerate(stream, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 4:
                raise ValueError("%s:%d: expected 4 tab-separated fields" % (parts[-1], number))
            name, period, dimensions, description = fields
            records.append(Record(name, int(period), int(dimensions), description))
    return records


def patterns_from_records(
    records: Sequence[Record],
    builders: Dict[str, Callable[[int], Sequence[Row]]],
    follows_source: Sequence[str] = (),
    y_only: Sequence[str] = (),
) -> List[Pattern]:
    """Pairs every record with the builder of the same name."""
    missing = [r.name for r in records if r.name not in builders]
    if missing:
        raise ValueError("no table rule for: " + ", ".join(missing))
    unused = sorted(set(builders) - {r.name for r in records})
    if unused:
        raise ValueError("table rules without a record: " + ", ".join(unused))
    return [
        Pattern(
            name=r.name,
            description=r.description,
            period=r.period,
            dimensions=r.dimensions,
            build=builders[r.name],
            follows_source=r.name in follows_source,
            y_only=r.name in y_only,
        )
        for r in records
    ]


def family_builders(package: str, modules: Sequence[str]) -> Dict[str, Callable[[int], Sequence[Row]]]:
    """name -> builder from the BUILDERS of each family module of a pack."""
    builders: Dict[str, Callable[[int], Sequence[Row]]] = {}
    for module_name in modules:
        module = importlib.import_module(package + "." + module_name)
        overlap = set(builders) & set(module.BUILDERS)
        if overlap:
            raise ValueError("tables defined twice: " + ", ".join(sorted(overlap)))
        builders.update(module.BUILDERS)
    return builders

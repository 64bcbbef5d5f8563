"""Helpers shared by the atlas rule families: formula and normalised
builders, the numbers carried by a pattern name, and the small tables of
per-pattern constants kept as data beside the generator."""
from typing import Callable, Dict, List, Optional, Tuple

from ...motion import from_components, normalise
from ...records import data_path
from . import RECORDS

Component = Optional[Callable[[float], float]]


def formula(x: Component = None, y: Component = None, z: Component = None):
    """A table given directly by functions of theta (a missing one is 0)."""
    return lambda period: from_components(period, x=x, y=y, z=z)


def normalised(x: Component = None, y: Component = None, z: Component = None):
    """A raw shape of theta scaled so its largest |coordinate| over all rows is 0.82."""
    return lambda period: normalise(from_components(period, x=x, y=y, z=z))


def name_numbers(name: str, prefix: str) -> Tuple[int, ...]:
    """The underscore-separated numbers after ``prefix``: ("weave_3_5", "weave_") -> (3, 5)."""
    if not name.startswith(prefix):
        raise ValueError("%s does not start with %s" % (name, prefix))
    return tuple(int(part) for part in name[len(prefix):].split("_"))


def read_table(file_name: str) -> List[List[str]]:
    """Whitespace-separated fields of each line of data/atlas/<file_name>.

    Lines starting with '#' and blank lines are skipped.
    """
    rows = []
    with open(data_path("atlas", file_name), encoding="ascii") as stream:
        for line in stream:
            if line.strip() and not line.startswith("#"):
                rows.append(line.split())
    return rows


def family_from_names(prefix: str, rule: Callable[..., object]) -> Dict[str, object]:
    """Builders for every atlas record named prefix + numbers: rule(*numbers)."""
    return {
        r.name: rule(*name_numbers(r.name, prefix)) for r in RECORDS if r.name.startswith(prefix)
    }

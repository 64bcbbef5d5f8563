"""Which pack and family each catalogue record belongs to.

The catalogue lists the fifteen built-ins and then every pack's patterns in
the fixed pack-table order below, with no pack field of its own, so a
record's pack follows from its position. A build that does not have every
pack yet (packs are added over time) simply runs out early: the packs are
filled in order as far as the catalogue goes, and anything beyond the known
packs is grouped as "other". Patterns of a user library form the group
"library".
"""
from typing import List

BUILT_IN = "built-in"
LIBRARY = "library"
OTHER = "other"

BUILT_IN_COUNT = 15
# Pack-table order and sizes, after the built-ins.
PACKS = (
    ("initial", 28),
    ("expansion", 24),
    ("atlas", 256),
    ("continuum", 320),
    ("club", 144),
    ("dancefloor", 944),
)
GROUP_ORDER = (BUILT_IN,) + tuple(name for name, _size in PACKS) + (OTHER, LIBRARY)

# The built-ins carry no name prefix: the first eight are motion shapes, the
# other seven drum rudiments (kin of the initial pack's rudiment_ studies).
BUILT_IN_SHAPES = 8


def default_groups(count: int) -> List[str]:
    """The pack of each of the first `count` default catalogue records."""
    groups: List[str] = []
    sizes = ((BUILT_IN, BUILT_IN_COUNT),) + PACKS
    for name, size in sizes:
        take = min(size, count - len(groups))
        groups.extend([name] * take)
    groups.extend([OTHER] * (count - len(groups)))
    return groups


# The groove packs: each pattern is a groove read as one motion.
GROOVE_GROUPS = ("club", "dancefloor")


def family(name: str, position: int, group: str) -> str:
    """The family of a record: its name prefix, up to the first underscore.

    A groove pattern (beat_<groove>_<motion>) belongs to its motion's family,
    so that all 68 corkscrews, say, can be shown together.
    """
    if group == BUILT_IN:
        return "shape" if position < BUILT_IN_SHAPES else "rudiment"
    if group in GROOVE_GROUPS and name.startswith("beat_"):
        return name.rsplit("_", 1)[1]
    return name.split("_", 1)[0]

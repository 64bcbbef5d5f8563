"""The continuum pack: twenty families of sixteen. The first ten are
continuous spatial paths (ribbons, contours, silhouettes, splines, tours,
scans, reaches, surfaces, braids, jointed arms); the last ten are
phrase-level rhythm studies (dwells, packets, canons, echoes, ladders,
necklaces, migrating accents, triplet grids, dialogues, bursts).

Records are data (data/continuum/records.tsv); each family module holds the
rules of its tables, reads its authored numbers from data/continuum/, and
exposes BUILDERS, name -> builder.
"""
import importlib

from ...model import Pack
from ...records import load_records, patterns_from_records

RECORDS = load_records("continuum", "records.tsv")

# Family modules, in pack-table order of their families.
FAMILY_MODULES = [
    # The rhythm studies.
    "dwell",
    "packet",
    "canon",
    "echo",
    "ladder",
    "necklace",
    "accent",
    "triplet",
    "dialogue",
    "burst",
]


def build_pack():
    builders = {}
    for module_name in FAMILY_MODULES:
        module = importlib.import_module(__name__ + "." + module_name)
        overlap = set(builders) & set(module.BUILDERS)
        if overlap:
            raise ValueError("tables defined twice: " + ", ".join(sorted(overlap)))
        builders.update(module.BUILDERS)
    records = [r for r in RECORDS if r.name in builders]  # until the path families land
    return Pack("pulsework_continuum", patterns_from_records(records, builders))

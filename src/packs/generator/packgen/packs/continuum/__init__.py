"""The continuum pack: twenty families of sixteen. The first ten are
continuous spatial paths (ribbons, contours, silhouettes, splines, tours,
scans, reaches, surfaces, braids, jointed arms); the last ten are
phrase-level rhythm studies (dwells, packets, canons, echoes, ladders,
necklaces, migrating accents, triplet grids, dialogues, bursts).

Records are data (data/continuum/records.tsv); each family module holds the
rules of its tables, reads its authored numbers from data/continuum/, and
exposes BUILDERS, name -> builder.
"""

from ...authored import load_columns, load_json
from ...model import Pack
from ...records import family_builders, load_records, patterns_from_records

RECORDS = load_records("continuum", "records.tsv")


def members(prefix):
    """Records of the family whose names start with ``prefix``, in pack order."""
    return [r for r in RECORDS if r.name.startswith(prefix)]


def load_data(file_name):
    """An authored data file of data/continuum/: JSON, or a TSV table of numbers."""
    if file_name.endswith(".json"):
        return load_json("continuum", file_name)
    return load_columns("continuum", file_name)

# Family modules, in pack-table order of their families.
FAMILY_MODULES = [
    "ribbon",
    "contour",
    "silhouette",
    "spline",
    "tour",
    "scan",
    "reach",
    "surface",
    "braid",
    "arm",
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
    builders = family_builders(__name__, FAMILY_MODULES)
    return Pack("pulsework_continuum", patterns_from_records(RECORDS, builders))

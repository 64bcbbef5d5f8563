"""The atlas pack: sixteen families of sixteen patterns, from shaped control
waves and envelopes through closed paths, knots and mechanisms to rhythm,
meter and gesture studies.

Records are data (data/atlas/records.tsv); each family module holds the
rules or authored data of its tables and exposes BUILDERS, name -> builder.
"""
from ...records import family_builders, load_records, patterns_from_records
from ...model import Pack

RECORDS = load_records("atlas", "records.tsv")

# Family modules, each owning the tables of the names it lists.
FAMILY_MODULES = [
    "wave_rules",
    "wave_authored",
    "env",
    "seq",
    "noise",
    "orbit",
    "weave",
    "polar_rose",
    "polar_scallop",
    "spiro",
    "space",
    "mech_rules",
    "mech_authored",
    "euclid",
    "poly",
    "meter",
    "swing",
    "stick",
    "gesture",
]


def build_pack():
    builders = family_builders(__name__, FAMILY_MODULES)
    y_only = [r.name for r in RECORDS if r.name.startswith("env_")]
    return Pack("pulsework_atlas", patterns_from_records(RECORDS, builders, y_only=y_only))

"""The atlas pack: sixteen families of sixteen patterns, from shaped control
waves and envelopes through closed paths, knots and mechanisms to rhythm,
meter and gesture studies.

Records are data (data/atlas/records.tsv); each family module holds the
rules or authored data of its tables and exposes BUILDERS, name -> builder.
"""
from ...records import load_records, patterns_from_records
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
    import importlib

    builders = {}
    for module_name in FAMILY_MODULES:
        module = importlib.import_module(__name__ + "." + module_name)
        overlap = set(builders) & set(module.BUILDERS)
        if overlap:
            raise ValueError("tables defined twice: " + ", ".join(sorted(overlap)))
        builders.update(module.BUILDERS)
    y_only = [r.name for r in RECORDS if r.name.startswith("env_")]
    return Pack("pulsework_atlas", patterns_from_records(RECORDS, builders, y_only=y_only))

"""Command line of the generator."""
import argparse
import time
from typing import List, Sequence

from .emit import BuiltPack, emit, row_bytes
from .finish import TableError, check_packs, finish_rows
from .packs import all_packs


def build(packs) -> List[BuiltPack]:
    check_packs(packs)
    built = [(pack, [(p, finish_rows(p)) for p in pack.patterns]) for pack in packs]
    owners = {}
    for _pack, tables in built:
        for pattern, rows in tables:
            key = row_bytes(rows)
            if key in owners:
                raise TableError("%s: the same table as %s" % (pattern.name, owners[key]))
            owners[key] = pattern.name
    return built


def main(argv: Sequence[str]) -> int:
    parser = argparse.ArgumentParser(prog="generate.py", description=__doc__)
    parser.add_argument("--out", required=True, help="directory for the generated files")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args(argv)
    started = time.perf_counter()
    built = build(all_packs())
    digests = emit(args.out, built)
    if not args.quiet:
        rows = sum(p.period for pack, tables in built for p, _ in tables)
        count = sum(len(tables) for _pack, tables in built)
        print("pack tables: %d patterns, %d rows in %.1f s"
              % (count, rows, time.perf_counter() - started))
        for namespace, digest in digests.items():
            print("  %s  %s" % (digest, namespace))
    return 0

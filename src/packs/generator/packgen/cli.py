"""Command line of the generator."""
import argparse
import os
import time
from typing import List, Sequence

from .emit import BuiltPack, emit, row_bytes, write_if_changed
from .export import FILE_NAME as GROOVES_FILE, grooves_json
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


DIGEST_HEADER = """\
# SHA-256 of each pack's rows: little-endian doubles, x y z a row, every table
# of the pack in pack-table order. Any change to pattern data changes these,
# and the tests compare them with the built module. Record a deliberate change:
#   python src/packs/generator/generate.py --out build/gen --record-digests src/packs/table_digests.txt
"""


def record_digests(path, built, digests) -> None:
    with open(path, "w", encoding="ascii", newline="\n") as stream:
        stream.write(DIGEST_HEADER)
        for pack, tables in built:
            stream.write("%s  %s  %d\n" % (digests[pack.namespace], pack.namespace, len(tables)))


def main(argv: Sequence[str]) -> int:
    parser = argparse.ArgumentParser(prog="generate.py", description=__doc__)
    parser.add_argument("--out", required=True, help="directory for the generated files")
    parser.add_argument("--quiet", action="store_true")
    parser.add_argument(
        "--record-digests",
        metavar="FILE",
        help="write the packs' digests to FILE (after a deliberate change of pattern data)",
    )
    args = parser.parse_args(argv)
    started = time.perf_counter()
    programmes = grooves_json()  # checks every drum programme before any table is built
    built = build(all_packs())
    digests = emit(args.out, built)
    write_if_changed(os.path.join(args.out, GROOVES_FILE), programmes)
    if args.record_digests:
        record_digests(args.record_digests, built, digests)
    if not args.quiet:
        rows = sum(p.period for pack, tables in built for p, _ in tables)
        count = sum(len(tables) for _pack, tables in built)
        print("pack tables: %d patterns, %d rows in %.1f s"
              % (count, rows, time.perf_counter() - started))
        for namespace, digest in digests.items():
            print("  %s  %s" % (digest, namespace))
    return 0

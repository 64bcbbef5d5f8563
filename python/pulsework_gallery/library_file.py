"""User patterns from a JSON or CSV file, built into a PatternLibrary.

JSON: a list of patterns, or an object whose "patterns" member is that list.
Each pattern is an object with "name", an optional "description" and
"samples", a list of [x, y, z] rows, one per pip of the period:

    {"patterns": [{"name": "my_sway", "description": "A slow sway",
                   "samples": [[0.0, 0.0, 0.0], [0.1, 0.0, 0.0], ...]}]}

CSV: a header row naming the columns name, x, y, z and optionally
description and pip, then one row per sample. Consecutive rows with the same
name form one pattern, in pip order; the description is read from its first
row (later rows may leave it empty). When there is a pip column it must count
0, 1, 2, ... within each pattern.

This module checks only the shape of the file. The patterns themselves are
judged by SampledPattern and PatternLibrary, whose messages are passed on
with the place in the file they concern.
"""
import csv
import json
import os
from typing import Any, List, NoReturn, Optional, Sequence, Tuple

CSV_REQUIRED = ("name", "x", "y", "z")
CSV_OPTIONAL = ("description", "pip")


class LibraryFileError(ValueError):
    """A library file that cannot be read or whose patterns are refused."""


class ParsedPattern:
    __slots__ = ("name", "description", "samples", "where")

    def __init__(self, name: str, description: str, samples: List[Any], where: str) -> None:
        self.name = name
        self.description = description
        self.samples = samples
        self.where = where


def read_patterns(path: str) -> List[ParsedPattern]:
    """ParsedPattern objects from a .json or .csv file, in file order."""
    extension = os.path.splitext(path)[1].lower()
    if extension not in (".json", ".csv"):
        raise LibraryFileError("%s: a library file must end in .json or .csv" % path)
    try:
        with open(path, encoding="utf-8-sig", newline="") as stream:
            text = stream.read()
    except OSError as error:
        reason = error.strerror or error
        raise LibraryFileError("%s: cannot read the file: %s" % (path, reason)) from None
    except UnicodeDecodeError as error:
        raise LibraryFileError("%s: not UTF-8 text (byte %d)" % (path, error.start)) from None
    if extension == ".json":
        return _from_json(path, text)
    return _from_csv(path, text)


def _fail(path: str, message: str, *args: object) -> NoReturn:
    raise LibraryFileError("%s: %s" % (path, message % args))


def _is_number(value: object) -> bool:
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def _all_rows_of_three_numbers(samples: List[Any]) -> bool:
    # The quick test for the usual case; a failure is then located row by row.
    if not all(type(row) is list and len(row) == 3 for row in samples):
        return False
    return {type(value) for row in samples for value in row} <= {int, float}


def _from_json(path: str, text: str) -> List[ParsedPattern]:
    try:
        document = json.loads(text)
    except ValueError as error:
        _fail(path, "not valid JSON: %s", error)
    if isinstance(document, dict):
        if "patterns" not in document:
            _fail(path, 'expected a list of patterns or an object with a "patterns" list')
        document = document["patterns"]
    if not isinstance(document, list):
        _fail(path, 'expected a list of patterns or an object with a "patterns" list')
    patterns: List[ParsedPattern] = []
    for index, item in enumerate(document):
        where = "pattern %d" % (index + 1)
        if not isinstance(item, dict):
            _fail(path, "%s: expected an object with name, description and samples", where)
        unknown = sorted(set(item) - {"name", "description", "samples"})
        if unknown:
            _fail(path, "%s: unknown member %s", where, ", ".join('"%s"' % key for key in unknown))
        name, description = item.get("name"), item.get("description", "")
        if not isinstance(name, str):
            _fail(path, '%s: "name" must be a string', where)
        where = "pattern %d %s" % (index + 1, json.dumps(name))
        if not isinstance(description, str):
            _fail(path, '%s: "description" must be a string', where)
        samples = item.get("samples")
        if not isinstance(samples, list):
            _fail(path, '%s: "samples" must be a list of [x, y, z] rows', where)
        if not _all_rows_of_three_numbers(samples):
            for pip, row in enumerate(samples):
                if not (isinstance(row, list) and len(row) == 3 and all(map(_is_number, row))):
                    _fail(path, "%s: sample %d must be three numbers [x, y, z], found %s",
                          where, pip, json.dumps(row)[:60])
        patterns.append(ParsedPattern(name, description, samples, where))
    return patterns


def _number(path: str, line: int, column: str, text: str) -> float:
    try:
        return float(text)
    except ValueError:
        _fail(path, "line %d: %s is not a number: %r", line, column, text)


def _from_csv(path: str, text: str) -> List[ParsedPattern]:
    reader = csv.reader(text.splitlines())
    header: Sequence[str] = ()
    for header in reader:
        if any(cell.strip() for cell in header):
            break
    else:
        _fail(path, "empty file: expected a header row naming %s", ", ".join(CSV_REQUIRED))
    columns = [cell.strip().lower() for cell in header]
    unknown = [c for c in columns if c not in CSV_REQUIRED + CSV_OPTIONAL]
    missing = [c for c in CSV_REQUIRED if c not in columns]
    repeated = sorted(set(c for c in columns if columns.count(c) > 1))
    if unknown or missing or repeated:
        problems = []
        if missing:
            problems.append("missing column %s" % ", ".join(missing))
        if unknown:
            problems.append("unknown column %s" % ", ".join(repr(c) for c in unknown))
        if repeated:
            problems.append("repeated column %s" % ", ".join(repeated))
        _fail(path, "header line %d: %s (expected name, x, y, z and optionally description, pip)",
              reader.line_num, "; ".join(problems))
    at = {column: index for index, column in enumerate(columns)}
    patterns: List[ParsedPattern] = []
    current: Optional[ParsedPattern] = None
    for cells in reader:
        line = reader.line_num
        if not any(cell.strip() for cell in cells):
            continue
        if len(cells) != len(columns):
            _fail(path, "line %d: %d fields where the header has %d",
                  line, len(cells), len(columns))
        name = cells[at["name"]].strip()
        description = cells[at["description"]] if "description" in at else ""
        if current is None or name != current.name:
            where = "line %d, pattern %s" % (line, json.dumps(name))
            current = ParsedPattern(name, description, [], where)
            patterns.append(current)
        elif description and description != current.description:
            _fail(path, "line %d: the description of %s differs from its first row's", line, name)
        if "pip" in at:
            pip = cells[at["pip"]].strip()
            if pip != str(len(current.samples)):
                _fail(path, "line %d: pip %s where pattern %s expects pip %d",
                      line, pip or "(empty)", name, len(current.samples))
        current.samples.append(tuple(_number(path, line, column, cells[at[column]].strip())
                                     for column in ("x", "y", "z")))
    return patterns


def build_library(module: Any, path: str) -> Tuple[Any, List[Tuple[Any, Any]], List[str]]:
    """(library, own, copies) from a library file: own lists (catalogue record,
    SampledPattern) for each of the library's own patterns, in its catalogue
    order; copies names the patterns of the file that are exact copies of
    default patterns, which the library accepts and leaves to the defaults.
    """
    parsed_patterns = read_patterns(path)
    if not hasattr(module, "SampledPattern") or not hasattr(module, "PatternLibrary"):
        raise LibraryFileError("%s: this build of pulsework has no user patterns "
                               "(SampledPattern, PatternLibrary)" % path)
    built = []
    for parsed in parsed_patterns:
        try:
            built.append(module.SampledPattern(parsed.name, parsed.description, parsed.samples))
        except (ValueError, TypeError) as error:
            _fail(path, "%s: %s", parsed.where, error)
    try:
        library = module.PatternLibrary(built)
    except (ValueError, TypeError) as error:
        _fail(path, "%s", error)
    defaults = len(module.catalogue())
    by_name = {pattern.name: pattern for pattern in built}
    own = [(record, by_name[record["name"]]) for record in library.catalogue()[defaults:]]
    kept = set(record["name"] for record, _pattern in own)
    return library, own, [pattern.name for pattern in built if pattern.name not in kept]

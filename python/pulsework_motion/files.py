"""Pattern files: your own patterns as CSV or JSON, the forms the gallery
downloads and `--library` reads.

JSON: a list of patterns, or an object whose "patterns" member is that list.
Each pattern is an object with "name", an optional "description" and
"samples", a list of [x, y, z] rows, one per pip of the period:

    {"patterns": [{"name": "my_sway", "description": "A slow sway",
                   "samples": [[0.0, 0.0, 0.0], [0.1, 0.0, 0.0], ...]}]}

CSV: a header row naming the columns name, x, y, z and optionally
description and pip, then one row per sample. Consecutive rows with the same
name form one pattern, in pip order; the description is read from its first
row (later rows may leave it empty; quoted line breaks are kept). When there
is a pip column it must count 0, 1, 2, ... within each pattern.

A file is read whole or not at all: every fault raises PatternFileError with
the file, the line (or the JSON path) and the rule, and nothing is loaded.
The patterns themselves are judged by SampledPattern and PatternLibrary,
whose messages are passed on with the place in the file they concern.
"""
from __future__ import annotations

import csv
import io
import json
import os
import tempfile
from typing import Any, Iterable, List, NoReturn, Optional, Sequence, Tuple, Union

CSV_REQUIRED = ("name", "x", "y", "z")
CSV_OPTIONAL = ("description", "pip")
# A library holds at most 1,048,576 rows; a file many times larger than such
# a library in either form is refused before it is read.
MAX_FILE_BYTES = 256 * 1024 * 1024

PathLike = Union[str, "os.PathLike[str]"]


class PatternFileError(ValueError):
    """A pattern file that cannot be read, or whose patterns are refused."""


class ParsedPattern:
    """One pattern as the file gives it, before it is checked: its place in
    the file for messages (`where`)."""

    __slots__ = ("name", "description", "samples", "where")

    def __init__(self, name: str, description: str, samples: List[Any], where: str) -> None:
        self.name = name
        self.description = description
        self.samples = samples
        self.where = where


def _fail(path: str, message: str, *args: object) -> NoReturn:
    raise PatternFileError("%s: %s" % (path, message % args))


def _kind(path: str) -> str:
    extension = os.path.splitext(path)[1].lower()
    if extension not in (".json", ".csv"):
        _fail(path, "a pattern file must end in .json or .csv")
    return extension[1:]


def parse_patterns(path: PathLike) -> List[ParsedPattern]:
    """The patterns of a .json or .csv file as given, in file order, their
    shape checked (not yet their values)."""
    path = os.fspath(path)
    kind = _kind(path)
    try:
        with open(path, "rb") as stream:
            data = stream.read(MAX_FILE_BYTES + 1)
    except OSError as error:
        _fail(path, "cannot read the file: %s", error.strerror or error)
    if len(data) > MAX_FILE_BYTES:
        _fail(path, "larger than %d MiB: not a pattern file", MAX_FILE_BYTES // (1024 * 1024))
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        _fail(path, "not UTF-8 text (byte %d)", error.start)
    return _from_json(path, text) if kind == "json" else _from_csv(path, text)


def read_patterns(path: PathLike, module: Any = None) -> List[Any]:
    """The SampledPattern objects of a .json or .csv file, in file order."""
    if module is None:
        import pulsework as module
    path = os.fspath(path)
    built = []
    for parsed in parse_patterns(path):
        try:
            built.append(module.SampledPattern(parsed.name, parsed.description, parsed.samples))
        except (ValueError, TypeError) as error:
            _fail(path, "%s: %s", parsed.where, error)
    return built


def load_patterns(path: PathLike, module: Any = None) -> Any:
    """A PatternLibrary of the patterns of a .json or .csv file, over the
    defaults; PatternFileError names the file, the place and the rule.

    An exact copy of a default pattern is accepted and left to the default.
    """
    if module is None:
        import pulsework as module
    patterns = read_patterns(path, module)
    try:
        return module.PatternLibrary(patterns)
    except (ValueError, TypeError) as error:
        _fail(os.fspath(path), "%s", error)


def own_patterns(library: Any, module: Any = None) -> List[Any]:
    """The catalogue records of a library's own patterns (those after the defaults)."""
    if module is None:
        import pulsework as module
    return list(library.catalogue()[len(module.catalogue()):])


# Reading.

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
    except RecursionError:
        # The decoder recurses once a level; the interpreter's limit bounds it.
        _fail(path, "not a pattern file: JSON nested too deeply")
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
            _fail(path, "%s: unknown member %s", where,
                  ", ".join(json.dumps(key)[:40] for key in unknown))
        name, description = item.get("name"), item.get("description", "")
        if not isinstance(name, str):
            _fail(path, '%s: "name" must be a string', where)
        where = "pattern %d %s" % (index + 1, json.dumps(name)[:80])
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
        _fail(path, "line %d: %s is not a number: %r", line, column, text[:40])


def _csv_rows(path: str, reader: Any) -> Iterable[List[str]]:
    while True:
        try:
            cells = next(reader)
        except StopIteration:
            return
        except csv.Error as error:
            # A field past the csv module's limit (131,072 characters unless
            # the program raised it) ends up here too.
            _fail(path, "line %d: not valid CSV: %s", reader.line_num, error)
        yield cells


def _from_csv(path: str, text: str) -> List[ParsedPattern]:
    # newline="" reading and a stream (never splitlines) keep quoted line breaks.
    reader = csv.reader(io.StringIO(text, newline=""))
    return _read_csv(path, reader)


def _read_csv(path: str, reader: Any) -> List[ParsedPattern]:
    rows = iter(_csv_rows(path, reader))
    header: Sequence[str] = ()
    for header in rows:
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
            problems.append("unknown column %s" % ", ".join(repr(c[:40]) for c in unknown[:5]))
        if repeated:
            problems.append("repeated column %s" % ", ".join(repeated))
        _fail(path, "header line %d: %s (expected name, x, y, z and optionally description, pip)",
              reader.line_num, "; ".join(problems))
    at = {column: index for index, column in enumerate(columns)}
    patterns: List[ParsedPattern] = []
    current: Optional[ParsedPattern] = None
    for cells in rows:
        line = reader.line_num
        if not any(cell.strip() for cell in cells):
            continue
        if len(cells) != len(columns):
            _fail(path, "line %d: %d fields where the header has %d",
                  line, len(cells), len(columns))
        name = cells[at["name"]].strip()
        description = cells[at["description"]] if "description" in at else ""
        if current is None or name != current.name:
            where = "line %d, pattern %s" % (line, json.dumps(name)[:80])
            current = ParsedPattern(name, description, [], where)
            patterns.append(current)
        elif description and description != current.description:
            _fail(path, "line %d: the description of %s differs from its first row's",
                  line, json.dumps(name)[:80])
        if "pip" in at:
            pip = cells[at["pip"]].strip()
            if pip != str(len(current.samples)):
                _fail(path, "line %d: pip %s where pattern %s expects pip %d",
                      line, pip[:20] or "(empty)", json.dumps(name)[:80], len(current.samples))
        current.samples.append(tuple(_number(path, line, column, cells[at[column]].strip())
                                     for column in ("x", "y", "z")))
    return patterns


# Writing.

Rows = List[Tuple[float, float, float]]


def _pattern_rows(patterns: Any, module: Any) -> List[Tuple[str, str, Rows]]:
    """(name, description, rows) of SampledPattern objects, or of a
    PatternLibrary's own patterns."""
    if hasattr(patterns, "catalogue") and hasattr(patterns, "sample"):
        library = patterns
        return [(record["name"], record["description"],
                 [library.sample(record["name"], pip).as_tuple()
                  for pip in range(record["period_pips"])])
                for record in own_patterns(library, module)]
    out = []
    for pattern in patterns:
        if not isinstance(pattern, module.SampledPattern):
            raise TypeError("save_patterns takes SampledPattern objects or a PatternLibrary, "
                            "found %s" % type(pattern).__name__)
        out.append((pattern.name, pattern.description,
                    [pattern.sample(pip).as_tuple() for pip in range(pattern.period_pips)]))
    return out


def _json_text(patterns: List[Tuple[str, str, Rows]]) -> str:
    parts = []
    for name, description, rows in patterns:
        samples = ",\n    ".join("[%r, %r, %r]" % row for row in rows)
        parts.append('{"name": %s, "description": %s, "samples": [\n    %s\n  ]}'
                     % (json.dumps(name), json.dumps(description), samples))
    return '{"patterns": [\n  %s\n]}\n' % ",\n  ".join(parts)


def _csv_text(patterns: List[Tuple[str, str, Rows]]) -> str:
    stream = io.StringIO(newline="")
    writer = csv.writer(stream, lineterminator="\r\n")
    writer.writerow(("name", "description", "pip", "x", "y", "z"))
    for name, description, rows in patterns:
        for pip, (x, y, z) in enumerate(rows):
            writer.writerow((name, description if pip == 0 else "", pip, repr(x), repr(y),
                             repr(z)))
    return stream.getvalue()


def save_patterns(path: PathLike, patterns: Any, module: Any = None) -> None:
    """Write SampledPattern objects (or a PatternLibrary's own patterns) to a
    .json or .csv file that load_patterns reads back exactly.

    The file is written whole or not at all: into a temporary file beside
    it, then moved over the old one.
    """
    if module is None:
        import pulsework as module
    path = os.fspath(path)
    kind = _kind(path)
    rows = _pattern_rows(patterns, module)
    write_whole(path, _json_text(rows) if kind == "json" else _csv_text(rows))


def write_whole(path: PathLike, text: str) -> None:
    """Write a UTF-8 text file whole or not at all: into a temporary file
    beside it, then moved over the old one, which a failure leaves as it was."""
    path = os.path.abspath(os.fspath(path))
    folder = os.path.dirname(path)
    try:
        handle, temporary = tempfile.mkstemp(prefix=".pulsework-", suffix=".tmp", dir=folder)
    except OSError as error:
        # (the error would name the temporary file, which the caller never asked for)
        raise OSError(error.errno, error.strerror, path) from None
    try:
        with os.fdopen(handle, "w", encoding="utf-8", newline="") as stream:
            stream.write(text)
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise

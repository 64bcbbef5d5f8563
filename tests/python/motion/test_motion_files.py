"""Pattern files: their shape, the library's own judgement of the patterns,
hostile files refused whole, and round trips."""
import json

import pytest

from pulsework_motion import PatternFileError, load_patterns, save_patterns
from pulsework_motion.files import parse_patterns


def write(tmp_path, name, text, encoding="utf-8"):
    path = tmp_path / name
    path.write_bytes(text.encode(encoding) if isinstance(text, str) else text)
    return str(path)


def ramp(n, components=2):
    return [[round(i / n, 6), round(-i / n, 6) if components > 1 else 0.0,
             round(i / (2 * n), 6) if components > 2 else 0.0] for i in range(n)]


@pytest.mark.parametrize("document", [
    lambda p: p,
    lambda p: {"patterns": p},
])
def test_json_forms(tmp_path, document):
    patterns = [{"name": "wobble", "description": "Wobbles", "samples": ramp(4)},
                {"name": "still", "samples": [[0, 0, 0]]}]
    parsed = parse_patterns(write(tmp_path, "lib.json", json.dumps(document(patterns))))
    assert [(p.name, p.description, len(p.samples)) for p in parsed] == [
        ("wobble", "Wobbles", 4), ("still", "", 1)]
    assert parsed[0].samples[1] == [0.25, -0.25, 0.0]


def test_csv_groups_consecutive_rows(tmp_path):
    text = ("name,description,pip,x,y,z\n"
            "wobble,Wobbles,0,0,0,0\n"
            "wobble,,1,0.5,-0.5,0\n"
            "\n"
            "wobble,Wobbles,2,1,-1,0.25\n"
            "still,\"Quiet, still\",0,0,0,0\n")
    parsed = parse_patterns(write(tmp_path, "lib.csv", text))
    assert [(p.name, p.description) for p in parsed] == [
        ("wobble", "Wobbles"), ("still", "Quiet, still")]
    assert parsed[0].samples == [(0.0, 0.0, 0.0), (0.5, -0.5, 0.0), (1.0, -1.0, 0.25)]


def test_csv_without_optional_columns_and_with_a_bom(tmp_path):
    parsed = parse_patterns(write(tmp_path, "lib.csv", "\ufeffX,Y,Z,Name\n0.1,0,0,a\n0.2,0,0,a\n"))
    assert [(p.name, p.description, p.samples) for p in parsed] == [
        ("a", "", [(0.1, 0.0, 0.0), (0.2, 0.0, 0.0)])]


@pytest.mark.parametrize("name, text, message", [
    ("lib.json", '{"patterns": [', "lib.json: not valid JSON: Expecting value: line 1 column 15"),
    ("lib.json", '"text"', 'expected a list of patterns or an object with a "patterns" list'),
    ("lib.json", '{"pattern": []}',
     'expected a list of patterns or an object with a "patterns" list'),
    ("lib.json", '[3]', "pattern 1: expected an object with name, description and samples"),
    ("lib.json", '[{"samples": []}]', 'pattern 1: "name" must be a string'),
    ("lib.json", '[{"name": "a", "sample": []}]', 'pattern 1: unknown member "sample"'),
    ("lib.json", '[{"name": "a", "description": 5, "samples": []}]',
     'pattern 1 "a": "description" must be a string'),
    ("lib.json", '[{"name": "a", "samples": {"0": [0, 0, 0]}}]',
     'pattern 1 "a": "samples" must be a list'),
    ("lib.json", '[{"name": "a", "samples": [[0, 0, 0], [0, 0]]}]',
     'pattern 1 "a": sample 1 must be three numbers [x, y, z], found [0, 0]'),
    ("lib.json", '[{"name": "a", "samples": [[0, true, 0]]}]', "sample 0 must be three numbers"),
    ("lib.json", '[{"name": "a", "samples": [[0, "0.5", 0]]}]', "sample 0 must be three numbers"),
    ("lib.csv", "", "empty file: expected a header row naming name, x, y, z"),
    ("lib.csv", "name,x,y\na,0,0\n", "header line 1: missing column z"),
    ("lib.csv", "name,x,y,z,speed\n", "header line 1: unknown column 'speed'"),
    ("lib.csv", "name,x,y,z,x\n", "header line 1: repeated column x"),
    ("lib.csv", "name,x,y,z\na,0,zero,0\n", "line 2: y is not a number: 'zero'"),
    ("lib.csv", "name,x,y,z\na,0,0\n", "line 2: 3 fields where the header has 4"),
    ("lib.csv", "name,pip,x,y,z\na,0,0,0,0\na,2,0,0,0\n",
     "line 3: pip 2 where pattern \"a\" expects pip 1"),
    ("lib.csv", "name,pip,x,y,z\na,1,0,0,0\n", "line 2: pip 1 where pattern \"a\" expects pip 0"),
    ("lib.csv", "name,description,x,y,z\na,One,0,0,0\na,Two,0,0,0\n",
     "line 3: the description of \"a\" differs from its first row's"),
    ("lib.txt", "anything", "a pattern file must end in .json or .csv"),
    ("lib.csv", b"name,x,y,z\n\xff,0,0,0\n", "not UTF-8 text (byte 11)"),
    # Hostile files: nesting and fields past any pattern's need end in a line, not a traceback.
    ("lib.json", "[" * 100000, "not a pattern file: JSON nested too deeply"),
    # (past the decoder's depth on some versions, a list where a pattern should be on others)
    ("lib.json", '{"patterns": ' + "[" * 3000 + "]" * 3000 + "}", "lib.json: "),
    ("lib.csv", 'name,description,x,y,z\na,"' + "d" * 140000 + '",0,0,0\n',
     "line 2: not valid CSV: field larger than field limit"),
    ("lib.json", '[{"name": "a", "samples": [[0, 0, 1e999999]]}]', ""),
])
def test_malformed_files(tmp_path, module, name, text, message):
    path = write(tmp_path, name, text)
    with pytest.raises(PatternFileError) as caught:
        load_patterns(path)
    assert str(caught.value).startswith(path + ": ")
    assert message in str(caught.value)
    assert "\n" not in str(caught.value)


def test_missing_file(tmp_path):
    path = str(tmp_path / "nowhere.json")
    with pytest.raises(PatternFileError, match="nowhere.json: cannot read the file"):
        parse_patterns(path)


# The library's own checks, passed on with the place in the file.
@pytest.mark.parametrize("patterns, message", [
    ([{"name": "Loud", "samples": [[0, 0, 0]]}], 'pattern 1 "Loud": Invalid pattern name'),
    ([{"name": "empty", "samples": []}],
     'pattern 1 "empty": A pattern requires 1..65535 samples (one per pip)'),
    ([{"name": "ok", "samples": [[0, 0, 0]]}, {"name": "far", "samples": [[0, 1.5, 0]]}],
     'pattern 2 "far": Pattern samples must be finite and within [-1, 1]'),
    ([{"name": "twin", "samples": [[0, 0, 0]]}, {"name": "twin", "samples": [[0.1, 0, 0]]}],
     "Duplicate pattern name: twin"),
    ([{"name": "bounce", "description": "Mine", "samples": [[0, 0, 0]]}],
     "Cannot override default pattern: bounce"),
    ([{"name": "p%d" % i, "samples": [[0, 0, 0]]} for i in range(1025)], "Too many patterns"),
])
def test_the_library_judges_the_patterns(tmp_path, module, patterns, message):
    path = write(tmp_path, "lib.json", json.dumps(patterns))
    with pytest.raises(PatternFileError) as caught:
        load_patterns(path)
    assert str(caught.value) == "%s: %s" % (path, message)


def test_csv_nan_reaches_the_library(tmp_path, module):
    path = write(tmp_path, "lib.csv", "name,x,y,z\na,0,0,0\na,nan,0,0\n")
    with pytest.raises(PatternFileError) as caught:
        load_patterns(path)
    assert str(caught.value) == (
        '%s: line 2, pattern "a": Pattern samples must be finite and within [-1, 1]' % path)


@pytest.mark.parametrize("form", ["json", "csv"])
def test_round_trip_keeps_every_value_and_description(tmp_path, module, form):
    # A quoted line break, a comma and a quote in a description, and values
    # that need every digit.
    patterns = [module.SampledPattern("wobble", 'Wobbles, "a"\nthen\r\nrests',
                                             [[1 / 3, -2 / 7, 0.1], [0.0, 1.0, -1.0]]),
                module.SampledPattern("still", "", [[0, 0, 0]])]
    path = str(tmp_path / ("mine." + form))
    save_patterns(path, patterns)
    library = load_patterns(path)
    own = library.catalogue()[len(module.catalogue()):]
    assert [(r["name"], r["description"]) for r in own] == [
        (p.name, p.description) for p in patterns]
    for pattern in patterns:
        assert [library.sample(pattern.name, pip).as_tuple() for pip in range(2)] == [
            pattern.sample(pip).as_tuple() for pip in range(2)]
    # A library saves its own patterns, again the same bytes.
    again = str(tmp_path / ("again." + form))
    save_patterns(again, library)
    assert open(again, "rb").read() == open(path, "rb").read()

"""The gallery's library: a pattern file or a PatternLibrary, its own
patterns after the defaults, and nothing written when it is refused."""
import json
import math

import pytest

from pulsework_gallery import LibraryFileError, write_gallery
from pulsework_gallery.gallery import library_patterns
from pulsework_gallery.page import output_file


def write(tmp_path, name, text):
    path = tmp_path / name
    path.write_text(text, encoding="utf-8")
    return str(path)


def ramp(n):
    return [[round(i / n, 6), 0.0, 0.0] for i in range(n)]


def test_a_build_without_user_patterns_says_so(tmp_path, stub_module):
    path = write(tmp_path, "lib.json", "[]")
    with pytest.raises(LibraryFileError, match="this build of pulsework has no user patterns"):
        library_patterns(stub_module([]), path)


@pytest.mark.parametrize("given", ["path", "library"])
def test_own_patterns_follow_the_library_catalogue(tmp_path, user_patterns, given):
    bounce = user_patterns.catalogue()[0]
    copy = {"name": "bounce", "description": bounce["description"],
            "samples": [list(user_patterns.bounce(pip).as_tuple()) for pip in range(64)]}
    patterns = [{"name": "zeta", "description": "Last letter", "samples": ramp(96)},
                copy,
                {"name": "alpha", "samples": ramp(10)}]
    path = write(tmp_path, "lib.json", json.dumps(patterns))
    if given == "library":
        from pulsework_motion import load_patterns

        path = load_patterns(path)
    own, copies = library_patterns(user_patterns, path)
    assert copies == (["bounce"] if given == "path" else [])
    assert [(r["name"], r["period_pips"], r["dimensions"]) for r, _sample in own] == [
        ("zeta", 96, 1), ("alpha", 10, 1)]
    assert own[0][1](48).as_tuple() == (0.5, 0.0, 0.0)
    written = write_gallery(str(tmp_path / ("out-" + given)), library=path)
    assert written.library_patterns == 2
    # A library given as such is saved beside the page, for the page's code to load.
    saved = tmp_path / ("out-" + given) / "library.json"
    assert saved.exists() == (given == "library")
    if given == "library":
        from pulsework_motion import load_patterns

        again = load_patterns(str(saved))
        assert again.catalogue()[-2:] == path.catalogue()[-2:]


def test_a_refused_library_leaves_the_old_gallery(tmp_path, user_patterns):
    out = str(tmp_path / "gallery")
    write_gallery(out)
    page = output_file(out)
    before = open(page, "rb").read()
    bad = write(tmp_path, "lib.json", json.dumps([{"name": "x", "samples": [[math.inf, 0, 0]]}]))
    with pytest.raises(LibraryFileError):
        write_gallery(out, library=bad)
    assert open(page, "rb").read() == before
    assert sorted(p.name for p in (tmp_path / "gallery").iterdir()) == ["index.html"]

"""The command line: python -m pulsework_gallery and the pulsework-gallery script."""
import shutil
import subprocess
import sys

import pytest

from children import environment


def run(args, cwd, command=None):
    command = command or [sys.executable, "-m", "pulsework_gallery"]
    return subprocess.run(command + args, cwd=str(cwd), env=environment(), capture_output=True, text=True,
                          timeout=120)


def test_default_output_and_how_to_open_it(tmp_path):
    result = run([], tmp_path)
    assert result.returncode == 0, result.stderr
    page = tmp_path / "pulsework-gallery" / "index.html"
    assert page.is_file()
    lines = result.stdout.splitlines()
    assert lines[0].startswith("Wrote the pulsework gallery: ")
    assert lines[1].strip() == str(page)
    assert lines[2] == "Open it in a web browser: " + page.as_uri()


def test_out_names_a_file(tmp_path):
    result = run(["--out", "site/motion.html", "--tempo", "92.5"], tmp_path)
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "site" / "motion.html").is_file()
    assert '"tempo":92.5' in (tmp_path / "site" / "motion.html").read_text(encoding="utf-8")


@pytest.mark.parametrize("args, message", [
    (["--tempo", "301"], "argument --tempo: must be between 20 and 300 BPM"),
    (["--tempo", "fast"], "argument --tempo: not a number: 'fast'"),
    (["--colour", "red"], "unrecognized arguments: --colour red"),
])
def test_bad_arguments(tmp_path, args, message):
    result = run(args, tmp_path)
    assert result.returncode == 2
    assert message in result.stderr
    assert not (tmp_path / "pulsework-gallery").exists()


def test_unreadable_library_fails_cleanly(tmp_path):
    result = run(["--library", "missing.csv"], tmp_path)
    assert result.returncode == 1
    assert result.stderr.startswith("pulsework-gallery: error: missing.csv: cannot read the file")
    assert result.stdout == ""
    assert not (tmp_path / "pulsework-gallery").exists()


def test_console_script(tmp_path):
    script = shutil.which("pulsework-gallery")
    if script is None:
        pytest.skip("the pulsework-gallery script is not installed (source tree run)")
    result = run(["--out", "g"], tmp_path, command=[script])
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "g" / "index.html").is_file()


def test_library_patterns_and_copies_of_defaults_are_reported(tmp_path, user_patterns):
    bounce = ["bounce", user_patterns.catalogue()[0]["description"]]
    rows = ["%s,%s,%r,0,0" % (bounce[0], bounce[1] if pip == 0 else "", user_patterns.bounce(pip).x)
            for pip in range(64)]
    rows += ["mine,My own,0.5,0.25,0", "mine,,0.25,0.5,0"]
    (tmp_path / "lib.csv").write_text("name,description,x,y,z\n" + "\n".join(rows) + "\n")
    result = run(["--library", "lib.csv"], tmp_path)
    assert result.returncode == 0, result.stderr
    lines = result.stdout.splitlines()
    assert ", 1 from lib.csv, " in lines[0]
    assert lines[1] == ("  bounce in lib.csv is an exact copy of the default pattern, "
                        "shown as a default")


def test_midi_files_beside_the_page(tmp_path):
    pytest.importorskip("mido")
    result = run(["--out", "site", "--midi", "--tempo", "124"], tmp_path)
    assert result.returncode == 0, result.stderr
    folder = tmp_path / "site" / "midi"
    assert sorted(p.suffix for p in folder.iterdir()) == [".mid"] * 68
    assert result.stdout.splitlines()[2] == "  68 MIDI files at 124 BPM in %s" % folder
    html = (tmp_path / "site" / "index.html").read_text(encoding="utf-8")
    assert '"beat_house_classic":"midi/beat_house_classic.mid"' in html

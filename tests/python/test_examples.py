"""What the README and examples/ offer a new user runs as it stands."""
import importlib.util
import os
import re
import subprocess
import sys

import pytest

from children import environment

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")


def run(args, cwd):
    return subprocess.run([sys.executable] + args, cwd=str(cwd), env=environment(),
                          capture_output=True, text=True, timeout=120)


@pytest.mark.parametrize("index", [0, 1])
def test_the_readme_python_blocks_run(tmp_path, index):
    """The tour and the pulsework_motion block, each as a program of its own."""
    blocks = re.findall(r"```python\n(.*?)```", open(os.path.join(ROOT, "README.md"),
                                                     encoding="utf-8").read(), re.S)
    # Probed, not imported: this process checks its own leaks at exit.
    if index == 1 and importlib.util.find_spec("numpy") is None:
        pytest.skip("needs numpy")
    result = run(["-c", blocks[index]], tmp_path)
    assert result.returncode == 0, result.stderr


def test_demo_refuses_an_unknown_name_with_a_hint(tmp_path):
    result = run([os.path.join(ROOT, "examples", "demo.py"), "bounce", "helx"], tmp_path)
    assert result.returncode == 1 and "Traceback" not in result.stderr
    assert "no pattern named 'helx' (did you mean helix?)" in result.stderr
    assert result.stdout == ""

"""Runs the README's "A short tour" against the pulsework this interpreter
imports, and checks that every print the tour annotates prints what its
comment says (`print(x)  # (1.0, 0.0, 0.0): why` must print that tuple).

    python .ci/readme_tour.py README.md
"""
import contextlib
import io
import re
import sys


def main(readme):
    text = open(readme, encoding="utf-8").read()
    tour = re.search(r"^## A short tour\n\n```python\n(.*?)^```", text, re.S | re.M)
    if not tour:
        sys.exit("%s has no Python block under 'A short tour'" % readme)
    source = tour.group(1)
    expected = [re.split(r": ", comment, maxsplit=1)[0].strip()
                for comment in re.findall(r"^[ \t]*print\(.*\)[ \t]+#[ \t]*(.+)$", source, re.M)]
    output = io.StringIO()
    with contextlib.redirect_stdout(output):
        exec(compile(source, readme + ": A short tour", "exec"), {"__name__": "__tour__"})
    printed = output.getvalue().splitlines()
    print(output.getvalue(), end="")
    # In order, each annotated value on a line of its own.
    lines = iter(printed)
    missing = [value for value in expected if value not in lines]
    if missing:
        sys.exit("the tour did not print %s" % ", ".join(missing))
    import pulsework
    print("the README's tour: %d printed values as annotated, with %s" % (len(expected), pulsework.__file__))


if __name__ == "__main__":
    main(sys.argv[1])

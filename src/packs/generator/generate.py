"""Build-time generator of the pattern pack tables.

Run by the build: ``python generate.py --out DIR`` writes the binary row
table, the assembler file that embeds it, the C++ pack table with its
samplers and name index, and the generated headers into DIR. The output is
a pure function of this directory: the same bytes on every run.
"""
import os
import sys

# Run isolated (-I) by the build: the package beside this script is found here.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from packgen.cli import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

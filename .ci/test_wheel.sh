#!/usr/bin/env bash
# A release wheel as a user without a compiler gets it: a fresh virtual
# environment, no C or C++ compiler anywhere on the PATH (CC and CXX are
# /bin/false too), `pip install "WHEEL[test]"`, then the README's tour and
# the tests against the installed wheel, never this tree's python/ folder.
#
#   .ci/test_wheel.sh DIST PYTHON VENV all|smoke
#
# `smoke` runs, instead of the whole suite, the tests of the module's surface,
# its stubs, the catalogue and both programs (which read the data the wheel
# ships); the environment is left in VENV for more tests.
set -euo pipefail

dist=$1 python=$2 venv=$3 scope=$4
root=$(cd "$(dirname "$0")/.." && pwd)
tag=$("$python" -c 'import sys; print("cp%d%d" % sys.version_info[:2])')
wheel=$(echo "$dist"/pulsework-*-"$tag"-"$tag"-manylinux_*_x86_64.whl)
if [ ! -f "$wheel" ]; then
  echo "no $tag wheel in $dist" >&2
  exit 1
fi

# Every program on the PATH but the compilers.
tools=$venv-tools
mkdir -p "$tools"
IFS=: read -ra path <<<"$PATH"
for dir in "${path[@]}"; do
  for program in "$dir"/*; do
    name=${program##*/}
    case $name in
      cc | c++ | cpp | c89* | c99* | gcc* | g++* | clang* | *-gcc* | *-g++* | *-cpp* | *-cc | *-c++ | cpp-*) continue ;;
    esac
    if [ -x "$program" ] && [ ! -e "$tools/$name" ]; then
      ln -s "$program" "$tools/$name"
    fi
  done
done
export PATH="$venv/bin:$tools" CC=/bin/false CXX=/bin/false
for compiler in cc c++ gcc g++ clang; do
  if command -v "$compiler" >/dev/null; then
    echo "a compiler is still on the PATH: $(command -v "$compiler")" >&2
    exit 1
  fi
done

"$python" -m venv "$venv"
python -m pip install -q --upgrade pip
python -m pip install -q "$wheel[test]"
cd "$venv"
# Every module the wheel installs is imported from the environment.
python - <<'EOF'
import importlib, importlib.metadata, sys
files = importlib.metadata.files("pulsework")
names = sorted({f.parts[0] for f in files if len(f.parts) == 2 and f.name == "__init__.py"} |
               {f.name.split(".")[0] for f in files if len(f.parts) == 1 and f.suffix == ".so"})
for name in names:
    module = importlib.import_module(name)
    assert module.__file__.startswith(sys.prefix), module.__file__
print("imported from the environment:", ", ".join(names))
EOF
python "$root/.ci/readme_tour.py" "$root/README.md" | tail -n1
tests=("$root/tests/python")
if [ "$scope" = smoke ]; then
  tests=("$root"/tests/python/{test_module.py,test_stubs.py,test_catalogue.py,gallery/test_gallery_cli.py,live/test_live_cli.py})
fi
python -m pytest -q -p no:cacheprovider "${tests[@]}"

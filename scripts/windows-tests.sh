#!/usr/bin/env bash
# Builds Grondel's Qt-free parts for 64-bit Windows (MinGW-w64, static) and runs their tests
# under Wine. Installs what it needs itself: the setup that running Grondel uses installs no
# Wine. Prints how long each step took. Debian 12, as root.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
((jobs > 2)) && jobs=2
step_start=$SECONDS
timings=()
step_done() {
    timings+=("$1: $((SECONDS - step_start)) s")
    step_start=$SECONDS
}

echo "== windows: packages"
scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 dpkg-dev googletest nasm
step_done packages

echo "== windows: libraries"
scripts/windows-deps.sh
step_done libraries

echo "== windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
step_done build

echo "== windows: tests under Wine"
export WINEPREFIX=$PWD/build/windows/wine
# The Wine server the tests share outlives them by a minute; end it with this run.
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
ctest --preset windows -j"$jobs"
step_done tests

# == windows: the converter (to come) ==
# Once grondel-convert.exe is part of the windows build, convert here, under Wine
# (cmake/wine-run.sh build/windows/wine build/windows/.../grondel-convert.exe ...), every
# picture of examples/ and a few of each format (BMP, PNG, JPEG, PGM), editor and --game models,
# one picture under a non-ASCII name; convert the same with the Linux build's grondel-convert;
# and `cmp` each pair of models: they must be byte for byte the same.
step_done converter

printf '%s\n' "windows: ${timings[*]}" | sed 's/ s /&| /g'

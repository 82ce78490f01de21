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

echo "== windows: grondel-convert.exe against the Linux build"
# The same pictures converted on both platforms must give the same bytes: the shipped samples,
# one picture of every kind read (BMP, PNG, JPEG, PGM/PPM), and one under a name in two other
# scripts, so wide names are read and written too.
cmake --preset ci >/dev/null
cmake --build --preset ci -j"$jobs" --target grondel-convert write_pictures
compare=build/windows/compare
rm -rf "$compare"
mkdir -p "$compare/pictures"
build/ci/tests/picture/write_pictures samples "$compare/pictures"
cp examples/*.bmp examples/*.png "$compare/pictures/" 2>/dev/null || true
cp examples/crater.bmp "$compare/pictures/Ödland-山.bmp"
linux=$PWD/build/ci/src/grondel-convert/grondel-convert
windows=$PWD/build/windows/src/grondel-convert/grondel-convert.exe
converted=0
for mode in editor game; do
    options=(--size 16)
    [[ $mode == game ]] && options=(--game --size 32 --scale 2,2,0.5 --texels-per-unit 160)
    for platform in linux windows; do
        mkdir -p "$compare/$mode-$platform"
        cp "$compare/pictures/"* "$compare/$mode-$platform/"
        (
            cd "$compare/$mode-$platform"
            if [[ $platform == linux ]]; then
                "$linux" "${options[@]}" -- *.*
            else
                "$OLDPWD/cmake/wine-run.sh" "$WINEPREFIX" "$windows" "${options[@]}" -- *.*
            fi
        ) || { echo "windows-tests: the $platform converter failed ($mode)" >&2; exit 1; }
    done
    for model in "$compare/$mode-linux/"*.3do; do
        name=${model##*/}
        cmp "$model" "$compare/$mode-windows/$name" ||
            { echo "windows-tests: $name differs between Linux and Windows ($mode)" >&2; exit 1; }
        converted=$((converted + 1))
    done
    [[ -f "$compare/$mode-windows/Ödland-山.3do" ]] ||
        { echo "windows-tests: the non-ASCII name was not converted ($mode)" >&2; exit 1; }
done
echo "windows: $converted models byte for byte the same on Linux and Windows"
step_done converter

printf '%s\n' "windows: ${timings[*]}" | sed 's/ s /&| /g'

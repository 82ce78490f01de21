#!/usr/bin/env bash
# Builds Grondel for 64-bit Windows (MinGW-w64, static), runs its tests under Wine, compares the
# converter's models with the Linux build's and makes the Windows zip. Installs what it needs
# itself: the setup that running Grondel uses installs no Wine. Prints how long each step took.
# Debian 12, as root.
#
# Usage: scripts/windows-tests.sh [--window]
#   --window  the window program too: Qt for Windows from scripts/windows-qt.sh (built once into
#             a cache, about 30 processor-minutes; seconds after that), grondel.exe, the window
#             tests under Wine and the program started there. Without it, whatever Qt an earlier
#             --window run linked in build/windows-qt, else the Qt-free parts alone.
set -euo pipefail
cd "$(dirname "$0")/.."
window=false
case ${1:-} in
--window) window=true ;;
"") ;;
*) echo "usage: scripts/windows-tests.sh [--window]" >&2; exit 2 ;;
esac
jobs=$(nproc)
((jobs > 2)) && jobs=2
step_start=$SECONDS
timings=()
step_done() {
    timings+=("$1: $((SECONDS - step_start)) s")
    step_start=$SECONDS
}

echo "== windows: packages"
scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 dpkg-dev googletest nasm unzip xvfb x11-utils openbox xdotool
step_done packages

echo "== windows: libraries"
scripts/windows-deps.sh
step_done libraries

if $window; then
    echo "== windows: Qt"
    scripts/windows-qt.sh
    step_done qt
fi

echo "== windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
# Where a program is: with Qt, whose setup puts every program at the top of the build folder on
# Windows (beside the DLLs a shared build would need), or in its own folder.
built() {
    local top=build/windows/$1.exe
    [[ -f $top ]] && echo "$top" || echo "build/windows/src/$1/$1.exe"
}
window_program=$(built grondel)
if $window && [[ ! -f $window_program ]]; then
    echo "windows-tests: Qt is built but the windows preset left out grondel.exe" >&2
    exit 1
fi
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
windows=$PWD/$(built grondel-convert)
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

if [[ -f $window_program ]]; then
    echo "== windows: grondel.exe"
    # One program, nothing beside it: it may load only what every Windows has.
    foreign=$(x86_64-w64-mingw32-objdump -p "$window_program" | sed -n 's/^\s*DLL Name: //p' |
        grep -viE '^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comdlg32|imm32|winmm|ws2_32|uxtheme|dwmapi|version|shlwapi|setupapi|shcore|netapi32|userenv|wtsapi32|authz|mpr|d3d9|d3d11|dxgi|dwrite|d2d1|msvcrt|api-ms-win-.*)\.dll$' || true)
    [[ -z $foreign ]] || { echo "windows-tests: grondel.exe needs $foreign" >&2; exit 1; }
    # Used as a user uses it, with Qt's windows platform and Wine's file dialogs on a virtual
    # screen: import the crater at 64 x 64, Save As, and the file must be what the Linux converter
    # writes (which is what the Linux window saves, as its own tests show).
    drive=build/windows/drive
    rm -rf "$drive"
    mkdir -p "$drive"
    display=:${GRONDEL_WINDOWS_DISPLAY:-92}
    Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    screen=$!
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >/dev/null 2>&1 &
    manager=$!
    cmake/wine-run.sh "$WINEPREFIX" "$window_program" >"$drive/messages" 2>&1 &
    program=$!
    trap 'kill $program $manager $screen 2>/dev/null; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
    shown() { local path=${1//\//\\}; echo "Z:$path"; } # a host path as Wine shows it
    window() { # title -> window id, once it shows
        for _ in $(seq 200); do
            id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
            [[ -n $id ]] && { echo "$id"; return; }
            kill -0 "$program" 2>/dev/null || break
            sleep 0.1
        done
        cat "$drive/messages"
        echo "windows-tests: grondel.exe showed no window \"$1\"" >&2
        exit 1
    }
    main=$(window Grondel)
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers ctrl+i
    sleep 1
    xdotool type --delay 20 "$(shown "$PWD/examples/crater.bmp")"
    xdotool key Return
    xdotool windowactivate --sync "$(window "Heightmap Size")"
    xdotool key ctrl+a
    xdotool type --delay 20 64x64
    xdotool key Tab space
    sleep 1
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers F12
    sleep 1
    xdotool key End shift+Home # over the name the dialog offers
    xdotool type --delay 20 "$(shown "$PWD/$drive/crater.3do")"
    xdotool key Return
    for _ in $(seq 100); do [[ -s $drive/crater.3do ]] && break; sleep 0.2; done
    "$linux" --size 64 --output "$drive/linux.3do" examples/crater.bmp >/dev/null
    cmp "$drive/crater.3do" "$drive/linux.3do" ||
        { echo "windows-tests: grondel.exe saved other bytes than the Linux build" >&2; exit 1; }
    WINEPREFIX=$WINEPREFIX /usr/lib/wine/wine64 taskkill /f /im grondel.exe >/dev/null 2>&1 || true
    wait "$program" || true
    kill "$manager" "$screen" 2>/dev/null || true
    trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
    echo "windows: grondel.exe $(du -h "$window_program" | cut -f1), no DLLs of its own;" \
        "imported and saved under Wine what Linux writes"
    step_done window
fi

echo "== windows: zip"
rm -f build/windows/grondel-*.zip
(cd build/windows && cpack -G ZIP >/dev/null)
zip=$(ls build/windows/grondel-*.zip)
listed=$(unzip -Z1 "$zip" | sed 's#^[^/]*/##')
expected=(grondel-convert.exe README.md LICENSE THIRD-PARTY.txt licences/zlib1g.txt)
[[ -f $window_program ]] && expected+=(grondel.exe licences/LGPL-3.txt licences/libqt6core6.txt)
for name in "${expected[@]}"; do
    grep -qx "$name" <<<"$listed" || { echo "windows-tests: $zip lacks $name" >&2; exit 1; }
done
echo "windows: $zip, $(du -h "$zip" | cut -f1), $(wc -l <<<"$listed") files"
step_done zip

printf '%s\n' "windows: ${timings[*]}" | sed 's/ s /&| /g'

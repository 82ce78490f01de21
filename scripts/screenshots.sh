#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Xvfb with a small window manager:
# the main window with a heightmap loaded, the guide, the About window, the export options, the
# terrain view (plain, shaded, with a colour picture) and the progress of a long import. Drawn
# with Liberation Sans alone, the font the windows are set up with on a fresh machine.
# Given grondel.exe (scripts/windows-tests.sh --window builds it), the Windows program under
# Wine with Qt's own windows platform: the main window, the export options and the terrain view,
# as *-windows.png.
# Usage: scripts/screenshots.sh [path/to/grondel or grondel.exe] [output folder]
# Needs (Debian 12): xvfb x11-utils openbox xdotool imagemagick, and wine64 for grondel.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/src/grondel/grondel}")
out=$(realpath -m "${2:-docs}")
mkdir -p "$out"
display=:${GRONDEL_SCREENSHOT_DISPLAY:-97}
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap 'cleanup; rm -rf "$fonts" "$large"' EXIT

image=$(realpath examples/crater.bmp)
# A picture large enough that reading it takes seconds: its import shows its progress.
large=$(mktemp -d)
convert -size 8192x8192 gradient: -depth 16 "$large/large.png"

# One font folder and nothing else, as on a fresh machine with fonts-liberation.
fonts=$(mktemp -d)
cat >"$fonts/fonts.conf" <<XML
<?xml version="1.0"?>
<fontconfig><dir>/usr/share/fonts/truetype/liberation</dir><cachedir>$fonts</cachedir></fontconfig>
XML
export FONTCONFIG_FILE=$fonts/fonts.conf

Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

if [[ $program == *.exe ]]; then
    # The Windows program draws through Wine's own windows; its file dialogs are Wine's and take
    # Windows paths.
    export WINEPREFIX=${WINEPREFIX:-$PWD/build/windows/wine-screenshots} WINEDEBUG=-all
    export WINEDLLOVERRIDES='mscoree,mshtml='
    [[ -f $WINEPREFIX/system.reg ]] || /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
    unset QT_QPA_PLATFORM
    /usr/lib/wine/wine64 "$program" >/dev/null 2>&1 &
    pids+=($!)
    trap 'cleanup; /usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$fonts" "$large"' EXIT
    suffix=-windows
    shown() { local path=${1//\//\\}; echo "Z:$path"; } # the host's root is Wine's drive Z:
else
    export QT_QPA_PLATFORM=xcb
    "$program" >/dev/null 2>&1 &
    pids+=($!)
    suffix=
    shown() { echo "$1"; }
fi

waitFor() { # window title -> window id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
        [[ -n "$id" ]] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "no window \"$1\"" >&2
    return 1
}
shot() { # window id, file
    sleep 0.5
    import -window "$1" -frame "$2"
}

main=$(waitFor "Grondel")
xdotool windowmove "$main" 40 40
xdotool windowactivate --sync "$main"

# File, Import Heightmap: type the path into the file dialog, then the size to sample.
importAt() {
    xdotool key --clearmodifiers ctrl+i
    sleep 1
    xdotool type --delay 20 "$(shown "$image")"
    xdotool key Return
    size=$(waitFor "Heightmap Size")
    xdotool windowactivate --sync "$size"
    xdotool key ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Tab space
}
importAt 32x32
sleep 0.5
shot "$main" "$out/main-window$suffix.png"

# Help, How To Use and Help, About..., opened from the menu bar with the mouse.
if [[ -z $suffix ]]; then # the Windows run leaves these out
    xdotool windowactivate --sync "$main"
    clickMenu() { # x of the menu title, y of the entry below it (both in client pixels)
        xdotool mousemove --window "$main" "$1" 10 click 1
        sleep 0.4
        xdotool mousemove --window "$main" "$1" "$2" click 1
    }
    clickMenu 100 38
    help=$(waitFor "How To Use")
    xdotool windowmove "$help" 200 40
    shot "$help" "$out/how-to-use.png"
    xdotool windowactivate --sync "$main"
    clickMenu 100 62
    about=$(waitFor "About")
    xdotool windowmove "$about" 200 40
    shot "$about" "$out/about.png"
    xdotool windowactivate --sync "$about"
    xdotool key Escape
fi

# Export Game Model with the 16-bit sample: the whole picture, grey heights, 129 points, at
# most 0.02 units of error, through the dialog's own keys.
xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers ctrl+i
sleep 1
xdotool type --delay 20 "$(shown "$(realpath examples/valley.png)")"
xdotool key Return
size=$(waitFor "Heightmap Size")
xdotool windowactivate --sync "$size"
xdotool key Return
xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers ctrl+e
options=$(waitFor "Export Game Model")
xdotool windowmove "$options" 20 20
xdotool windowsize "$options" 900 700
xdotool windowactivate --sync "$options"
xdotool key alt+w alt+g alt+e ctrl+a
xdotool type --delay 20 "129"
xdotool key alt+r
xdotool type --delay 20 "0.02"
xdotool key alt+b
sleep 3
shot "$options" "$out/export-options$suffix.png"
# OK takes these options (the terrain view shows them too); the save dialog that follows is
# cancelled.
xdotool key Return
sleep 1.5
xdotool key Escape

# The terrain view, opened by a double click on the preview, with the mesh borders shown.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 60 140 click --repeat 2 --delay 80 1
view=$(waitFor "Terrain View")
xdotool windowmove "$view" 20 20
xdotool windowactivate --sync "$view"
xdotool key alt+b
sleep 3
shot "$view" "$out/terrain-view$suffix.png"
if [[ -n $suffix ]]; then
    echo "Screenshots of $(basename "$program") in $out"
    exit 0
fi
# The crater with textures of its own: Export's options take Shaded (OK, the save dialog
# cancelled), and the open terrain view draws the new options; then a colour picture.
xdotool windowactivate --sync "$main"
importAt 64x64
texture() { # the key that chooses the texture in the export options, and a picture for it
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers ctrl+e
    options=$(waitFor "Export Game Model")
    xdotool windowactivate --sync "$options"
    xdotool key alt+t alt+c alt+e ctrl+a BackSpace alt+r ctrl+a BackSpace "$1"
    if [[ -n ${2:-} ]]; then
        sleep 1
        xdotool type --delay 20 "$2"
        xdotool key Return
    fi
    sleep 3
    xdotool key Return
    sleep 1.5
    xdotool key Escape
    xdotool windowactivate --sync "$view"
    xdotool key Home
    sleep 3
}
xdotool windowactivate --sync "$view"
xdotool key alt+b # the borders off: the texture alone
texture alt+h
shot "$view" "$out/terrain-view-shaded.png"
convert -size 256x256 radial-gradient:'#e0c060'-'#205030' -swirl 200 "$large/painted.png"
texture alt+o "$large/painted.png"
shot "$view" "$out/terrain-view-picture.png"

# A long import: the progress window comes after half a second; Cancel stops it.
xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers ctrl+i
sleep 1
xdotool type --delay 20 "$large/large.png"
xdotool key Return
progress=$(waitFor "Importing large.png")
xdotool windowmove "$progress" 200 300
sleep 0.3
import -window "$progress" -frame "$out/progress.png"
xdotool key Escape
echo "Screenshots in $out"

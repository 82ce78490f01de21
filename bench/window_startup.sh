#!/usr/bin/env bash
# How long the window program takes from its start to its first window on the screen, under
# Xvfb with the fonts a fresh machine has: the median of RUNS starts of each program given,
# alternating, so that a shared machine's noise falls on each alike.
# Usage: bench/window_startup.sh [RUNS] [program...]   (default: 9 runs of build/release's grondel)
# Needs (Debian 12): xvfb x11-utils xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-9}
shift || true
programs=("$@")
((${#programs[@]})) || programs=(build/release/src/grondel/grondel)
display=:${GRONDEL_BENCH_DISPLAY:-93}
fonts=$(mktemp -d)
cat >"$fonts/fonts.conf" <<XML
<?xml version="1.0"?>
<fontconfig><dir>/usr/share/fonts/truetype/liberation</dir><cachedir>$fonts</cachedir></fontconfig>
XML
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; rm -rf "$fonts"' EXIT
export DISPLAY=$display FONTCONFIG_FILE=$fonts/fonts.conf QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Milliseconds from starting program to its main window being mapped.
once() {
    local start end
    start=$(date +%s%N)
    "$1" >/dev/null 2>"$fonts/stderr" &
    local pid=$!
    until xdotool search --onlyvisible --name '^Grondel$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "$1 stopped before its window showed:" >&2; cat "$fonts/stderr" >&2; exit 1; }
    done
    end=$(date +%s%N)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo $(((end - start) / 1000000))
}
once "${programs[0]}" >/dev/null # the first start fills the font cache and the page cache
declare -A times
for _ in $(seq "$runs"); do
    for program in "${programs[@]}"; do
        times[$program]+="$(once "$program") "
    done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
first=
for program in "${programs[@]}"; do
    m=$(median <<<"${times[$program]}")
    [[ -n $first ]] || first=$m
    printf '%s: median %s ms (%s) ratio %s\n' "$program" "$m" "${times[$program]% }" \
        "$(awk -v a="$m" -v b="$first" 'BEGIN { printf "%.2f", a / b }')"
done

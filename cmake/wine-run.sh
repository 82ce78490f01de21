#!/usr/bin/env bash
# Runs a Windows program under Wine for CMake and CTest: wine-run.sh PREFIX PROGRAM ARGS...
# PREFIX is a scratch Wine folder in the build tree, made on first use; Wine's own chatter is off.
# Stop its server when done: WINEPREFIX=PREFIX /usr/lib/wine/wineserver -k
set -uo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' LC_ALL=C.UTF-8
shift
wine=${GRONDEL_WINE:-/usr/lib/wine/wine64}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    # Several tests may start at once: one of them makes the prefix, the others wait.
    flock "$WINEPREFIX/.lock" bash -c '[[ -f $WINEPREFIX/system.reg ]] ||
        "$0" wineboot --init >/dev/null 2>&1' "$wine"
fi
# One server (and its services) for a whole test run, kept a minute after the last program.
"${wine%/*}/wineserver" -p60 </dev/null >/dev/null 2>&1

# Wine's services, started with the first program, inherit its output and live on with the
# server: CTest would wait for them to close its pipe. So the program writes to files here.
output=$(mktemp) errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
"$wine" "$@" >"$output" 2>"$errors"
status=$?
for argument in "$@"; do
    # A listing of GoogleTest cases has Windows line ends, which CTest's parser does not expect.
    if [[ $argument == --gtest_list_tests ]]; then
        tr -d '\r' <"$output" >"$output.lf" && mv "$output.lf" "$output"
    fi
done
cat "$output"
cat "$errors" >&2
exit "$status"

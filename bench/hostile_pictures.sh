#!/usr/bin/env bash
# Writes the hostile pictures the tests use (tests/picture/hostile_pictures.cpp) and decodes
# each one on its own, reporting the decode's wall time, peak memory and verdict: proof that
# none of them costs much time or memory, measured, not asserted in a test.
#
#   bench/hostile_pictures.sh [build folder]     build/release by default
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
if [[ ! -x /usr/bin/time ]]; then
    scripts/setup.sh time
fi
if [[ ! -d $build ]]; then
    cmake --preset "$(basename "$build")" >/dev/null
fi
cmake --build "$build" -j2 --target decode_picture write_pictures >/dev/null

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$build/tests/picture/write_pictures" hostile "$folder"

# The baseline: the decoding program on an empty list, so its own start-up shows apart.
/usr/bin/time -f '%e %M' -o "$folder/.time" "$build/bench/decode_picture" >/dev/null || true
# GNU time puts a line about a failing exit status first; the figures are on the last line.
measured() { tail -n 1 "$folder/.time"; }
mebibytes() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
read -r seconds kilobytes < <(measured)
printf '%-32s %9s %8s %8s  %s\n' file bytes seconds 'peak MiB' verdict
printf '%-32s %9s %8s %8s  %s\n' '(no file: start-up)' - "$seconds" "$(mebibytes "$kilobytes")" -
for file in "$folder"/*; do
    verdict=$(/usr/bin/time -f '%e %M' -o "$folder/.time" "$build/bench/decode_picture" \
        "$file" 2>&1 || true)
    read -r seconds kilobytes < <(measured)
    printf '%-32s %9d %8s %8s  %s\n' "$(basename "$file")" "$(stat -c %s "$file")" \
        "$seconds" "$(mebibytes "$kilobytes")" "${verdict#"$file": }"
done

#!/usr/bin/env bash
# Where the simplifier's time goes: runs the bench driver under callgrind (instruction counts,
# steady on a shared machine where wall time is not) and lists the functions with their
# inclusive share, simplification phases first.
#
#   bench/simplify_profile.sh PICTURE.png [ERROR]      (ERROR default 0.002 of full scale)
#
# Needs valgrind. BENCH_SIMPLIFY picks the driver (default: built here, release preset).
set -euo pipefail
cd "$(dirname "$0")/.."
picture=$(realpath "${1:?usage: $0 PICTURE.png [ERROR]}")
error=${2:-0.002}
driver=${BENCH_SIMPLIFY:-}
if [[ -z $driver ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target bench_simplify -j2 >/dev/null
    driver=$PWD/build/release/bench/terrain/bench_simplify
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out" "$driver" "$picture" --error "$error" --meshes \
    2>&1 | grep -E 'refs|faces'
echo "inclusive instructions by phase:"
callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
    grep -E 'simplify\(|refine\(|Coarsener::pass|sortSpatially|TriangleScanner::TriangleScanner|partition\(|readGrey|spng_decode_image' |
    sed -E 's/ \[.*//; s/\?\?\?://' | cut -c1-110 | head -12
echo "self instructions, top functions:"
callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | sed -n 2,13p |
    sed -E 's/ \[.*//; s/\?\?\?://' | cut -c1-110

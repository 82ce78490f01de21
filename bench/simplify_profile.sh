#!/usr/bin/env bash
# Where the simplifier's time goes: runs the bench driver under callgrind (instruction counts,
# steady on a shared machine where wall time is not) and lists the functions with their
# inclusive share, simplification phases first.
#
#   bench/simplify_profile.sh PICTURE.png [ERROR]      (ERROR default 0.002 of full scale)
#
# Needs valgrind. BENCH_SIMPLIFY picks the driver (default: built here, release preset);
# CALLGRIND_OUT keeps callgrind's file there for a closer look with callgrind_annotate.
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
if [[ -n ${CALLGRIND_OUT:-} ]]; then
    out=$CALLGRIND_OUT
else
    out=$(mktemp)
    trap 'rm -f "$out"' EXIT
fi
valgrind --tool=callgrind --callgrind-out-file="$out" "$driver" "$picture" --error "$error" --meshes \
    2>&1 | grep -E 'refs|faces'
# Greedy insertion has no function of its own (it is inlined into refine): it is refine less
# the coarsening (Coarsener::pass) and the spatial sort before it. Recursive functions
# (the partition's split) are over-counted by callgrind's inclusive figures; partition() is not.
echo "inclusive instructions by phase:"
callgrind_annotate --inclusive=yes "$out" 2>/dev/null |
    grep -E 'simplify\(|refine\(|Coarsener::pass|sortSpatially|TriangleScanner::TriangleScanner|Refiner::rescan|DelaunayMesh::insert|Coarsener::fanFits|TriangleScanner::scan(Every)?\(|partition\(|readGrey|spng_decode_image' |
    sed -E 's/ \[.*//; s/\?\?\?://' | cut -c1-110 | head -16
echo "self instructions, top functions:"
callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | sed -n 2,13p |
    sed -E 's/ \[.*//; s/\?\?\?://' | cut -c1-110

#!/usr/bin/env bash
# Side by side: grondel's terrain simplifier against hmm (greedy insertion into a Delaunay
# triangulation, https://github.com/fogleman/hmm) on the same seeded 16-bit terrains, each as a
# whole process (decode the PNG, simplify, write a binary STL), at the same error.
#
#   bench/simplify_vs_hmm.sh HMM_SOURCE_DIR [SIZES]      (SIZES default 513,4097)
#
# hmm's -e is a share of full scale with one unit per pixel; ours gets heights level / 65535
# and --error the same share, so both meet the same bound on the same surface. The pictures
# span the full 16-bit range, so that share is also the share of the height range.
# Environment: ERROR (default 0.002), RUNS (default 5; 4097 pictures get at least 3),
# TERRAINS (folder for the pictures, default build/bench-terrains), BENCH_SIMPLIFY (our driver,
# default: built here with the release preset). hmm needs libglm-dev.
set -euo pipefail
cd "$(dirname "$0")/.."

hmmSource=$(realpath "${1:?usage: $0 HMM_SOURCE_DIR [SIZES]}")
sizes=${2:-513,4097}
error=${ERROR:-0.002}
runs=${RUNS:-5}
terrains=${TERRAINS:-$PWD/build/bench-terrains}

# CONTENDER=convert (the default): grondel-convert itself, writing the game model of the whole
# picture, heights 0..1 (grey 0..8 times 0.125) and one unit a pixel (0.5 x 2), to --max-error.
# CONTENDER=core: the simplifier alone (bench_simplify), writing an STL as hmm does.
contender=${CONTENDER:-convert}
ours=${BENCH_SIMPLIFY:-}
if [[ -z $ours ]]; then
    cmake --preset release >/dev/null
    if [[ $contender == convert ]]; then
        cmake --build --preset release --target grondel-convert -j2 >/dev/null
        ours=$PWD/build/release/src/grondel-convert/grondel-convert
    else
        cmake --build --preset release --target bench_simplify -j2 >/dev/null
        ours=$PWD/build/release/bench/terrain/bench_simplify
    fi
fi
ours=$(realpath "$ours")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# hmm builds in its own tree; build a copy so the source folder stays as it is.
cp -r "$hmmSource" "$work/hmm"
make -C "$work/hmm" release >/dev/null 2>&1 || { echo "cannot build hmm in $hmmSource" >&2; exit 1; }
hmm=$work/hmm/bin/release/hmm

IFS=, read -ra sizeList <<<"$sizes"
for size in "${sizeList[@]}"; do
    if [[ ! -f $terrains/hills-$size.png ]]; then
        python3 bench/make_terrains.py "$terrains" --sizes "$size" >/dev/null
    fi
done

out=$work
[[ -d /dev/shm && -w /dev/shm ]] && out=$(mktemp -d /dev/shm/simplify.XXXXXX) && trap 'rm -rf "$work" "$out"' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs "$@" once: prints wall milliseconds and peak resident kilobytes; keeps its output in $log.
timed() {
    local start end
    start=$(now)
    /usr/bin/time -f %M -o "$work/rss" "$@" >"$log" 2>&1
    end=$(now)
    echo "$(((end - start) / 1000000)) $(cat "$work/rss")"
}

echo "error $error of full scale; $runs runs each, alternating; median wall time of the whole process"
printf '%-18s %10s %10s %7s %9s %9s %7s %9s %9s\n' picture hmm_faces our_faces ratio \
    hmm_ms our_ms ratio hmm_MB our_MB
for size in "${sizeList[@]}"; do
    n=$runs
    ((size > 1025 && n > 3)) && n=3
    for kind in rough fractal hills; do
        picture=$terrains/$kind-$size.png
        : >"$work/hmm.t"
        : >"$work/ours.t"
        for ((r = 0; r < n; ++r)); do
            log=$work/hmm.log
            timed "$hmm" "$picture" "$out/hmm.stl" -z 1 -e "$error" >>"$work/hmm.t"
            hmmFaces=$(awk '/triangles =/ { print $3 }' "$log")
            log=$work/ours.log
            if [[ $contender == convert ]]; then
                timed "$ours" --game --fit --heights grey --scale 2,2,0.125 --max-error "$error" \
                    --output "$out/ours.3do" "$picture" >>"$work/ours.t"
                ourFaces=$("$ours" --check "$out/ours.3do" | sed -n 's/.*vertices, \([0-9]*\) faces.*/\1/p')
            else
                timed "$ours" "$picture" --error "$error" --stl "$out/ours.stl" >>"$work/ours.t"
                ourFaces=$(awk '{ for (i = 1; i < NF; ++i) if ($i == "faces") print $(i + 1) }' "$log")
            fi
        done
        hmmMs=$(cut -d' ' -f1 "$work/hmm.t" | median)
        ourMs=$(cut -d' ' -f1 "$work/ours.t" | median)
        hmmMb=$(cut -d' ' -f2 "$work/hmm.t" | sort -n | tail -1 | awk '{ print int($1 / 1024) }')
        ourMb=$(cut -d' ' -f2 "$work/ours.t" | sort -n | tail -1 | awk '{ print int($1 / 1024) }')
        printf '%-18s %10s %10s %7.3f %9s %9s %7.3f %9s %9s\n' "$kind-$size" "$hmmFaces" \
            "$ourFaces" "$(echo "$ourFaces / $hmmFaces" | bc -l)" "$hmmMs" "$ourMs" \
            "$(echo "$ourMs / $hmmMs" | bc -l)" "$hmmMb" "$ourMb"
    done
done

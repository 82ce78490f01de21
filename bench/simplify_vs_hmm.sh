#!/usr/bin/env bash
# Side by side: grondel's terrain simplifier against hmm (greedy insertion into a Delaunay
# triangulation, https://github.com/fogleman/hmm) on the same seeded 16-bit terrains, each as a
# whole process (decode the PNG, simplify, write the result), at the same error, over a grid of
# kinds x sizes x errors; then, at hmm's face count, the error each one reaches.
#
#   bench/simplify_vs_hmm.sh HMM_SOURCE_DIR [SIZES [KINDS [ERRORS]]]
#
# SIZES, KINDS and ERRORS are comma lists, from the arguments or else the environment:
#   SIZES   default 257,513,1025,2049,4097 (each 2^k + 1)
#   KINDS   default fractal,hills,rough,ridges (bench/make_terrains.py's kinds)
#   ERRORS  default 0.0005,0.002,0.005 (ERROR, one error, still works)
# so a quick run is e.g. `SIZES=513 KINDS=ridges ERRORS=0.002 RUNS=1 bench/simplify_vs_hmm.sh
# /tmp/hmm`.
#
# hmm's -e is a share of full scale with one unit per pixel; ours gets heights level / 65535
# and the error the same share, so both meet the same bound on the same surface. The pictures
# span the full 16-bit range, so that share is also the share of the height range.
#
# Each case runs the two programs in turn, hmm first, RUNS times (default 5; SMALL_RUNS, default
# 21, for sizes up to 513, where a run takes 10 to 500 ms and the machine's noise weighs more;
# BIG_RUNS, default RUNS, for sizes above 1025), and gives the median wall time of the whole
# process (bench/timed.py: from starting it to having waited for it, to 0.01 ms), the peak
# resident memory of any run and the faces (the same every run). A case whose first run makes
# more than MAX_FACES faces (default 2^20) in either program is left out, and said so; hmm is
# told to stop just past that many, so such a case costs little.
#
# The face-budget columns: hmm's error as it stopped (its largest error left, at its face
# count), and ours given hmm's face count as the budget and no error (its error then read from
# what it prints), once per case: both are deterministic.
#
# Environment besides: TERRAINS (folder for the pictures, default build/bench-terrains),
# BENCH_SIMPLIFY (our program, default: built here with the release preset), BASELINE (a file
# to add the faces of every case to, a line each: kind, size, error, our faces, hmm faces; a
# header first when the file is new). hmm needs libglm-dev.
set -euo pipefail
cd "$(dirname "$0")/.."

hmmSource=$(realpath "${1:?usage: $0 HMM_SOURCE_DIR [SIZES [KINDS [ERRORS]]]}")
sizes=${2:-${SIZES:-257,513,1025,2049,4097}}
kinds=${3:-${KINDS:-fractal,hills,rough,ridges}}
errors=${4:-${ERRORS:-${ERROR:-0.0005,0.002,0.005}}}
runs=${RUNS:-5}
smallRuns=${SMALL_RUNS:-21}
bigRuns=${BIG_RUNS:-$runs}
maxFaces=${MAX_FACES:-1048576}
terrains=${TERRAINS:-$PWD/build/bench-terrains}
baseline=${BASELINE:-}

# CONTENDER=convert (the default): grondel-convert itself, writing the game model of the whole
# picture, heights 0..1 (grey 0..8 times 0.125) and one unit a pixel (0.5 x 2), to --max-error.
# Its budget run is --max-faces F --max-error 0, the converter saying the error it stopped at
# only when --max-error is given too.
# CONTENDER=core: the simplifier alone (bench_simplify), writing an STL as hmm does; its budget
# run is --faces F.
contender=${CONTENDER:-convert}
[[ $contender == convert || $contender == core ]] || { echo "CONTENDER is convert or core" >&2; exit 2; }
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
IFS=, read -ra kindList <<<"$kinds"
IFS=, read -ra errorList <<<"$errors"
for size in "${sizeList[@]}"; do
    missing=()
    for kind in "${kindList[@]}"; do
        [[ -f $terrains/$kind-$size.png ]] || missing+=("$kind")
    done
    if ((${#missing[@]})); then
        python3 bench/make_terrains.py "$terrains" --sizes "$size" \
            --kinds "$(IFS=,; echo "${missing[*]}")" >/dev/null
    fi
done

out=$work
[[ -d /dev/shm && -w /dev/shm ]] && out=$(mktemp -d /dev/shm/simplify.XXXXXX) && trap 'rm -rf "$work" "$out"' EXIT

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "-"; else printf "%.3f", a / b }'; }

# Runs "$@" once: prints wall milliseconds and peak resident kilobytes; keeps its output in $log.
timed() { python3 bench/timed.py "$log" "$@" || true; }

# One run of each program at error $error on $picture; sets hmmFaces, hmmError, ourFaces.
runHmm() {
    log=$work/hmm.log
    # -t past the ceiling bounds a case that will be left out; under it, hmm stops at the error
    # as it would without.
    timed "$hmm" "$picture" "$out/hmm.stl" -z 1 -e "$error" -t $((maxFaces + 2)) >>"$work/hmm.t"
    hmmFaces=$(awk '/triangles =/ { print $3 }' "$log")
    hmmError=$(awk '/error =/ { print $3 }' "$log")
}
runOurs() {
    log=$work/ours.log
    if [[ $contender == convert ]]; then
        timed "$ours" --game --fit --heights grey --scale 2,2,0.125 --max-error "$error" \
            --output "$out/ours.3do" "$picture" >>"$work/ours.t"
        ourFaces=$("$ours" --check "$out/ours.3do" | sed -n 's/.*vertices, \([0-9]*\) faces.*/\1/p')
    else
        timed "$ours" "$picture" --error "$error" --stl "$out/ours.stl" >>"$work/ours.t"
        ourFaces=$(awk '{ for (i = 1; i < NF; ++i) if ($i == "faces") print $(i + 1) }' "$log")
    fi
}
# Ours with a budget of $1 faces and no error: prints the faces made and the error reached.
budgetOurs() {
    if [[ $contender == convert ]]; then
        "$ours" --game --fit --heights grey --scale 2,2,0.125 --max-faces "$1" --max-error 0 \
            --output "$out/ours.3do" "$picture" >"$work/budget.log" 2>&1
        sed -n 's/.*stopped at \([0-9]*\) faces .* largest error of \([^,]*\),.*/\1 \2/p' \
            "$work/budget.log" | head -1
    else
        "$ours" "$picture" --faces "$1" >"$work/budget.log" 2>&1
        awk '{ for (i = 1; i < NF; ++i) { if ($i == "faces") f = $(i + 1); if ($i == "error") e = $(i + 1) } }
             END { print f, e }' "$work/budget.log"
    fi
}

echo "contender $contender; errors as a share of the height range; ${runs} runs each" \
    "(${smallRuns} up to 513, ${bigRuns} above 1025), alternating, hmm first; median wall time of" \
    "the whole process; peak MB of any run; cases over $maxFaces faces left out"
echo "budget: at hmm's face count, hmm's error as it stopped and the error ours reaches"
header=$(printf '%-13s %7s %9s %9s %6s %8s %8s %6s %6s %6s %10s %10s %6s' picture error \
    hmm_faces our_faces ratio hmm_ms our_ms ratio hmm_MB our_MB hmm_err@F our_err@F ratio)
echo "$header"
if [[ -n $baseline && ! -s $baseline ]]; then
    {
        echo "# Faces of every case of bench/simplify_vs_hmm.sh (deterministic), contender $contender."
        echo "# kind size error our_faces hmm_faces"
    } >"$baseline"
fi
leftOut=()
for size in "${sizeList[@]}"; do
    n=$runs
    ((size <= 513)) && n=$smallRuns
    ((size > 1025)) && n=$bigRuns
    for kind in "${kindList[@]}"; do
        picture=$terrains/$kind-$size.png
        for error in "${errorList[@]}"; do
            : >"$work/hmm.t"
            : >"$work/ours.t"
            runHmm
            if ((hmmFaces > maxFaces)); then
                leftOut+=("$kind-$size at $error: hmm makes $hmmFaces faces")
                echo "$(printf '%-13s %7s' "$kind-$size" "$error") left out: hmm makes $hmmFaces faces, over $maxFaces"
                continue
            fi
            runOurs
            if ((ourFaces > maxFaces)); then
                leftOut+=("$kind-$size at $error: ours makes $ourFaces faces")
                echo "$(printf '%-13s %7s' "$kind-$size" "$error") left out: ours makes $ourFaces faces, over $maxFaces"
                continue
            fi
            for ((r = 1; r < n; ++r)); do
                runHmm
                runOurs
            done
            read -r budgetFaces budgetError <<<"$(budgetOurs "$hmmFaces")"
            hmmMs=$(cut -d' ' -f1 "$work/hmm.t" | median)
            ourMs=$(cut -d' ' -f1 "$work/ours.t" | median)
            hmmMb=$(cut -d' ' -f2 "$work/hmm.t" | sort -n | tail -1 | awk '{ print int($1 / 1024) }')
            ourMb=$(cut -d' ' -f2 "$work/ours.t" | sort -n | tail -1 | awk '{ print int($1 / 1024) }')
            printf '%-13s %7s %9s %9s %6s %8s %8s %6s %6s %6s %10s %10s %6s\n' "$kind-$size" \
                "$error" "$hmmFaces" "$ourFaces" "$(ratio "$ourFaces" "$hmmFaces")" "$hmmMs" \
                "$ourMs" "$(ratio "$ourMs" "$hmmMs")" "$hmmMb" "$ourMb" "$hmmError" \
                "${budgetError:--}" "$(ratio "${budgetError:-0}" "$hmmError")"
            [[ -n $baseline ]] && echo "$kind $size $error $ourFaces $hmmFaces" >>"$baseline"
        done
    done
done
if ((${#leftOut[@]})); then
    echo "left out, over $maxFaces faces:"
    printf '  %s\n' "${leftOut[@]}"
fi

#!/usr/bin/env bash
# Times grondel-convert as users run it, on the 64 x 64 sample bitmap:
#   1. the whole process for one image (start-up, load, sample, write, exit), median of many runs;
#   2. one call converting 1000 copies, per image, median of a few calls.
# The aim for 2 is well under 2 ms an image. Every model is flushed to disk before it replaces
# the old file, so the disk's flush time is part of the figure: TMPDIR=/dev/shm shows the rest.
#
#   bench/convert_bench.sh [path/to/grondel-convert]    (default: builds the release preset)
set -euo pipefail
cd "$(dirname "$0")/.."

convert=${1:-}
if [[ -z $convert ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target grondel-convert >/dev/null
    convert=$PWD/build/release/src/grondel-convert/grondel-convert
fi
convert=$(realpath "$convert")
runs=${RUNS:-30}
batchRuns=${BATCH_RUNS:-5}
batch=1000

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/crater.bmp "$work/one.bmp"
mkdir "$work/batch"
for ((i = 0; i < batch; ++i)); do
    cp examples/crater.bmp "$work/batch/$(printf 'crater%04d.bmp' "$i")"
done
# Each save flushes its file to disk; the copies above should not ride along with the first.
sync

now() { date +%s%N; }
# Median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

cd "$work"
echo "grondel-convert: $convert"

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 3 --runs "$runs" --export-json single.json -N "$convert one.bmp" >/dev/null
    single=$(python3 -c 'import json; print(json.load(open("single.json"))["results"][0]["median"] * 1000)')
else
    "$convert" one.bmp
    for ((i = 0; i < runs; ++i)); do
        start=$(now)
        "$convert" one.bmp
        echo $(($(now) - start))
    done >single.txt
    single=$(median <single.txt | awk '{ print $1 / 1e6 }')
fi
printf 'one image, whole process:     %8.2f ms (median of %d runs)\n' "$single" "$runs"

"$convert" batch/*.bmp # warm the file cache
for ((i = 0; i < batchRuns; ++i)); do
    start=$(now)
    "$convert" batch/*.bmp
    echo $(($(now) - start))
done >batch.txt
total=$(median <batch.txt | awk '{ print $1 / 1e6 }')
printf '%d images in one call:      %8.1f ms (median of %d calls)\n' "$batch" "$total" "$batchRuns"
printf 'per image in that call:       %8.3f ms\n' "$(awk -v t="$total" -v n="$batch" 'BEGIN { print t / n }')"

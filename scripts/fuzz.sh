#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, the "fuzz" preset) and runs each one for its share of the
# time, starting from a small seed corpus. Fails when any target finds a crash, a leak, undefined
# behaviour, a timeout or runaway memory; the input that did it is kept in build/fuzz/artifacts/.
#
#   scripts/fuzz.sh [seconds]     total time for all targets, 60 by default
set -euo pipefail
cd "$(dirname "$0")/.."

budget=${1:-60}
if ! [[ $budget =~ ^[0-9]+$ ]] || ((budget < 1)); then
    echo "usage: scripts/fuzz.sh [seconds]" >&2
    exit 2
fi

scripts/setup.sh clang libclang-rt-dev python3

build=build/fuzz
# Every target fuzz/CMakeLists.txt declares.
mapfile -t targets < <(sed -n 's/^grondel_add_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' fuzz/CMakeLists.txt)
if ((${#targets[@]} == 0)); then
    echo "fuzz.sh: no fuzz targets declared in fuzz/CMakeLists.txt" >&2
    exit 1
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}" write_pictures grondel-convert

# Seeds: the picture decoders' every kind they read (BMP of each depth and compression, PNG of
# each colour type and depth, JPEG grey, colour, progressive and CMYK, PGM/PPM binary and plain),
# written by the tests' own writers, the small hostile files and the sample heightmaps; and the
# model files kept with the tests, with small game models of every kind the converter writes
# (walkable and scenery, tiles and simplified pieces, scaled, other materials and densities).
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds/fuzz_picture" "$seeds/fuzz_model_check" "$seeds/fuzz_material"
"$build/fuzz/write_pictures" seeds "$seeds/fuzz_picture"
cp examples/*.bmp "$seeds/fuzz_picture/"
find tests -name '*.3do' -exec cp {} "$seeds/fuzz_model_check/" \;
convert=$build/src/grondel-convert/grondel-convert
kind=0
while read -r options; do
    kind=$((kind + 1))
    # shellcheck disable=SC2086 # the options are words
    ASAN_OPTIONS=detect_leaks=0 "$convert" --quiet $options --output \
        "$seeds/fuzz_model_check/game-$kind.3do" examples/crater.bmp
done <<'KINDS'
--game --size 2
--game --size 5 --scenery
--game --size 18 --scale 0.3,7.7,2 --texels-per-unit 1000
--game --size 9 --material rock-1.mat --texels-per-unit 0.5
--game --fit --heights grey --size 12 --max-error 0.5
--game --fit --size 20 --max-faces 12 --scenery
--game --fit --heights grey --size 33 --max-error 0.05 --scale 2,0.5,3
KINDS
# Two small materials as Grondel writes them, 16-bit with two mip levels and 8-bit, and a
# colormap's header and palette.
python3 - "$seeds/fuzz_material" <<'EOF'
import struct, sys
def words(*w): return b"".join(struct.pack("<I", x) for x in w)
cel = words(8, 0, 0, 0, 0, 0, 0, 0, 0, 0)
rgb = words(1, 16, 5, 6, 5, 11, 5, 0, 3, 2, 3, 0, 0, 0)
indexed = words(0, 8, *[0] * 12)
start = b"MAT " + words(0x32, 2, 1, 1)
with open(sys.argv[1] + "/rgb.mat", "wb") as f:
    f.write(start + rgb + cel + words(16, 16, 0, 0, 0, 2) + bytes(16 * 16 * 2 + 8 * 8 * 2))
with open(sys.argv[1] + "/indexed.mat", "wb") as f:
    f.write(start + indexed + cel + words(8, 8, 0, 0, 0, 1) + bytes(8 * 8))
with open(sys.argv[1] + "/palette.cmp", "wb") as f:
    f.write(b"CMP " + words(30, 0) + bytes(52 + 768 + 64 * 256))
EOF

# Undefined behaviour and leaks count as findings, not as notes in the log.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export QT_QPA_PLATFORM=offscreen

share=$((budget / ${#targets[@]}))
((share >= 5)) || share=5
mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus" "$seeds/$target"
    echo "== $target for ${share}s"
    dictionary=()
    if [[ -f fuzz/$target.dict ]]; then
        dictionary=(-dict="fuzz/$target.dict")
    fi
    # A bomb that gets past the limits shows as runaway memory, a hang as a timeout.
    if ! "$build/fuzz/$target" "$corpus" "$seeds/$target" "${dictionary[@]}" \
        -max_total_time="$share" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" 2>"$build/$target.log"; then
        tail -n 60 "$build/$target.log" >&2
        failed+=("$target")
    else
        grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/$target.log" || true
    fi
done

if ((${#failed[@]})); then
    echo "fuzz.sh: findings in ${failed[*]}; the inputs are in $build/artifacts/" >&2
    exit 1
fi
echo "fuzz.sh: nothing found"

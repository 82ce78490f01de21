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
cmake --build --preset fuzz -j"$(nproc)" --target "${targets[@]}" picture_seeds

# Seeds: a few tiny pictures in the formats and layouts the loader meets most (bitmaps of 8, 24
# and 32 bits, run-length coded, top-down; grey, 16-bit grey and translucent PNGs), the sample
# heightmaps, and the model files kept with the tests.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds/fuzz_image" "$seeds/fuzz_picture" "$seeds/fuzz_model_check"
python3 - "$seeds/fuzz_image" <<'PYTHON'
import pathlib, struct, sys, zlib

out = pathlib.Path(sys.argv[1])

def bmp(width, height, bits, pixels, palette=b"", compression=0, top_down=False, masks=b""):
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(pixels), 2835, 2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks
            + palette + pixels)

def png(width, height, colour_type, depth, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))

grey = b"".join(bytes((v, v, v, 0)) for v in range(256))
seeds = {
    "rgb24.bmp": bmp(3, 2, 24, bytes(range(24))),
    "grey8.bmp": bmp(5, 5, 8, b"".join(bytes((i * 50,) * 5) + bytes(3) for i in range(5)), grey),
    "top_down.bmp": bmp(4, 2, 24, bytes(range(24)), top_down=True),
    "argb32.bmp": bmp(2, 2, 32, bytes(range(16)), compression=3,
                      masks=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)),
    "rle8.bmp": bmp(8, 2, 8, bytes((8, 7, 0, 0, 4, 200, 4, 9, 0, 1)), grey, compression=1),
    "grey8.png": png(4, 4, 0, 8, [bytes(x * 60 + y for x in range(4)) for y in range(4)]),
    "grey16.png": png(3, 2, 0, 16, [struct.pack(">HHH", 0, 0x8080, 0xFFFF)] * 2),
    "rgba.png": png(2, 2, 6, 8, [bytes((255, 0, 0, 128, 0, 0, 255, 0))] * 2),
}
for name, data in seeds.items():
    (out / name).write_bytes(data)
PYTHON
cp examples/*.bmp "$seeds/fuzz_image/"
# The picture decoders': every kind they read (BMP of each depth and compression, PNG of each
# colour type and depth, JPEG grey, colour, progressive and CMYK, PGM/PPM binary and plain),
# written by the tests' own writers, and the small hostile files.
"$build/fuzz/picture_seeds" "$seeds/fuzz_picture"
cp examples/*.bmp "$seeds/fuzz_picture/"
find tests -name '*.3do' -exec cp {} "$seeds/fuzz_model_check/" \;

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

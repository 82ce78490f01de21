#!/usr/bin/env bash
# The converter as a small command-line tool is measured: grondel-convert beside hmm
# (https://github.com/fogleman/hmm, a single-purpose heightmap-to-mesh tool in C++), each turning
# one 64 x 64 PNG into a model file as a whole process, side by side in one run, alternating.
#
#   bench/convert_vs_hmm.sh HMM_SOURCE_DIR [RUNS]
#
# hmm needs libglm-dev. Prints hyperfine's figures and the median ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
hmmSource=$(realpath "${1:?usage: $0 HMM_SOURCE_DIR [RUNS]}")
runs=${2:-200}
scripts/setup.sh hyperfine libglm-dev >/dev/null

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target grondel-convert >/dev/null
convert=$PWD/build/release/src/grondel-convert/grondel-convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$hmmSource" "$work/hmm"
make -C "$work/hmm" release >/dev/null 2>&1 || { echo "cannot build hmm in $hmmSource" >&2; exit 1; }
hmm=$work/hmm/bin/release/hmm

# A 64 x 64 grey PNG of rolling hills.
python3 - "$work/hills.png" <<'PYTHON'
import math, struct, sys, zlib
size = 64
rows = b"".join(b"\0" + bytes(int(127.5 + 127.5 * math.sin(x * 0.2) * math.cos(y * 0.15))
                              for x in range(size)) for y in range(size))
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0))
                              + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PYTHON

cd "$work"
hyperfine -N --warmup 20 --runs "$runs" --export-json times.json \
    "$convert --output grondel.3do hills.png" \
    "$hmm hills.png hmm.stl -z 1 -e 0.001"
python3 - times.json <<'PYTHON'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
ours, theirs = (r["median"] * 1000 for r in results)
print(f"median: grondel-convert {ours:.2f} ms, hmm {theirs:.2f} ms, ratio {ours / theirs:.2f}")
PYTHON

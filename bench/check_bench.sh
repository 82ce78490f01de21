#!/usr/bin/env bash
# Times `grondel-convert --check` on models made to cost the checker most, as a whole process:
#   long-line  a small model whose first face line goes on for 64 MiB of commas;
#   comment    the same model with a comment line of 64 MiB of '#' after that face line, which
#              the game skips piece by piece and the check reads to its end;
#   chain      a million hierarchy nodes, each the child of the one before and one unit further
#              along x, each drawing the one mesh of 512 vertices (about 62 MB);
#   many       a model past the 256 MiB a check once read whole: 300 MiB of meshes of 289
#              vertices and 512 faces, written as the converter writes them.
# For each converter given and each model: the median wall time of RUNS runs (default 3) and
# the largest peak resident memory (/usr/bin/time -v), and the first line the check printed.
#
#   bench/check_bench.sh [OLD_CONVERTER] [NEW_CONVERTER]
#
# Without NEW_CONVERTER the release preset is built and its converter used. Pass copies of
# converters others may rebuild meanwhile. MODELS (a comma list of the names above) picks some;
# WORK keeps the models in that folder between runs (writing them takes a minute).
set -euo pipefail
cd "$(dirname "$0")/.."

old=${1:-}
new=${2:-}
if [[ -z $new ]]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target grondel-convert >/dev/null
    new=$PWD/build/release/src/grondel-convert/grondel-convert
fi
converters=()
labels=()
if [[ -n $old ]]; then
    converters+=("$(realpath "$old")")
    labels+=(old)
fi
converters+=("$(realpath "$new")")
labels+=(new)
runs=${RUNS:-3}
models=${MODELS:-long-line,comment,chain,many}

work=${WORK:-}
if [[ -z $work ]]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

python3 - "$work" "$models" <<'PYTHON'
import math, os, sys

work, wanted = sys.argv[1], sys.argv[2].split(",")

def mesh(vertices, faces, long_line="", line_after=""):
    # A fan of triangles around vertex 0 of a unit circle in z = 0, normals up; "@" stands for
    # the mesh's number.
    text = ["MESH @\r\nNAME m@\r\nRADIUS 1.001\r\nGEOMETRYMODE 4\r\nLIGHTINGMODE 3\r\n"
            f"TEXTUREMODE 1\r\n\r\nVERTICES {vertices}\r\n"]
    for k in range(vertices):
        t = 2 * math.pi * k / vertices
        text.append(f"{k}: {math.cos(t):.9f} {math.sin(t):.9f} 0 0\r\n")
    text.append("\r\nTEXTURE VERTICES 1\r\n0: 0 0\r\n\r\nVERTEX NORMALS\r\n")
    text += [f"{k}: 0 0 1\r\n" for k in range(vertices)]
    text.append(f"\r\nFACES {faces}\r\n")
    for k in range(faces):
        a = 1 + k % (vertices - 2)
        tail = long_line if k == 0 else ""
        text.append(f"{k}: 0 0x0 4 3 1 0 3 0, 0 {a}, 0 {a + 1}, 0{tail}\r\n")
        if k == 0 and line_after:
            text.append(line_after + "\r\n")
    text.append("\r\nFACE NORMALS\r\n")
    text += [f"{k}: 0 0 1\r\n" for k in range(faces)]
    return "".join(text) + "\r\n"

def model(name, radius, meshes, body, nodes):
    path = os.path.join(work, name + ".3do")
    if os.path.exists(path):
        return
    with open(path + ".part", "w", newline="") as out:
        out.write("SECTION: HEADER\r\n3DO 2.1\r\n\r\nSECTION: MODELRESOURCE\r\nMATERIALS 1\r\n"
                  "0: dflt.mat\r\n\r\nSECTION: GEOMETRYDEF\r\n"
                  f"RADIUS {radius}\r\nINSERT OFFSET 0 0 0\r\nGEOSETS 1\r\nGEOSET 0\r\n"
                  f"MESHES {meshes}\r\n\r\n")
        for m in range(meshes):
            out.write(body.replace("@", str(m)))
        out.write(f"SECTION: HIERARCHYDEF\r\nHIERARCHY NODES {len(nodes)}\r\n")
        out.writelines(nodes)
    os.rename(path + ".part", path)

root = "0: 0x0 0x1 0 -1 -1 -1 0 0 0 0 0 0 0 0 0 0 root\r\n"
if "long-line" in wanted:
    model("long-line", 1.01, 1, mesh(4, 2, "," * (64 << 20)), [root])
if "comment" in wanted:
    model("comment", 1.01, 1, mesh(4, 2, line_after="#" * (64 << 20)), [root])
if "chain" in wanted:
    count = 1000000
    nodes = ["0: 0x0 0x1 0 -1 1 -1 1 0 0 0 0 0 0 0 0 0 n0\r\n"]
    for k in range(1, count):
        child = f"{k + 1} -1 1" if k + 1 < count else "-1 -1 0"
        nodes.append(f"{k}: 0x0 0x1 0 {k - 1} {child} 1 0 0 0 0 0 0 0 0 n{k}\r\n")
    model("chain", count + 1, 1, mesh(512, 510), nodes)
if "many" in wanted:
    body = mesh(289, 512)
    meshes = (300 << 20) // len(body) + 1
    nodes = [f"0: 0x0 0x1 -1 -1 1 -1 {meshes} 0 0 0 0 0 0 0 0 0 root\r\n"]
    for k in range(meshes):
        sibling = k + 2 if k + 1 < meshes else -1
        nodes.append(f"{k + 1}: 0x0 0x1 {k} 0 -1 {sibling} 0 0 0 0 0 0 0 0 0 0 t{k}\r\n")
    model("many", 1.01, meshes, body, nodes)
PYTHON

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-10s %7s  %-4s %8s %8s  %s\n' model size run seconds "peak MB" "first line printed"
IFS=, read -ra names <<<"$models"
for name in "${names[@]}"; do
    file=$work/$name.3do
    size=$(($(stat -c %s "$file") >> 20))
    for c in "${!converters[@]}"; do
        peak=0
        : >"$work/times.txt"
        for ((r = 0; r < runs; ++r)); do
            /usr/bin/time -v "${converters[$c]}" --check "$file" >"$work/out.txt" 2>"$work/time.txt" || true
            awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0
                for (i = 1; i <= n; ++i) s = s * 60 + p[i]; print s }' "$work/time.txt" >>"$work/times.txt"
            kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
            ((kb > peak)) && peak=$kb
        done
        first=$(head -c 400 "$work/out.txt" | head -1)
        [[ -z $first ]] && first=$(head -1 "$work/time.txt")
        printf '%-10s %4s MiB  %-4s %8s %8s  %s\n' "$name" "$size" "${labels[$c]}" \
            "$(median <"$work/times.txt")" "$((peak / 1024))" "${first#"$work/"}"
    done
done

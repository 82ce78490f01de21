#!/usr/bin/env bash
# Fails when an #include in src/ points against the layers: programs -> ui -> commands ->
# platform -> core and the file edge, each folder naming what it may include besides itself; or
# when a file of the core, the file edge or the converter includes Qt.
#
#   scripts/check-includes.sh [SOURCE_FOLDER]      (src by default)
set -euo pipefail
cd "$(dirname "$0")/.."
source=${1:-src}

core="files heightmap parallel picture model3do terrain render"
declare -A allowed=(
    [files]=""
    [heightmap]=""
    [parallel]=""
    [picture]="files"
    [model3do]="heightmap parallel"
    [terrain]="files heightmap parallel picture model3do"
    [render]="heightmap model3do"
    [converter]="$core"
    [platform]="$core"
    [commands]="platform $core"
    [ui]="commands platform $core"
    [grondel]="ui commands platform $core"
    [grondel-convert]="converter $core"
)
# What may not see Qt at all.
declare -A plain=([files]=1 [heightmap]=1 [parallel]=1 [picture]=1 [model3do]=1 [terrain]=1 [render]=1
                  [converter]=1 [grondel-convert]=1)

faults=0
for folder in "$source"/*/; do
    layer=$(basename "$folder")
    if [[ -z ${allowed[$layer]+known} ]]; then
        echo "check-includes: $folder is no layer this script knows; add it to the table"
        faults=$((faults + 1))
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/p' <<<"$text")
        if [[ -n $target && $target != "$layer" && " ${allowed[$layer]} " != *" $target "* ]]; then
            echo "$file:$line: $layer may not include from $target: $text"
            faults=$((faults + 1))
        fi
        if [[ -n ${plain[$layer]:-} ]] &&
            grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' <<<"$text"; then
            echo "$file:$line: $layer uses the standard library only, not Qt: $text"
            faults=$((faults + 1))
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$folder" || true)
done
if ((faults)); then
    echo "check-includes: $faults include(s) against the layers"
    exit 1
fi
echo "check-includes: every include follows the layers"

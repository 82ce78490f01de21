#!/usr/bin/env bash
# Runs two builds of grondel-convert over the same grid of pictures and options and compares
# every model they write byte for byte: proof that a change which should not alter models did
# not, or a list of the cases where it did.
#
#   scripts/compare-converters.sh OLD_CONVERTER NEW_CONVERTER [PICTURE_FOLDER]
#
# The pictures are the shipped samples plus, when given, every file of PICTURE_FOLDER (for
# instance what `write_pictures samples` writes). A case where both refuse the picture with the
# same status counts as the same. Environment: NEW_OPTIONS, options only the new build takes,
# added to each of its game-model runs (--scenery, say); SAME, a command that says whether two
# models are the same (exit 0), cmp by default (scripts/compare-placed.py compares where the
# vertices land instead); CHECK, options for the new build's --check, run on every game model it
# writes (--terrain --walkable, say). Prints one line per difference and a count; exit 1 when
# any case differs or fails its check.
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "${1:?usage: $0 OLD_CONVERTER NEW_CONVERTER [PICTURE_FOLDER]}")
new=$(realpath "${2:?usage: $0 OLD_CONVERTER NEW_CONVERTER [PICTURE_FOLDER]}")
read -ra newOptions <<<"${NEW_OPTIONS:-}"
read -ra sameCommand <<<"${SAME:-cmp -s}"
read -ra checkOptions <<<"${CHECK:-}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Copies: a build running meanwhile must not change what is compared.
cp "$old" "$work/old-converter" && old=$work/old-converter
cp "$new" "$work/new-converter" && new=$work/new-converter
mkdir -p "$work/pictures"
cp examples/* "$work/pictures/"
[[ -n ${3:-} ]] && cp "$3"/* "$work/pictures/"

cases=()
for size in 16 32 64; do
    cases+=("--size $size")
done
for region in "" --fit; do
    for heights in colour grey; do
        for size in "" 2 17 33 64 257; do
            for scale in 1,1,1 2,2,0.5 0.3,7.7,1000 1000,1000,0.001; do
                cases+=("--game $region --heights $heights ${size:+--size $size} --scale $scale")
            done
        done
        for texels in 0.001 160 100000; do
            cases+=("--game $region --heights $heights --texels-per-unit $texels --material Rock-1.MAT")
        done
        for limits in "--max-error 0" "--max-error 0.01" "--max-error 0.5" "--max-faces 2" \
            "--max-faces 1000" "--max-error 0.001 --max-faces 300" "--size 513 --max-error 0.02"; do
            for scale in 1,1,1 0.25,4,2; do
                cases+=("--game $region --heights $heights $limits --scale $scale")
            done
        done
    done
done

same=0
differ=0
for picture in "$work/pictures"/*; do
    name=${picture##*/}
    for options in "${cases[@]}"; do
        read -ra words <<<"$options"
        extra=()
        [[ ${words[0]} == --game ]] && extra=("${newOptions[@]}")
        set +e
        "$old" "${words[@]}" --output "$work/old.3do" -- "$picture" 2>"$work/old.err"
        oldStatus=$?
        "$new" "${words[@]}" "${extra[@]}" --output "$work/new.3do" -- "$picture" 2>"$work/new.err"
        newStatus=$?
        set -e
        if [[ $oldStatus != "$newStatus" ]]; then
            echo "differ: $name $options: status $oldStatus, now $newStatus ($(head -c 200 "$work/new.err"))"
            differ=$((differ + 1))
        elif [[ $oldStatus == 0 ]] && ! "${sameCommand[@]}" "$work/old.3do" "$work/new.3do"; then
            echo "differ: $name $options: the models differ"
            differ=$((differ + 1))
        elif [[ $newStatus == 0 && ${#checkOptions[@]} -gt 0 && ${words[0]} == --game ]] &&
            ! "$new" --check "${checkOptions[@]}" "$work/new.3do" >"$work/check.out" 2>&1; then
            echo "differ: $name $options: fails --check ${checkOptions[*]}: $(grep -v ': note:' "$work/check.out" | head -c 200)"
            differ=$((differ + 1))
        else
            same=$((same + 1))
        fi
        rm -f "$work/old.3do" "$work/new.3do"
    done
done
echo "compare-converters: $same cases the same, $differ different (${#cases[@]} option sets)"
((differ == 0))

#!/usr/bin/env bash
# Compares picrender's drawing of metafiles with a reference renderer's: the headless conversion
# of an office suite (Debian's libreoffice-draw-nogui, installed by hand: this is not part of
# the build or the tests). For every file it prints the structural similarity of the two
# drawings (picsim: drawn bounds, 64-pixel-wide greyscale thumbnails) and the time of each whole
# process, then the medians. The office suite puts the picture on an A4 page at 96 dpi (794 ×
# 1123 pixels), at its own size or scaled down to fit; picrender draws it at that size too.
#
#   tools/metafile_compare/compare_with_reference.sh [--records plus|ordinary] BUILD_DIR FILE_OR_FOLDER...
#
# With --records, enhanced metafiles are drawn with that record set alone (recordsrender)
# instead of through picrender, so that both drawings of a dual file can be measured.
set -uo pipefail

records=
if [ "${1:-}" = "--records" ]; then
    records=${2:?--records takes plus or ordinary}
    shift 2
fi
build=${1:?usage: $0 [--records plus|ordinary] BUILD_DIR FILE_OR_FOLDER...}
shift
recordsrender="$build/tools/metafile_compare/recordsrender"
picrender="$build/tools/picrender/picrender"
picsim="$build/tools/metafile_compare/picsim"
office=$(command -v soffice || command -v libreoffice) || { echo "no office suite to compare with" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

files=()
for arg in "$@"; do
    if [ -d "$arg" ]; then
        while IFS= read -r f; do files+=("$f"); done < <(find "$arg" -type f \( -iname '*.emf' -o -iname '*.wmf' \) | sort)
    else
        files+=("$arg")
    fi
done

now() { date +%s.%N; }
similarities=()
ratios=()
refused=0
printf '%-44s %8s %10s %10s %8s\n' file ssim office_ms ours_ms speedup
for file in "${files[@]}"; do
    name=$(basename "$file")
    stem="${name%.*}"
    mkdir -p "$work/$stem"
    start=$(now)
    timeout 120 "$office" --headless -env:UserInstallation=file://"$work/profile" \
        --convert-to png --outdir "$work/$stem" "$file" > /dev/null 2>&1
    officeTime=$(echo "($(now) - $start) * 1000" | bc)
    reference="$work/$stem/$stem.png"
    if [ ! -f "$reference" ]; then
        printf '%-44s %8s %10.0f %10s %8s\n' "$name" "-" "$officeTime" "-" "-"
        continue
    fi
    size=$("$picsim" --size-of "$file" 2> /dev/null | awk -F x '{
        w = $1; h = $2; if (w < 1) w = 1; if (h < 1) h = 1
        s = 1; if (w > 794) s = 794 / w; if (h * s > 1123) s = 1123 / h
        printf "%dx%d", (w * s < 1 ? 1 : w * s), (h * s < 1 ? 1 : h * s) }')
    [ -n "$size" ] || size=64x64
    start=$(now)
    if [ -n "$records" ]; then
        timeout 60 "$recordsrender" "$file" "$work/$stem/ours.png" "$size" "$records" > "$work/$stem/ours.log" 2>&1
    else
        timeout 60 "$picrender" "$file" "$work/$stem/ours.png" --size "$size" > "$work/$stem/ours.log" 2>&1
    fi
    status=$?
    oursTime=$(echo "($(now) - $start) * 1000" | bc)
    if [ $status -ne 0 ]; then
        refused=$((refused + 1))
        printf '%-44s %8s %10.0f %10.0f %8s  %s\n' "$name" "refused" "$officeTime" "$oursTime" "-" \
            "$(grep -v QStandardPaths "$work/$stem/ours.log" | head -1)"
        continue
    fi
    similarity=$("$picsim" "$reference" "$work/$stem/ours.png" 2> /dev/null)
    ratio=$(echo "$officeTime / $oursTime" | bc -l)
    similarities+=("$similarity")
    ratios+=("$ratio")
    printf '%-44s %8s %10.0f %10.0f %8.1f\n' "$name" "$similarity" "$officeTime" "$oursTime" "$ratio"
done

median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
echo "files compared: ${#similarities[@]} of ${#files[@]}; refused by picrender: $refused"
echo "median similarity: $(median "${similarities[@]}")"
echo "median speedup (office time / picrender time, whole processes): $(median "${ratios[@]}")"

#!/usr/bin/env bash
# Runs the libFuzzer targets, one after the other, each for a given time, and keeps what they
# found in the repository:
#   scripts/fuzz.sh [-t SECONDS] [TARGET...]      (default: 600 seconds; every target)
# The targets are built with clang-14 in build-fuzz/ (ASan, UBSan, undefined behaviour fatal).
# Each run starts from the target's seeds, the samples it replays and its kept corpus; inputs up
# to 256 KB, 2 GB of memory, no single allocation beyond the 1 GiB section cap. An input
# slower than two seconds is kept as a slow unit, one slower than ten ends the run as a
# timeout: the clock is the wall's, on a machine the runs share at the lowest priority, and the
# instrumented build is some thirty times slower than a release build, so that a second here is
# far less than a second there. Afterwards the new inputs that reach code none of those reach
# are minimised (-merge=1) into fuzz/<folder>/corpus/, the smallest first, as long as the
# folder stays within its budget. Crash, leak, timeout and
# out-of-memory inputs land in fuzz/crashes/<target>/, where the replay under CTest finds them.
# A line per target goes to build-fuzz/fuzz-report.txt: executions, edges, findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=600
while getopts "t:" option; do
    case $option in
        t) seconds=$OPTARG ;;
        *) echo "usage: $0 [-t SECONDS] [TARGET...]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))

# Target name, its folder under fuzz/, and the sample folders it starts from.
targets=(bitmap_fuzzer gif_fuzzer icon_fuzzer jpeg_fuzzer metafile_fuzzer pagestore_fuzzer ini_fuzzer design_fuzzer png_fuzzer exif_fuzzer)
declare -A folder=([bitmap_fuzzer]=bitmap [gif_fuzzer]=gif [icon_fuzzer]=icon [jpeg_fuzzer]=jpeg
                   [metafile_fuzzer]=metafile [pagestore_fuzzer]=pagestore [ini_fuzzer]=ini [design_fuzzer]=design
                   [png_fuzzer]=png [exif_fuzzer]=exif)
testdata=$(cd "$root/.." && pwd)/shared/testdata
declare -A samples=([bitmap_fuzzer]="bmpsuite" [gif_fuzzer]="giflib pygif-test-suite"
                    [icon_fuzzer]="image-rs/ico image-rs/bad image-rs/regression" [jpeg_fuzzer]="libjpeg-turbo"
                    [metafile_fuzzer]="libemf2svg libuemf libwmf" [png_fuzzer]="pngsuite")
[ $# -gt 0 ] && targets=("$@")

maxLength=262144
budgetBytes=$((200 * 1024))   # kept corpus per target
largestEntry=$((8 * 1024))    # no single kept entry beyond this
mostEntries=40                # kept from one run at most
timeout=10

build=$root/build-fuzz
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_FUZZ=ON \
        -DPICTAVO_TESTS=OFF -DPICTAVO_BENCH=OFF -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
fi
nice -n 19 cmake --build "$build" --target "${targets[@]}"

report=$build/fuzz-report.txt
for target in "${targets[@]}"; do
    dir=$root/fuzz/${folder[$target]}
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/corpus" "$work/merged" "$dir/corpus" "$root/fuzz/crashes/$target"
    # Everything the target starts from, flattened into one folder (names are kept unique).
    starts=("$dir/corpus" "$root/fuzz/crashes/$target")
    [ -d "$dir/seeds" ] && starts+=("$dir/seeds")
    for sample in ${samples[$target]:-}; do starts+=("$testdata/$sample"); done
    for start in "${starts[@]}"; do
        find "$start" -type f -size -$((maxLength + 1))c ! -name '.keep' -print0 |
            while IFS= read -r -d '' file; do cp "$file" "$work/merged/$(sha1sum "$file" | cut -c1-40)"; done
    done
    dictionary=()
    [ -f "$dir/$target.dict" ] && dictionary=(-dict="$dir/$target.dict")

    echo "== $target: $seconds s"
    set +e
    (cd "$work" && QT_QPA_PLATFORM=offscreen nice -n 19 "$build/fuzz/${folder[$target]}/$target" \
        -max_total_time="$seconds" -max_len=$maxLength -timeout=$timeout -report_slow_units=2 -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
        "${dictionary[@]}" -artifact_prefix="$root/fuzz/crashes/$target/" "$work/corpus" "$work/merged" \
        >"$work/log" 2>&1)
    status=$?
    set -e
    executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
    edges=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | grep -o '[0-9]*')
    findings=$(grep -c 'Test unit written to' "$work/log" || true)

    # Minimise the new inputs against everything the target started from.
    before=$(ls "$work/merged" | sort)
    (cd "$work" && QT_QPA_PLATFORM=offscreen nice -n 19 "$build/fuzz/${folder[$target]}/$target" \
        -merge=1 -max_len=$maxLength -timeout=$timeout -rss_limit_mb=2048 -malloc_limit_mb=1024 "${dictionary[@]}" \
        "$work/merged" "$work/corpus" >"$work/merge-log" 2>&1) || true
    kept=0
    used=$(find "$dir/corpus" -type f -printf '%s\n' | awk '{ total += $1 } END { print total + 0 }')
    for name in $(comm -13 <(echo "$before") <(ls "$work/merged" | sort)); do
        echo "$(stat -c %s "$work/merged/$name") $name"
    done | sort -n | while read -r size name; do
        if [ "$size" -le $largestEntry ] && [ $((used + size)) -le $budgetBytes ] && [ $kept -lt $mostEntries ]; then
            cp "$work/merged/$name" "$dir/corpus/$name"
            used=$((used + size))
            kept=$((kept + 1))
            echo "$kept" >"$work/kept"
        fi
    done
    [ -f "$work/kept" ] && kept=$(cat "$work/kept")
    line="$target seconds=$seconds executions=${executions:-?} edges=${edges:-?} findings=$findings exit=$status kept=$kept"
    echo "$line" | tee -a "$report"
    tail -n 30 "$work/log" >"$build/$target.log"
    rm -rf "$work"
    trap - EXIT
done

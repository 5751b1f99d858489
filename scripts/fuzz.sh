#!/usr/bin/env bash
# Runs the libFuzzer targets, one after the other, and keeps what they found in the repository:
#   scripts/fuzz.sh [-t SECONDS] [-n EXECUTIONS] [TARGET...]
# Each target runs until SECONDS have passed or it has run EXECUTIONS inputs, whichever comes
# first (default: a campaign, 3600 seconds or 10 million executions); every target that the
# fuzzing build lists when no TARGET is named.
# The targets are built with clang-14 in build-fuzz/ (ASan, UBSan, undefined behaviour fatal).
# Each run starts from the folders the target's CMake lines name (its seeds, the shared samples
# of its formats), its kept corpus and its crash inputs; inputs up to 256 KB, 2 GB of memory,
# no single allocation beyond the 1 GiB section cap. An input slower than two seconds is kept
# as a slow unit, one slower than ten ends the run as a timeout: the clock is the wall's, on a
# machine the runs share at the lowest priority, and the instrumented build is some thirty
# times slower than a release build, so that a second here is far less than a second there.
# Afterwards the new inputs that reach code none of those reach are minimised (-merge=1) into
# fuzz/<folder>/corpus/, the smallest first, as long as the folder stays within its budget.
# Crash, leak, timeout and out-of-memory inputs land in fuzz/crashes/<target>/, where the replay
# under CTest finds them.
# A line per run goes to build-fuzz/fuzz-report.txt: seconds, executions, edges, findings. A run
# that lasted a whole campaign (the hour, or the 10 million executions) also replaces its
# target's row in the table of fuzz/README.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=3600
executions=10000000
while getopts "t:n:" option; do
    case $option in
        t) seconds=$OPTARG ;;
        n) executions=$OPTARG ;;
        *) echo "usage: $0 [-t SECONDS] [-n EXECUTIONS] [TARGET...]" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
campaignSeconds=3600
campaignExecutions=10000000

maxLength=262144
budgetBytes=$((200 * 1024))   # kept corpus per target
largestEntry=$((8 * 1024))    # no single kept entry beyond this
mostEntries=40                # kept from one run at most
timeout=10
limits=(-max_len=$maxLength -timeout=$timeout -rss_limit_mb=2048 -malloc_limit_mb=1024)

# Configured every time: the list of targets comes from the configuration.
build=$root/build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICTAVO_FUZZ=ON \
    -DPICTAVO_TESTS=OFF -DPICTAVO_BENCH=OFF -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    "${launcher[@]}" >/dev/null
# Each line: name, source folder, start folders; tab-separated.
declare -A folder starts
targets=()
while IFS=$'\t' read -r name dir rest; do
    targets+=("$name")
    folder[$name]=$dir
    starts[$name]=$rest
done <"$build/fuzz-targets.txt"
if [ $# -gt 0 ]; then
    for target in "$@"; do
        [ -n "${folder[$target]:-}" ] || { echo "$0: no fuzz target $target" >&2; exit 2; }
    done
    targets=("$@")
fi
nice -n 19 cmake --build "$build" --target "${targets[@]}"

report=$build/fuzz-report.txt
for target in "${targets[@]}"; do
    dir=${folder[$target]}
    binary=$(find "$build/fuzz" -type f -name "$target" -perm -u+x | head -1)
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/corpus" "$work/merged" "$dir/corpus" "$root/fuzz/crashes/$target"
    # Everything the target starts from, flattened into one folder (names are kept unique).
    IFS=$'\t' read -r -a from <<<"${starts[$target]}"
    for start in "${from[@]}"; do
        [ -d "$start" ] || continue
        find "$start" -type f -size -$((maxLength + 1))c ! -name '.keep' -print0 |
            while IFS= read -r -d '' file; do cp "$file" "$work/merged/$(sha1sum "$file" | cut -c1-40)"; done
    done
    dictionary=()
    [ -f "$dir/$target.dict" ] && dictionary=(-dict="$dir/$target.dict")

    echo "== $target: $seconds s or $executions executions, from $(ls "$work/merged" | wc -l) inputs"
    began=$(date +%s)
    set +e
    (cd "$work" && QT_QPA_PLATFORM=offscreen nice -n 19 "$binary" \
        -max_total_time="$seconds" -runs="$executions" "${limits[@]}" -report_slow_units=2 -print_final_stats=1 \
        "${dictionary[@]}" -artifact_prefix="$root/fuzz/crashes/$target/" "$work/corpus" "$work/merged" \
        >"$work/log" 2>&1)
    status=$?
    set -e
    ran=$(($(date +%s) - began))
    executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' | tail -1)
    edges=$(grep -o 'cov: [0-9]*' "$work/log" | tail -1 | grep -o '[0-9]*')
    findings=$(grep -c 'Test unit written to' "$work/log" || true)

    # Minimise the new inputs against everything the target started from.
    before=$(ls "$work/merged" | sort)
    (cd "$work" && QT_QPA_PLATFORM=offscreen nice -n 19 "$binary" -merge=1 "${limits[@]}" "${dictionary[@]}" \
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
    when=$(date -u +%Y-%m-%d)
    line="$target date=$when seconds=$ran executions=${executed:-?} edges=${edges:-?} findings=$findings exit=$status kept=$kept"
    echo "$line" | tee -a "$report"
    tail -n 30 "$work/log" >"$build/$target.log"
    # Only a whole campaign goes into the table: one that ran its hour, or its executions.
    if [ "$status" -eq 0 ] && { [ "$ran" -ge $campaignSeconds ] || [ "${executed:-0}" -ge $campaignExecutions ]; }; then
        awk -v row="| $target | $when | $ran | ${executed:-?} | ${edges:-?} | $findings |" -v target="$target" \
            -f "$root/scripts/fuzz_campaign_table.awk" "$root/fuzz/README.md" >"$work/readme"
        cp "$work/readme" "$root/fuzz/README.md"
    fi
    rm -rf "$work"
    trap - EXIT
done

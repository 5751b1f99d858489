#!/usr/bin/env bash
# The campaign table of the fuzzing README: a target's row is replaced, a new target's row goes
# where its name belongs, and nothing outside the table changes.
#   campaign_table_test.sh AWK_SCRIPT
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/readme" <<'TEXT'
# Fuzz targets
| bitmap_fuzzer | not a campaign row: outside the table |

<!-- campaigns -->
| target | date | seconds | executions | edges | findings |
|---|---|---:|---:|---:|---:|
| bitmap_fuzzer | — | — | — | — | — |
| gif_fuzzer | 2026-01-02 | 3600 | 5 | 6 | 0 |
<!-- end of campaigns -->
after
TEXT

put() { awk -v row="$1" -v target="$2" -f "$script" "$work/readme" >"$work/next" && mv "$work/next" "$work/readme"; }
put "| gif_fuzzer | 2026-03-04 | 3601 | 7 | 8 | 1 |" gif_fuzzer
put "| design_fuzzer | 2026-03-04 | 3602 | 9 | 10 | 0 |" design_fuzzer
put "| aaa_fuzzer | d | 1 | 2 | 3 | 0 |" aaa_fuzzer
put "| zzz_fuzzer | d | 1 | 2 | 3 | 0 |" zzz_fuzzer

cat >"$work/expected" <<'TEXT'
# Fuzz targets
| bitmap_fuzzer | not a campaign row: outside the table |

<!-- campaigns -->
| target | date | seconds | executions | edges | findings |
|---|---|---:|---:|---:|---:|
| aaa_fuzzer | d | 1 | 2 | 3 | 0 |
| bitmap_fuzzer | — | — | — | — | — |
| design_fuzzer | 2026-03-04 | 3602 | 9 | 10 | 0 |
| gif_fuzzer | 2026-03-04 | 3601 | 7 | 8 | 1 |
| zzz_fuzzer | d | 1 | 2 | 3 | 0 |
<!-- end of campaigns -->
after
TEXT
diff -u "$work/expected" "$work/readme"
echo "1 passed, 0 failed"

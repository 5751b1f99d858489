#!/bin/bash
# The real program under Xvfb: its main window, its command line, and (through gui_smoke) a
# picture shown in the main window, with screenshots left in OUTPUT_DIR.
#
#   smoke_test.sh PICTAVO GRAB_SCREEN GUI_SMOKE OUTPUT_DIR
#
# Exits 77 (skipped) when Xvfb or xwininfo is not installed.

set -u
. "$(dirname "$0")/../support/xvfb.sh"
pictavo=$1
grab=$2
guismoke=$3
out=$4

command -v Xvfb > /dev/null && command -v xwininfo > /dev/null || { echo "Xvfb or xwininfo not installed: skipped"; exit 77; }
mkdir -p "$out"
work=$(mktemp -d)
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# A display of our own: Xvfb writes its number once it is ready. Without -noreset the server
# starts afresh each time its last client leaves, and a program started during that (a loaded
# machine makes it long) cannot connect.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; rm -rf "$work"' EXIT
DISPLAY=$(display_ready "$work") || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY
export XDG_RUNTIME_DIR="$work"
# Settings of the test's own: the windows start where a first run puts them, whatever the user's
# settings file says, and the user's file is left alone.
export XDG_CONFIG_HOME="$work/config"
# The test's own platform, whatever the environment it runs in chose (offscreen, say).
export QT_QPA_PLATFORM=xcb

# The program's windows as the X server knows them: "caption": ... WxH+X+Y.
window_line() { xwininfo -root -tree 2> /dev/null | grep '"Pictavo 2.0"'; }

# Starts the program with the given arguments and checks the main window: caption, client
# area 584 x 451, centred on the 1024 x 768 screen ((1024 - 592) / 2, (768 - 478) / 2).
# The program starts in $work, or in the directory $start_in names (made, then removed when
# $remove_start is set).
expect_window() {
    local name=$1
    shift
    local dir=${start_in:-$work}
    mkdir -p "$dir"
    (cd "$dir" && { [ -z "${remove_start:-}" ] || rmdir "$dir"; } && exec "$pictavo" "$@") > "$work/out.txt" 2>&1 &
    local program=$!
    local line=""
    # A loaded machine may take a while to start it.
    for _ in $(seq 300); do
        line=$(window_line)
        [ -n "$line" ] && break
        kill -0 $program 2> /dev/null || break
        sleep 0.1
    done
    if [ -z "$line" ]; then
        fail "pictavo $*: no window captioned \"Pictavo 2.0\"; it wrote: $(cat "$work/out.txt")"
    else
        echo "pictavo $*: $line"
        case "$line" in
        *" 584x451+216+145 "*) ;;
        *) fail "pictavo $*: the window is not 584x451 at 216,145" ;;
        esac
        sleep 0.5
        "$grab" "$out/$name.png" || fail "no screenshot of pictavo $*"
    fi
    kill $program 2> /dev/null
    wait $program 2> /dev/null
    for _ in $(seq 300); do
        [ -z "$(window_line)" ] && break
        sleep 0.1
    done
}

expect_window pictavo-start
expect_window pictavo-switch-alone /PRINT
expect_window pictavo-printer-switch /PRINTER x
expect_window pictavo-dash-print -print x
# Parameters that look like the window system's own options are ignored like any others.
expect_window pictavo-window-system-options -platform nada -reverse
# Started in a directory that has since gone, or one whose name the drive-letter form cannot
# carry: the window still comes up.
start_in="$work/gone/deeper" remove_start=1 expect_window pictavo-removed-directory
start_in="$work/back\\slash" expect_window pictavo-backslash-directory

# Without a display the window cannot come up: the program says so and ends with status 1.
for display in "" ":93779"; do
    (cd "$work" && env -u QT_QPA_PLATFORM DISPLAY="$display" timeout 30 "$pictavo") > "$work/nodisplay.txt" 2>&1
    status=$?
    [ $status -eq 1 ] || fail "DISPLAY=\"$display\": pictavo ended with status $status"
    grep -q "^Pictavo 2: cannot open the display" "$work/nodisplay.txt" ||
        fail "DISPLAY=\"$display\": pictavo wrote: $(cat "$work/nodisplay.txt")"
done

# Batch mode with no existing file: ends at once with status 0, shows nothing, says nothing.
(cd "$work" && "$pictavo" /print missing1.bmp missing2.bmp) > "$work/batch.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "pictavo /print missing1.bmp missing2.bmp ended with status $status"
[ -s "$work/batch.txt" ] && fail "pictavo /print missing1.bmp missing2.bmp wrote: $(cat "$work/batch.txt")"
[ -z "$(window_line)" ] || fail "a window stayed after batch mode"

# The same with no display at all.
(cd "$work" && env -u DISPLAY -u QT_QPA_PLATFORM "$pictavo" /print missing1.bmp missing2.bmp) > "$work/batch.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "without a display, pictavo /print missing1.bmp missing2.bmp ended with status $status: $(cat "$work/batch.txt")"

# Parameters that look like the window system's options are names like any others: the switch
# and one missing file. (The time limit only keeps a program that never ends from stalling the
# test.)
(cd "$work" && env -u DISPLAY -u QT_QPA_PLATFORM timeout 30 "$pictavo" /print -reverse) > "$work/batch.txt" 2>&1
status=$?
[ $status -eq 0 ] || fail "pictavo /print -reverse ended with status $status"
[ -s "$work/batch.txt" ] && fail "pictavo /print -reverse wrote: $(cat "$work/batch.txt")"

# Without a display: a file that is not a picture shows its error on standard error and ends the
# batch with status 1 before the next file.
printf 'BM' > "$work/broken.bmp"
(cd "$work" && env -u DISPLAY -u QT_QPA_PLATFORM "$pictavo" /print broken.bmp missing.bmp) > "$work/batch.txt" 2>&1
status=$?
[ $status -eq 1 ] || fail "pictavo /print broken.bmp ended with status $status"
grep -q "^Pictavo 2: Stream read error" "$work/batch.txt" || fail "pictavo /print broken.bmp wrote: $(cat "$work/batch.txt")"

# A picture with no printer installed (the spooler's address leads nowhere): the first printer of
# an empty list is out of range, which is said and ends the batch.
printf 'BM:\0\0\0\0\0\0\0006\0\0\0(\0\0\0\1\0\0\0\1\0\0\0\1\0\30\0\0\0\0\0\4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\377\0' > "$work/red.bmp"
(cd "$work" && env -u DISPLAY -u QT_QPA_PLATFORM CUPS_SERVER="$work/no-spooler.sock" timeout 60 "$pictavo" /print red.bmp) \
    > "$work/batch.txt" 2>&1
status=$?
[ $status -eq 1 ] || fail "pictavo /print red.bmp without printers ended with status $status: $(cat "$work/batch.txt")"
grep -q "^Pictavo 2: Printer index out of range" "$work/batch.txt" || fail "pictavo /print red.bmp wrote: $(cat "$work/batch.txt")"

# A picture chosen in the real main window, as the screen shows it.
"$guismoke" "$out/pictavo-picture.png" || fail "gui_smoke"

echo "screenshots in $out"
[ $failures -eq 0 ]

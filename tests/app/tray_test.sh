#!/bin/bash
# The tray icon component on a real X display: tray_probe under Xvfb.
#
#   tray_test.sh TRAY_PROBE
#
# Exits 77 (skipped) when Xvfb or xwininfo is not installed. PICTAVO_TEST_DISPLAY names the
# display number to use; without it Xvfb takes a free one.

set -u
. "$(dirname "$0")/../support/xvfb.sh"
probe=$1

command -v Xvfb > /dev/null && command -v xwininfo > /dev/null || { echo "Xvfb or xwininfo not installed: skipped"; exit 77; }
work=$(mktemp -d)
if [ -n "${PICTAVO_TEST_DISPLAY:-}" ]; then
    Xvfb ":$PICTAVO_TEST_DISPLAY" -screen 0 640x480x24 -nolisten tcp 2> "$work/xvfb.log" &
    echo "$PICTAVO_TEST_DISPLAY" > "$work/display"
else
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
fi
xvfb=$!
trap 'kill $xvfb 2> /dev/null; wait $xvfb 2> /dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work"
# No session bus: the notification area is the display's own.
unset DBUS_SESSION_BUS_ADDRESS
# Xvfb writes its number once it is ready; a display named in advance is waited for alike.
DISPLAY=$(display_ready "$work") || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY
"$probe"

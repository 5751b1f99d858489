#!/bin/bash
# The tray icon component on a real X display: tray_probe under Xvfb.
#
#   tray_test.sh TRAY_PROBE
#
# Exits 77 (skipped) when Xvfb is not installed. PICTAVO_TEST_DISPLAY names the display number
# to use; without it Xvfb takes a free one.

set -u
probe=$1

command -v Xvfb > /dev/null || { echo "Xvfb not installed: skipped"; exit 77; }
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
# Xvfb writes its number once it is ready; a display named in advance is waited for (a loaded
# machine may take a while).
for _ in $(seq 600); do
    if [ -s "$work/display" ]; then
        export DISPLAY=":$(cat "$work/display")"
        xdpyinfo > /dev/null 2>&1 && break
    fi
    sleep 0.1
done
xdpyinfo > /dev/null 2>&1 || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
"$probe"

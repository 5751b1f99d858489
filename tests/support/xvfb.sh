# Sourced by the test scripts that start an X server of their own as
#   Xvfb -displayfd 3 ... 3> "$work/display" &
# display_ready WORK prints ":N" once that server has written its number and takes connections
# (a loaded machine may take a while: up to a minute); it fails when it never does.
display_ready() {
    local file=$1/display
    for _ in $(seq 600); do
        if [ -s "$file" ] && DISPLAY=":$(cat "$file")" xwininfo -root > /dev/null 2>&1; then
            echo ":$(cat "$file")"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

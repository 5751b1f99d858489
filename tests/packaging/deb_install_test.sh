#!/bin/bash
# Installs the Debian package that deb_package_test.sh built, starts the viewer the way its
# launcher does on an X display of its own (Xvfb), runs the installed tools, and removes the
# package again, leaving the system's package set as it was.
#
#   deb_install_test.sh PACKAGE_DIR VERSION
#
# Exits 77 (skipped) when not run as root, or when a pictavo package is installed already
# (it is not ours to replace).

set -u
. "$(dirname "$0")/../support/xvfb.sh"
out=$1
version=$2
deb=$out/pictavo_${version}-1_$(dpkg --print-architecture).deb

[ "$(id -u)" -eq 0 ] || { echo "installing a package needs root: skipped"; exit 77; }
for tool in Xvfb xwininfo xprop apt-get flock; do
    command -v $tool > /dev/null || { echo "FAILED: $tool is not installed"; exit 1; }
done
[ -f "$deb" ] || { echo "FAILED: no package $deb (deb_package builds it)"; exit 1; }

# One package test at a time on this machine, whichever build tree it comes from.
mkdir -p /run/lock
exec 9> /run/lock/pictavo-package-test.lock
flock -w 600 9 || { echo "FAILED: another package test held the lock for ten minutes"; exit 1; }

status_of() { dpkg-query -W -f='${db:Status-Status}' pictavo 2> /dev/null; }
case "$(status_of)" in
"" | not-installed) ;;
*) echo "a pictavo package is on this system already ($(status_of)): skipped"; exit 77 ;;
esac

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
chmod 755 "$work"
apt=(apt-get -y -q -o DPkg::Lock::Timeout=300 -o Dpkg::Use-Pty=0)
dpkg-query -W -f='${Package}:${Architecture} ${Version} ${db:Status-Abbrev}\n' | sort > "$work/packages.before"

xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2> /dev/null
    if [ -n "$(status_of)" ] && [ "$(status_of)" != not-installed ]; then
        DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge pictavo > "$work/purge.log" 2>&1 ||
            { cat "$work/purge.log"; echo "FAILED: the package could not be removed"; }
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Everything the package depends on is there already: the README's install step put it there,
# so installing takes nothing but the package itself.
apt-get -s -o Debug::NoLocking=1 install "$deb" > "$work/simulate.txt" 2>&1
others=$(grep '^Inst ' "$work/simulate.txt" | grep -v '^Inst pictavo ')
[ -z "$others" ] || { echo "FAILED: installing the package would also install: $others"; exit 1; }
grep -q '^Inst pictavo ' "$work/simulate.txt" || { cat "$work/simulate.txt"; echo "FAILED: apt-get cannot install the package"; exit 1; }

DEBIAN_FRONTEND=noninteractive "${apt[@]}" --no-install-recommends install "$deb" > "$work/install.log" 2>&1
status=$?
[ $status -eq 0 ] || { cat "$work/install.log"; echo "FAILED: apt-get install $(basename "$deb") ended with status $status"; exit 1; }
[ "$(status_of)" = installed ] || { echo "FAILED: after installing, the package is \"$(status_of)\""; exit 1; }
dpkg -L pictavo > "$work/files"
[ "$(command -v pictavo)" = /usr/bin/pictavo ] || fail "pictavo is not on the PATH"
[ "$(command -v picrender)" = /usr/bin/picrender ] || fail "picrender is not on the PATH"
launcher=/usr/share/applications/pictavo.desktop
[ -f "$launcher" ] || fail "no launcher in /usr/share/applications"
exec_line=$(sed -n 's/^Exec=//p' "$launcher")

# An X display of our own: Xvfb writes its number once it is ready (-noreset: a program started
# just as the one before it left must not find the server starting afresh).
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb=$!
display=$(display_ready "$work") || { cat "$work/xvfb.log"; echo "FAILED: Xvfb did not start"; exit 1; }

# Started as a desktop starts a launcher: its Exec line, a plain environment, a home of its own.
mkdir -p "$work/home"
(cd "$work/home" && exec env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" DISPLAY="$display" \
    XDG_RUNTIME_DIR="$work" LANG=C.UTF-8 $exec_line) > "$work/viewer.txt" 2>&1 &
viewer=$!
line=
for _ in $(seq 150); do
    line=$(DISPLAY=$display xwininfo -root -tree 2> /dev/null | grep '"Pictavo 2.0"')
    [ -n "$line" ] && break
    kill -0 $viewer 2> /dev/null || break
    sleep 0.1
done
if [ -z "$line" ]; then
    fail "the installed viewer showed no window captioned \"Pictavo 2.0\": $(cat "$work/viewer.txt")"
else
    echo "installed viewer: $line"
    case "$line" in
    *" 584x451+"*) ;;
    *) fail "the installed viewer's main window is not 584 x 451" ;;
    esac
    # Docks and task bars match the window to its launcher by the window's class.
    window=$(echo "$line" | awk '{ print $1 }')
    class=$(DISPLAY=$display xprop -id "$window" WM_CLASS | sed -n 's/.*= ".*", "\(.*\)"$/\1/p')
    [ "$class" = "$(sed -n 's/^StartupWMClass=//p' "$launcher")" ] || fail "the window's class \"$class\" is not the launcher's"
fi
kill $viewer 2> /dev/null
wait $viewer 2> /dev/null

# The installed tool draws a picture: a 1 x 1 bitmap, 24 bits per pixel, one white pixel.
printf 'BM\072\0\0\0\0\0\0\0\066\0\0\0' > "$work/white.bmp"
printf '\050\0\0\0\001\0\0\0\001\0\0\0\001\0\030\0\0\0\0\0\004\0\0\0\023\013\0\0\023\013\0\0\0\0\0\0\0\0\0\0' >> "$work/white.bmp"
printf '\377\377\377\0' >> "$work/white.bmp"
(cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work/home" picrender white.bmp white.png --size 3x2) > "$work/picrender.txt" 2>&1 ||
    fail "picrender: $(cat "$work/picrender.txt")"
[ "$(od -An -tu1 -j16 -N8 "$work/white.png" 2> /dev/null | tr -s ' ')" = " 0 0 0 3 0 0 0 2" ] ||
    fail "picrender did not write a 3 x 2 PNG"

# Removing the package takes its files away and leaves the package set as it was.
DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge pictavo > "$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "apt-get purge pictavo"; }
case "$(status_of)" in
"" | not-installed) ;;
*) fail "after removal the package is \"$(status_of)\"" ;;
esac
while read -r file; do
    [ -f "$file" ] && fail "$file is left after removal"
done < "$work/files"
dpkg-query -W -f='${Package}:${Architecture} ${Version} ${db:Status-Abbrev}\n' | sort > "$work/packages.after"
diff "$work/packages.before" "$work/packages.after" > "$work/packages.diff" ||
    fail "the system's packages changed: $(cat "$work/packages.diff")"

[ $failures -eq 0 ] && echo "$(basename "$deb") installed, started and removed"
[ $failures -eq 0 ]

#!/bin/bash
# Builds the Debian package with CPack and checks it without installing it: its control
# fields, that its dependencies cover every library the programs load (the X platform plugin
# included) and are all installed here by the README's install step, and that it holds exactly
# the expected files, owned by root, with the programs stripped.
#
#   deb_package_test.sh BUILD_DIR PACKAGE_DIR EXPECTED_FILES VERSION
#
# Leaves the package in PACKAGE_DIR for the install test.

set -u
build=$1
out=$2
expected=$3
version=$4

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

rm -rf "$out"
mkdir -p "$out"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" > "$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; echo "FAILED: cpack"; exit 1; }
architecture=$(dpkg --print-architecture)
deb=$out/pictavo_${version}-1_${architecture}.deb
[ -f "$deb" ] || { ls "$out"; echo "FAILED: no $(basename "$deb")"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dpkg-deb --info "$deb"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = pictavo ] || fail "Package is \"$(field Package)\""
[ "$(field Version)" = "$version-1" ] || fail "Version is \"$(field Version)\""
[ "$(field Architecture)" = "$architecture" ] || fail "Architecture is \"$(field Architecture)\""
[ "$(field Section)" = graphics ] || fail "Section is \"$(field Section)\""
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[[ "$(field Installed-Size)" =~ ^[0-9]+$ ]] || fail "Installed-Size is \"$(field Installed-Size)\""
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -gt 3 ] || fail "no long description"
case "$description" in *'&quot;'* | *'&amp;'*) fail "the description has escaped characters" ;; esac

# Depends as one "name (version)" or "a | b" alternative a line.
field Depends | tr ',' '\n' | sed 's/^ *//;s/ *$//' | grep -v '^$' > "$work/depends"
depends_on() {
    awk -v want="$1" '{ n = split($0, choices, "|")
                        for (i = 1; i <= n; i++) { split(choices[i], words, " "); if (words[1] == want) found = 1 } }
                      END { exit !found }' "$work/depends"
}

# Every library the programs load directly comes from a package the dependencies name.
dpkg-deb -x "$deb" "$work/root"
for program in "$work"/root/usr/bin/*; do
    name=$(basename "$program")
    # Programs are stripped: no symbol table in the package.
    readelf -S "$program" | grep -q '\.symtab' && fail "$name is not stripped"
    ldd "$program" > "$work/ldd" 2>&1
    grep -q 'not found' "$work/ldd" && fail "$name: $(grep 'not found' "$work/ldd")"
    for library in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # "libx.so.1 => /path/libx.so.1 (address)", or the loader's own "/path/ld.so (address)".
        path=$(awk -v lib="$library" '$1 == lib { print $3 } $1 ~ "/" lib "$" { print $1 }' "$work/ldd" | head -n 1)
        owner=$(dpkg-query -S "$path" 2> /dev/null || dpkg-query -S "$(realpath "$path")" 2> /dev/null)
        owner=${owner%%:*}
        if [ -z "$owner" ]; then
            fail "$name loads $library ($path), which no package holds"
        elif ! depends_on "$owner"; then
            fail "$name loads $library from $owner, which the package does not depend on"
        fi
    done
done
# Qt loads its X platform plugin at run time, where dpkg-shlibdeps cannot see it.
plugin=$(dpkg-query -S '*/qt6/plugins/platforms/libqxcb.so' 2> /dev/null | head -n 1)
plugin=${plugin%%:*}
[ -n "$plugin" ] || fail "no package here holds Qt's X platform plugin"
[ -z "$plugin" ] || depends_on "$plugin" || fail "no dependency on $plugin, which holds Qt's X platform plugin"
depends_on fonts-dejavu-core || fail "no dependency on fonts-dejavu-core"
depends_on qt6-image-formats-plugins || fail "no dependency on qt6-image-formats-plugins, which reads WebP and TIFF"
grep -E -- '-dev( |$)' "$work/depends" && fail "depends on development packages"

# Each dependency is installed here, in a version that satisfies it: the README's install step
# installs all that the package needs.
while read -r alternatives; do
    satisfied=
    IFS='|' read -ra choices <<< "$alternatives"
    for choice in "${choices[@]}"; do
        read -r package relation wanted <<< "$(echo "$choice" | tr -d '()')"
        installed=$(dpkg-query -W -f='${db:Status-Status} ${Version}\n' "$package" 2> /dev/null | sed -n 's/^installed //p' | head -n 1)
        [ -n "$installed" ] || continue
        if [ -z "${relation:-}" ] || dpkg --compare-versions "$installed" "$relation" "$wanted"; then
            satisfied=1
            break
        fi
    done
    [ -n "$satisfied" ] || fail "dependency \"$alternatives\" is not installed here"
done < "$work/depends"

# Exactly the expected files under /usr, owned by root; programs executable, the rest not.
dpkg-deb --contents "$deb" > "$work/contents"
awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' "$work/contents" | LC_ALL=C sort > "$work/packaged"
LC_ALL=C sort "$expected" > "$work/expected"
diff -u "$work/expected" "$work/packaged" > "$work/diff" || { cat "$work/diff"; fail "packaged files differ from the list"; }
awk '$2 != "root/root" { print "FAILED: " $6 " is owned by " $2; bad = 1 }
     $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "FAILED: " $6 " is " $1; bad = 1 }
     $1 !~ /^d/ && $6 ~ /^\.\/usr\/bin\// && $1 != "-rwxr-xr-x" { print "FAILED: " $6 " is " $1; bad = 1 }
     $1 !~ /^d/ && $6 !~ /^\.\/usr\/bin\// && $1 != "-rw-r--r--" { print "FAILED: " $6 " is " $1; bad = 1 }
     END { exit bad }' "$work/contents" || failures=$((failures + 1))
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './md5sums' || fail "no md5sums"

[ $failures -eq 0 ] && echo "$(basename "$deb") checked"
[ $failures -eq 0 ]

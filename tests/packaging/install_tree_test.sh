#!/bin/bash
# Installs the build into a staging prefix and checks what lands there: exactly the expected
# files, a launcher that validates and starts the viewer without a file, icons of the sizes
# their folders name, manual pages that render cleanly, and programs that run from there.
#
#   install_tree_test.sh BUILD_DIR STAGE_DIR EXPECTED_FILES VERSION

set -u
build=$1
stage=$2
expected=$3
version=$4

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate groff; do
    command -v $tool > /dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps.sh installs it)"; exit 1; }
done

rm -rf "$stage"
cmake --install "$build" --prefix "$stage" > "$stage.log" 2>&1 || { cat "$stage.log"; echo "FAILED: cmake --install"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Exactly the expected files, nothing missing and nothing besides.
(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) > "$work/installed"
LC_ALL=C sort "$expected" > "$work/expected"
diff -u "$work/expected" "$work/installed" > "$work/diff" || { cat "$work/diff"; fail "installed files differ from the list"; }

for program in pictavo picrender; do
    [ -x "$stage/bin/$program" ] || fail "bin/$program is not executable"
done

# The launcher.
desktop=$stage/share/applications/pictavo.desktop
validation=$(desktop-file-validate "$desktop" 2>&1)
[ $? -eq 0 ] && [ -z "$validation" ] || fail "desktop-file-validate: $validation"
value() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(value Name)" = Pictavo ] || fail "Name is \"$(value Name)\""
[ "$(value GenericName)" = "Picture Viewer" ] || fail "GenericName is \"$(value GenericName)\""
[ "$(value Categories)" = "Graphics;Viewer;" ] || fail "Categories are \"$(value Categories)\""
# The viewer does not open a file named on its command line: no field codes, no MIME types,
# so that it is never offered for opening a file.
[ "$(value Exec)" = pictavo ] || fail "Exec is \"$(value Exec)\""
grep -q '^MimeType' "$desktop" && fail "the launcher names MIME types"
[ "$(value Terminal)" = false ] || fail "Terminal is \"$(value Terminal)\""
[ -x "$stage/bin/$(value Exec)" ] || fail "Exec names no installed program"
icon=$(value Icon)
[ "$icon" = pictavo ] || fail "Icon is \"$icon\""

# Each icon is an RGBA PNG of the size its folder names.
png_field() { od -An -tu1 -j"$2" -N"$3" "$1" | tr -s ' ' ' ' | sed 's/^ //;s/ $//'; }
be32() { set -- $1; echo $(( ($1 << 24) | ($2 << 16) | ($3 << 8) | $4 )); }
icons=0
for file in "$stage"/share/icons/hicolor/*/apps/"$icon".png; do
    [ -f "$file" ] || continue
    icons=$((icons + 1))
    folder=$(basename "$(dirname "$(dirname "$file")")")
    [ "$(png_field "$file" 0 8)" = "137 80 78 71 13 10 26 10" ] || { fail "$folder: not a PNG"; continue; }
    width=$(be32 "$(png_field "$file" 16 4)")
    height=$(be32 "$(png_field "$file" 20 4)")
    [ "${width}x${height}" = "$folder" ] || fail "$folder/apps/$icon.png is ${width}x${height}"
    # Colour type 6: red, green, blue and alpha, so the corners are see-through.
    [ "$(png_field "$file" 25 1)" = 6 ] || fail "$folder/apps/$icon.png has no alpha channel"
done
[ $icons -ge 4 ] || fail "only $icons sizes of the icon"

# The manual pages render without a warning, carry the version, and say what they must.
render() { gzip -dc "$stage/share/man/man1/$1.1.gz" | groff -man -Tutf8 -rLL=400n -P-cbou -ww 2> "$work/groff.err"; }
for page in pictavo picrender; do
    render $page > "$work/$page.txt"
    [ -s "$work/groff.err" ] && fail "$page.1: $(cat "$work/groff.err")"
    grep -q "Pictavo $version" "$work/$page.txt" || fail "$page.1 does not give the version $version"
    grep -q '@' "$work/$page.txt" && fail "$page.1 has an unreplaced @VARIABLE@"
    grep -q '^EXIT STATUS' "$work/$page.txt" || fail "$page.1 has no EXIT STATUS section"
done
for text in '/PRINT file' 'BATCH PRINTING' 'Printer index out of range' '~/.config/pictavo/pictavo.ini' \
    '$XDG_CONFIG_HOME/pictavo/pictavo.ini' 'cannot open the display'; do
    grep -qF -- "$text" "$work/pictavo.txt" || fail "pictavo.1 does not mention \"$text\""
done
for text in '--size' '--transparent'; do
    grep -qF -- "$text" "$work/picrender.txt" || fail "picrender.1 does not mention \"$text\""
done

# The installed programs run from the staging prefix, as the manual pages say they do.
cd "$work"
export XDG_RUNTIME_DIR="$work"
env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY HOME="$work" "$stage/bin/pictavo" > out.txt 2>&1
status=$?
[ $status -eq 1 ] || fail "pictavo without a display ended with status $status"
grep -q '^Pictavo 2: cannot open the display' out.txt || fail "pictavo without a display wrote: $(cat out.txt)"
env -u DISPLAY -u QT_QPA_PLATFORM HOME="$work" "$stage/bin/pictavo" /print missing.bmp > out.txt 2>&1
status=$?
[ $status -eq 0 ] && [ ! -s out.txt ] || fail "pictavo /print missing.bmp: status $status, wrote: $(cat out.txt)"

# A 2 x 1 bitmap, 24 bits per pixel: file header, information header, one row of two
# pixels (blue, green, red each) padded to 8 bytes.
printf 'BM\076\0\0\0\0\0\0\0\066\0\0\0' > red_blue.bmp
printf '\050\0\0\0\002\0\0\0\001\0\0\0\001\0\030\0\0\0\0\0\010\0\0\0\023\013\0\0\023\013\0\0\0\0\0\0\0\0\0\0' >> red_blue.bmp
printf '\0\0\377\377\0\0\0\0' >> red_blue.bmp
for case in "2x1:" "5x3:--size 5x3"; do
    size=${case%%:*}
    options=${case#*:}
    rm -f out.png
    # shellcheck disable=SC2086
    "$stage/bin/picrender" red_blue.bmp out.png $options > out.txt 2>&1
    status=$?
    [ $status -eq 0 ] || { fail "picrender $options: status $status: $(cat out.txt)"; continue; }
    got=$(be32 "$(png_field out.png 16 4)")x$(be32 "$(png_field out.png 20 4)")
    [ "$got" = "$size" ] || fail "picrender $options made a $got picture"
done
"$stage/bin/picrender" red_blue.bmp out.png --size 0x3 > out.txt 2>&1
status=$?
[ $status -eq 2 ] || fail "picrender --size 0x3 ended with status $status"
"$stage/bin/picrender" missing.bmp out.png > out.txt 2>&1
status=$?
[ $status -eq 1 ] && grep -q '^Cannot open file' out.txt || fail "picrender missing.bmp: status $status, wrote: $(cat out.txt)"

[ $failures -eq 0 ] && echo "staged install in $stage checked"
[ $failures -eq 0 ]

#!/usr/bin/env bash
# `make install` staged into a scratch DESTDIR: install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake="$1"
build="$2"
dest="$(mktemp -d)"
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=/usr/local
DESTDIR="$dest" "$cmake" --install "$build" --prefix "$prefix" > /dev/null
root="$dest$prefix"
[ -x "$root/bin/vantrel" ] || fail "no program in bin"
desktop="$root/share/applications/vantrel.desktop"
icon="$root/share/icons/hicolor/256x256/apps/vantrel.png"
mime="$root/share/mime/packages/vantrel.xml"
for f in "$desktop" "$icon" "$mime"; do [ -f "$f" ] || fail "missing ${f#$dest}"; done
# Nothing lands outside the staging tree's prefix.
[ -z "$(find "$dest" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "files outside $prefix"

# A 256 x 256 PNG: signature, then the IHDR width and height.
[ "$(od -An -tx1 -N8 "$icon" | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "icon is not a PNG"
[ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ')" = " 0 0 1 0 0 0 1 0" ] || fail "icon is not 256x256"

# The entry starts the installed program, names the icon and the parameter file type.
grep -qx 'Exec=vantrel %f' "$desktop" || fail "Exec line"
grep -qx 'Icon=vantrel' "$desktop" || fail "Icon line"
types="$(sed -n 's/.*mime-type type="\([^"]*\)".*/\1/p' "$mime")"
[ "$(echo "$types" | wc -l)" -eq 2 ] || fail "the XML should name the binary and the text parameter types"
claimed="$(sed -n 's/^MimeType=//p' "$desktop")"
for type in $types; do
    [[ ";$claimed" == *";$type;"* ]] || fail "desktop entry does not claim $type"
done
grep -q '<glob pattern="\*.vtl"/>' "$mime" || fail "no *.vtl glob"
grep -q '<glob pattern="\*.vantrel"/>' "$mime" || fail "no *.vantrel glob"

if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v xmllint > /dev/null; then
    xmllint --noout "$mime" || fail "MIME XML is not well-formed"
fi
if command -v update-mime-database > /dev/null; then
    update-mime-database "$root/share/mime" 2> "$dest/mime.err" || fail "update-mime-database"
    for type in $types; do
        [ -f "$root/share/mime/${type}.xml" ] || fail "the MIME database did not take $type"
    done
    grep -q '\*\.vtl' "$root/share/mime/globs2" || fail "*.vtl missing from the globs"
    grep -q '\*\.vantrel' "$root/share/mime/globs2" || fail "*.vantrel missing from the globs"
fi
echo "install: ok"

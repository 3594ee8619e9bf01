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
thumbnailer="$root/share/thumbnailers/vantrel.thumbnailer"
metainfo="$root/share/metainfo/io.github.vantrel.Vantrel.metainfo.xml"
manpage="$root/share/man/man1/vantrel.1"
for f in "$desktop" "$icon" "$mime" "$thumbnailer" "$metainfo" "$manpage"; do
    [ -f "$f" ] || fail "missing ${f#$dest}"
done
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
claimed="$(sed -n 's/^MimeType=//p' "$thumbnailer")"
for type in $types; do
    [[ ";$claimed" == *";$type;"* ]] || fail "the thumbnailer does not take $type"
done

# The program links no Qt, so that renders without a window load none of it; the
# installed program opens its window from the installed module, which starts Qt
# (on the offscreen platform: its plugin loaded is the sign that the window starts).
! readelf -d "$root/bin/vantrel" | grep NEEDED | grep -q Qt || fail "the program links Qt"
modules=("$root"/lib*/vantrel/vantrel-window.so)
[ -f "${modules[0]}" ] || fail "no window module in LIBDIR/vantrel"
QT_QPA_PLATFORM=offscreen "$root/bin/vantrel" > "$dest/window.out" 2>&1 &
window=$!
loaded() { grep -q "${modules[0]}" "/proc/$window/maps" && grep -q libqoffscreen "/proc/$window/maps"; }
for i in $(seq 200); do
    loaded 2> /dev/null && break
    kill -0 "$window" 2> /dev/null || break
    sleep 0.1
done
loaded 2> /dev/null || fail "the installed program did not open its window: $(cat "$dest/window.out")"
kill "$window"
wait "$window" || true
# Without its module the program says so and fails, with no crash.
rm "${modules[0]}"
status=0
said="$(QT_QPA_PLATFORM=offscreen "$root/bin/vantrel" 2>&1)" || status=$?
[ "$status" = 1 ] || fail "status $status without the window module"
[[ "$said" == *"vantrel-window.so"* ]] || fail "no word of the missing module: $said"

# The metadata names the installed desktop entry and the version the program reports.
version="$("$root/bin/vantrel" --version | sed -n 's/^vantrel //p')"
[ -n "$version" ] || fail "no version from the installed program"
grep -q '<launchable type="desktop-id">vantrel.desktop</launchable>' "$metainfo" ||
    fail "the metadata does not launch vantrel.desktop"
grep -q "<id>$(basename "$metainfo" .metainfo.xml)</id>" "$metainfo" ||
    fail "the metadata's file name is not its id"
[ "$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1)" = "<release version=\"$version\"" ] ||
    fail "the newest release in the metadata is not $version"
grep -q "^\.TH VANTREL 1 [^ ]* \"Vantrel $version\"" "$manpage" || fail "the man page is not of $version"

# The man page documents every option of the program's usage, and only options the
# program knows (asked with no display, so that none of them can open a window).
usage_options="$("$root/bin/vantrel" --help | grep -oE -- '(^|[][ |])--?[a-z][a-z-]*' | tr -d ' []|' |
    sort -u)"
documented="$(sed 's/\\-/-/g' "$manpage" |
    awk '/^\.(TP|TQ)$/ { item = 1; next }
         item && /^\.B[IR]? / { for (i = 2; i <= NF; i++) if ($i ~ /^--?[a-z]/) print $i }
         { item = 0 }' | sort -u)"
[ "$(echo "$usage_options" | wc -l)" -ge 8 ] || fail "too few options in --help: $usage_options"
for option in $usage_options; do
    echo "$documented" | grep -qx -- "$option" || fail "the man page does not describe $option"
done
for option in $documented; do
    said="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/vantrel" "$option" 2>&1 || true)"
    [[ "$said" != *"unknown option"* ]] || fail "the man page describes $option, which the program does not know"
done

if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli > /dev/null; then
    appstreamcli validate-tree --no-net "$root" > "$dest/appstream.out" ||
        fail "appstreamcli validate-tree: $(cat "$dest/appstream.out")"
fi
# Rendering the man page gives no warning.
if command -v groff > /dev/null; then
    groff -man -Tutf8 -ww -z "$manpage" 2> "$dest/man.err" && [ ! -s "$dest/man.err" ] ||
        fail "groff: $(cat "$dest/man.err")"
elif command -v mandoc > /dev/null; then
    mandoc -Tlint -Wwarning "$manpage" || fail "mandoc -Tlint"
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

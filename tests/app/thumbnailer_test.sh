#!/usr/bin/env bash
# The installed thumbnailer run as a file manager runs it:
#   thumbnailer_test.sh CMAKE BUILD_DIR SOURCE_DIR VTLTOTEXT
set -euo pipefail
cmake="$1"
build="$2"
src="$3"
vtltotext="$4"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dir/stage" "$cmake" --install "$build" --prefix /usr > /dev/null
root="$dir/stage/usr"
entry="$root/share/thumbnailers/vantrel.thumbnailer"
exec_line="$(sed -n 's/^Exec=//p' "$entry")"
[ -n "$exec_line" ] || fail "no Exec line"

# As GNOME and Tumbler do: split the line as a shell would, then put the file, the
# thumbnail and the size in place of %i, %o and %s inside each word. The installed
# program is found on PATH; thumbnailers run without a display.
thumbnail() {  # thumbnail INPUT OUTPUT SIZE
    local words word expanded=()
    eval "words=($exec_line)"
    for word in "${words[@]}"; do
        word="${word//%i/$1}"
        word="${word//%o/$2}"
        expanded+=("${word//%s/$3}")
    done
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$root/bin:$PATH" "${expanded[@]}"
}
# The PNG signature, then the IHDR width and height as two 4-byte numbers.
pngsize() {
    [ "$(od -An -tx1 -N8 "$1" | tr -d ' ')" = "89504e470d0a1a0a" ] || return 1
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 "x" \
                                              $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}

# A view saved by the explorer, under a name a shell would split.
vtl="$dir/a view.vtl"
cp "$src/res/icon.vtl" "$vtl"
for size in 128 256; do
    thumbnail "$vtl" "$dir/thumb $size.png" "$size" || fail "the thumbnailer failed at $size"
    [ "$(pngsize "$dir/thumb $size.png")" = "${size}x$size" ] || fail "no ${size}x$size PNG"
done
# It is the file's own view: the image the batch renderer draws of it.
"$root/bin/vantrel" --render "$vtl" -o "$dir/direct.png" --size 128x128
cmp -s "$dir/direct.png" "$dir/thumb 128.png" || fail "the thumbnail is not the file's view"
"$root/bin/vantrel" --render -o "$dir/default.png" --size 128x128
cmp -s "$dir/default.png" "$dir/thumb 128.png" && fail "the thumbnail shows the default view"

# Below the renderer's smallest image the thumbnail is that smallest one, for the
# file manager to scale down.
thumbnail "$vtl" "$dir/tiny.png" 16 || fail "the thumbnailer failed at 16"
[ "$(pngsize "$dir/tiny.png")" = "32x32" ] || fail "no 32x32 PNG for size 16"

# The same view as a text parameter file gives the same thumbnail.
"$vtltotext" "$vtl" > "$dir/a view.vantrel"
head -n 1 "$dir/a view.vantrel" | grep -qx "format = vantrel-parameters" || fail "no text file"
thumbnail "$dir/a view.vantrel" "$dir/text.png" 128 || fail "the thumbnailer failed on text"
cmp -s "$dir/thumb 128.png" "$dir/text.png" || fail "the text file's thumbnail differs"

# A file that is not a parameter file fails, and leaves no thumbnail behind.
head -c 984 /dev/zero | tr '\0' '\377' > "$dir/noise.vtl"
printf 'format = vantrel-parameters\nversion = 1\nmaxiter = 9\n' > "$dir/partial.vantrel"
for bad in "$dir/noise.vtl" "$dir/partial.vantrel" "$dir/missing.vtl"; do
    if thumbnail "$bad" "$dir/bad.png" 128 2> /dev/null; then fail "a thumbnail of $bad"; fi
    [ ! -e "$dir/bad.png" ] || fail "an image was written for $bad"
done
[ -z "$(find "$dir" -maxdepth 1 -name '*.part-*')" ] || fail "temporary files left behind"
echo "thumbnailer: ok"

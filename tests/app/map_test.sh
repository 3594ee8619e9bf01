#!/usr/bin/env bash
# The batch renderer's --map option: map_test.sh VANTREL SOURCE_DIR
set -euo pipefail
vantrel="$1"
src="$2"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for i in $(seq 0 255); do echo "$i $i $i  grey $i"; done > "$dir/grey.map"

# Every pixel of a Targa image (18-byte header, then blue, green, red) is grey.
allgrey() {
    local size=$(( $2 * $3 * 3 ))
    od -An -v -tu1 -j18 -N "$size" "$1" | tr -s ' ' '\n' | grep -v '^$' |
        awk '{ v[NR % 3] = $1 } NR % 3 == 0 { if (v[1] != v[2] || v[2] != v[0]) bad++ }
             END { exit bad > 0 || NR == 0 }'
}

"$vantrel" --render -o "$dir/plain.tga" --size 64x48 || fail "plain render"
"$vantrel" --render -o "$dir/grey.tga" --size 64x48 --map "$dir/grey.map" || fail "render with --map"
allgrey "$dir/grey.tga" 64 48 || fail "a grey palette gave colored pixels"
allgrey "$dir/plain.tga" 64 48 && fail "the default palette gave a grey image"

# The MAP file wins over the palette stored in the parameter file.
"$vantrel" --render "$src/res/icon.vtl" --map "$dir/grey.map" -o "$dir/icon.tga" --size 40x40 ||
    fail "render of a parameter file with --map"
allgrey "$dir/icon.tga" 40 40 || fail "the parameter file's palette was used"

# A MAP file that cannot be read ends the run before anything is written.
printf '1,2,3\n' > "$dir/commas.map"
for bad in "$dir/absent.map" "$dir/commas.map" "$dir"; do
    rm -f "$dir/out.tga"
    if "$vantrel" --render -o "$dir/out.tga" --map "$bad" 2> "$dir/err"; then
        fail "$bad was accepted"
    fi
    grep -q "Error opening MAP file" "$dir/err" || fail "no message for $bad: $(cat "$dir/err")"
    [ ! -e "$dir/out.tga" ] || fail "an image was written after $bad"
done
"$vantrel" --render -o "$dir/out.tga" --map 2> /dev/null && fail "--map without a file was accepted"
echo "map: ok"

#!/usr/bin/env bash
# Views given on the command line: a view doubles hold gives the very image of
# the same view from the start state, a deep one renders by perturbation, and text
# that is no view is refused with a message, status 1 and nothing written.
set -u
vantrel=$1
source "$(dirname "$0")/checks.sh"

# The home view is centre -0.75 + 0i, 3 wide: the same bytes either way.
"$vantrel" --render -o "$dir/default.tga" --size 96x96
"$vantrel" --render -o "$dir/centred.tga" --size 96x96 --center -0.75 0 --width 3
check "a view doubles hold renders as before" cmp -s "$dir/default.tga" "$dir/centred.tga"

# 1e-60 wide next to the Misiurewicz point i: far past doubles, full of detail.
zeros=$(printf '0%.0s' $(seq 1 60))
"$vantrel" --render -o "$dir/deep.png" --size 64x64 --maxiter 3000 \
    --center "0.${zeros}1234" "1.${zeros}0567" --width 1e-60 2>"$dir/err"
check "a deep view renders" test $? -eq 0
check "quietly" test ! -s "$dir/err"
if command -v identify >/dev/null; then
    check "with many colors, not blocks of one" test "$(identify -format %k "$dir/deep.png")" -gt 20
fi
"$vantrel" --render -o "$dir/deeper.tga" --size 32x32 --maxiter 500 \
    --center -1.25 0.02 --width 1e-250
check "1e-250 wide renders" test $? -eq 0

# Refusals: the message, status 1, no image.
refused() {  # refused MESSAGE ARGS...
    local message=$1
    shift
    rm -f "$dir/bad.tga"
    "$vantrel" --render -o "$dir/bad.tga" "$@" 2>"$dir/err"
    local status=$?
    check "refused: $*" test $status -eq 1
    check "with its message: $*" grep -q -- "$message" "$dir/err"
    check "and no image: $*" test ! -e "$dir/bad.tga"
}
refused "--width needs a decimal number above 0" --center 0 0 --width 0
refused "--width needs a decimal number above 0" --center 0 0 --width -1e-5
refused "--width needs a decimal number above 0" --center 0 0 --width inf
refused "--width needs a decimal number above 0" --center 0 0 --width 1e-5x
refused "--center needs two decimal numbers" --center 0 nan --width 1
refused "--center needs two decimal numbers" --center 0x1 0 --width 1
refused "--center and --width go together" --center 0 0
refused "--maxiter needs a number from 1 to 2000000000" --maxiter 0
refused "--maxiter needs a number from 1 to 2000000000" --maxiter 2000000001
refused "--maxiter needs a number from 1 to 2000000000" --maxiter 12k
refused "--maxiter needs a number from 1 to 2000000000" --maxiter " 12"
refused "--maxiter needs a number from 1 to 2000000000" --maxiter +12

[ $fails -eq 0 ] && echo "all deep batch checks passed"
exit $((fails > 0))

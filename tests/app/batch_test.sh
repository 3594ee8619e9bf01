#!/usr/bin/env bash
# The batch renderer as a user runs it: the default image, PNG, sizes, and the
# failures that must leave nothing behind.
set -u
vantrel=$1
source "$(dirname "$0")/checks.sh"
bytes() { od -An -tx1 -j "$2" -N "$3" "$1" | tr -d ' \n'; }

"$vantrel" --render -o "$dir/default.tga" 2>"$dir/err"
check "default render succeeds" test $? -eq 0
check "default image is 1,080,044 bytes" test "$(stat -c %s "$dir/default.tga")" -eq 1080044
check "header says 600 x 600, 24 bits, top first" test "$(bytes "$dir/default.tga" 12 6)" = 580258021820
# palette[4] is (0, 0, 79) and palette[5] is (0, 0, 95), stored blue first.
check "top-left pixel is palette entry 4" test "$(bytes "$dir/default.tga" 18 3)" = 4f0000
check "top-right pixel is palette entry 5" test "$(bytes "$dir/default.tga" $((18 + 3 * 599)) 3)" = 5f0000
check "footer signature" test "$(tail -c 18 "$dir/default.tga" | head -c 17)" = "TRUEVISION-XFILE."
check "nothing on stderr when not a terminal" test ! -s "$dir/err"

"$vantrel" --render -o "$dir/small.png" --size 64x48
check "png render succeeds" test $? -eq 0
check "png signature" test "$(bytes "$dir/small.png" 1 3)" = 504e47
check "png is 64 x 48" test "$(bytes "$dir/small.png" 16 8)" = 0000004000000030

"$vantrel" --render -o "$dir/sized.tga" --size 33x35
check "odd size renders" test "$(stat -c %s "$dir/sized.tga")" -eq $((18 + 3 * 33 * 35 + 26))

# Threads and vector lanes change the time, never a pixel.
"$vantrel" --render -o "$dir/scalar.tga" --threads 0 --no-simd
"$vantrel" --render -o "$dir/wide.tga" --threads 3
check "one scalar thread gives the same image" cmp -s "$dir/default.tga" "$dir/scalar.tga"
check "three workers give the same image" cmp -s "$dir/default.tga" "$dir/wide.tga"
"$vantrel" --render -o "$dir/x.tga" --threads many 2>/dev/null
check "a bad thread count is refused" test $? -eq 1

# Anti-aliasing: one sample is the plain image; more change it, with the same
# threads-and-lanes independence; counts outside 1 .. 8 are refused.
"$vantrel" --render -o "$dir/aa1.tga" --aa 1
check "--aa 1 is the plain image" cmp -s "$dir/default.tga" "$dir/aa1.tga"
"$vantrel" --render -o "$dir/aa3.tga" --aa 3 --size 90x70
"$vantrel" --render -o "$dir/aa3s.tga" --aa 3 --size 90x70 --threads 0 --no-simd
check "--aa 3 the same on one scalar thread" cmp -s "$dir/aa3.tga" "$dir/aa3s.tga"
"$vantrel" --render -o "$dir/aa1s.tga" --size 90x70
check "--aa 3 differs from one sample" test -n "$(cmp "$dir/aa1s.tga" "$dir/aa3.tga")"
for bad in 0 9 2x ""; do
    "$vantrel" --render -o "$dir/aabad.tga" --aa "$bad" 2>/dev/null
    check "--aa '$bad' is refused" test $? -eq 1 -a ! -e "$dir/aabad.tga"
done

# --stats: one line with the time, the iterations and the rate; the iterations
# are those of the pixels, however they were computed.
"$vantrel" --render -o "$dir/stats1.tga" --size 97x61 --threads 0 --no-simd --stats 2>"$dir/stats1"
"$vantrel" --render -o "$dir/stats2.tga" --size 97x61 --threads 3 --stats 2>"$dir/stats2"
statline='^render: [0-9]+\.[0-9]{3} s, [1-9][0-9]* iterations, [0-9]+\.[0-9]{3} G iterations/s$'
check "--stats prints one line" test "$(wc -l <"$dir/stats1")" -eq 1
check "of time, iterations and rate" grep -Eq "$statline" "$dir/stats1"
check "also with threads and lanes" grep -Eq "$statline" "$dir/stats2"
check "which count the same iterations" \
    test "$(cut -d, -f2 "$dir/stats1")" = "$(cut -d, -f2 "$dir/stats2")"

# Failures: the program's own message, status 1, nothing written.
head -c 983 /dev/zero >"$dir/short.vtl"
"$vantrel" --render "$dir/short.vtl" -o "$dir/bad.tga" 2>"$dir/err"
check "a short parameter file is refused" test $? -eq 1
check "with its message" grep -q "Error opening VTL file" "$dir/err"
check "and no image" test ! -e "$dir/bad.tga"
"$vantrel" --render "$dir/missing.vtl" -o "$dir/bad.tga" 2>"$dir/err"
check "a missing parameter file is refused" test $? -eq 1
"$vantrel" --render -o "$dir/no/such/dir/x.tga" 2>"$dir/err"
check "an unwritable image is refused" test $? -eq 1
check "with its message" grep -q "Error opening a save file." "$dir/err"
echo earlier >"$dir/keep.tga"
"$vantrel" --render -o "$dir/keep.tga" --size 31x40 2>"$dir/err"
check "a size out of range is refused" test $? -eq 1
check "with its message" grep -q "xres range: 32 - 65535" "$dir/err"
check "and the earlier file stays" test "$(cat "$dir/keep.tga")" = earlier
"$vantrel" --bogus 2>/dev/null
check "an unknown option is refused" test $? -eq 1
"$vantrel" --help | grep -q -- "--render"
check "help names --render" test $? -eq 0
"$vantrel" --version | grep -q "^vantrel "
check "version" test $? -eq 0

# A PNG image brings back its view and size: drawn again from it, it is the same
# file, and the same image as the view given on the command line.
view="--center -0.75 0.11 --width 0.02 --maxiter 20000"
eval "\"\$vantrel\" --render -o \"\$dir/view.png\" --size 97x61 $view"
check "a PNG with a view renders" test $? -eq 0
check "with its parameters" grep -aq "vantrel-parameters" "$dir/view.png"
"$vantrel" --render "$dir/view.png" -o "$dir/again.png"
check "drawn from itself it is the same file" cmp -s "$dir/view.png" "$dir/again.png"
"$vantrel" --render "$dir/view.png" -o "$dir/again.tga"
eval "\"\$vantrel\" --render -o \"\$dir/direct.tga\" --size 97x61 $view"
check "and the same image as its view" cmp -s "$dir/direct.tga" "$dir/again.tga"
# A PNG from elsewhere is refused with a message, and nothing is written.
head -c 33 "$dir/view.png" >"$dir/plain.png"
printf '\0\0\0\0IEND\xaeB`\x82' >>"$dir/plain.png"
"$vantrel" --render "$dir/plain.png" -o "$dir/bad.tga" 2>"$dir/err"
check "a PNG without parameters is refused" test $? -eq 1
check "with its message" grep -q "carries no Vantrel parameters" "$dir/err"

# Interrupted or terminated mid-way, the render leaves the earlier file as it was
# and nothing else. (Job control, so that the background render does not start
# with SIGINT ignored, as a script's background jobs otherwise do.)
set -m
for signal in INT TERM; do
    echo earlier >"$dir/big.png"
    "$vantrel" --render -o "$dir/big.png" --size 4000x4000 --center -0.75 0.11 --width 0.02 \
        --maxiter 2000000 --threads 1 &
    sleep 1
    kill -s $signal $!
    wait $!
    check "SIG$signal ends the render with a failure" test $? -ne 0
    check "and leaves the earlier file" test "$(cat "$dir/big.png")" = earlier
done
set +m

# Numbers are whole, in range and never wrap; anything else is a usage error.
for bad in "--size 4294967896x600" "--size 600x4294967896" "--size 600x600x" "--size +600x600" \
           "--size 600x 600" "--size -600x600" "--size 600" "--threads 4294967297" \
           "--threads 257" "--threads -1" "--threads 3x" "--threads +3" "--threads ''"; do
    eval "\"\$vantrel\" --render -o \"\$dir/bad.tga\" $bad" >/dev/null 2>"$dir/err"
    check "$bad is refused" test $? -eq 1
    check "$bad gets the usage" grep -q "^Usage:" "$dir/err"
done
check "and no image" test ! -e "$dir/bad.tga"

# The file-size limit stops the write: the program's message, and the earlier
# file with its mode as it was.
chmod 600 "$dir/keep.tga"
(ulimit -f 100; exec "$vantrel" --render -o "$dir/keep.tga") 2>"$dir/err"
check "the size limit fails the save" test $? -eq 1
check "with the write message" grep -q "Error writing to save file." "$dir/err"
check "the earlier file stays" test "$(cat "$dir/keep.tga")" = earlier
check "with its mode" test "$(stat -c %a "$dir/keep.tga")" = 600
# Overwriting keeps the mode.
"$vantrel" --render -o "$dir/keep.tga" --size 32x32
check "an overwritten image keeps its mode" test "$(stat -c %a "$dir/keep.tga")" = 600
check "and holds the image" test "$(stat -c %s "$dir/keep.tga")" -eq $((18 + 3 * 32 * 32 + 26))

# Names as long as the file system takes.
long=$(printf 'n%.0s' $(seq 237)).tga
"$vantrel" --render -o "$dir/$long" --size 32x32
check "a 241-byte name is saved" test -s "$dir/$long"
rm -f "$dir/$long"

# A FIFO as a parameter or MAP file is refused, not waited on.
mkfifo "$dir/fifo"
timeout 20 "$vantrel" --render "$dir/fifo" -o "$dir/bad.tga" 2>"$dir/err"
check "a FIFO parameter file is refused" test $? -eq 1
check "with its message" grep -q "Error opening VTL file" "$dir/err"
timeout 20 "$vantrel" --render --map "$dir/fifo" -o "$dir/bad.tga" 2>"$dir/err"
check "a FIFO MAP file is refused" test $? -eq 1
check "with its message" grep -q "Error opening MAP file" "$dir/err"
rm -f "$dir/fifo"

# A shared folder as an unprivileged user sees it: another's file, and another's
# link, are refused before anything is rendered.
chmod 755 "$dir"
asnobody() { setpriv --reuid nobody --regid nogroup --clear-groups "$@"; }
if [ "$(id -u)" -eq 0 ] && id nobody >/dev/null 2>&1 && command -v setpriv >/dev/null &&
    asnobody test -x "$dir"; then
    mkdir -m 1777 "$dir/shared"
    echo theirs >"$dir/shared/theirs.tga"
    chmod 666 "$dir/shared/theirs.tga"
    # The link leads to a file the user could write where it is.
    mkdir -m 777 "$dir/victim"
    echo victim >"$dir/victim/target.tga"
    chmod 666 "$dir/victim/target.tga"
    ln -s "$dir/victim/target.tga" "$dir/shared/planted.tga"
    chown -h 4242 "$dir/shared/planted.tga"
    for name in theirs planted; do
        asnobody "$vantrel" --render -o "$dir/shared/$name.tga" 2>"$dir/err"
        check "$name.tga in a sticky folder is refused" test $? -eq 1
        check "up front, with the open message" grep -q "Error opening a save file." "$dir/err"
    done
    check "the file stays" test "$(cat "$dir/shared/theirs.tga")" = theirs
    check "the link stays" test -L "$dir/shared/planted.tga"
    check "and the file it leads to" test "$(cat "$dir/victim/target.tga")" = victim
    check "nothing else appears" test "$(ls -A "$dir/shared" | tr '\n' ' ')" = "planted.tga theirs.tga "
else
    echo "skipped: the shared-folder cases need root, the user nobody, setpriv and a reachable folder"
fi
check "no temporary files left behind" test -z "$(find "$dir" -name '.*')"

exit $((fails > 0))

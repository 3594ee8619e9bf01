#!/usr/bin/env bash
# Zoom movies: a whole run and a range of it give the same frames, the first frame
# is the start view, and bad names and ranges are refused.
set -u
vantrel=$1
source "$(dirname "$0")/checks.sh"

# The two ends are PNG images, which carry their views.
"$vantrel" --render -o "$dir/start.png" --size 32x32
"$vantrel" --render -o "$dir/end.png" --size 32x32 --center -0.7453 0.1127 --width 0.0004
mkdir "$dir/all" "$dir/part"
"$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 60 -o "$dir/all/f-%05d.png" --size 48x36
check "a 60-frame movie renders" test $? -eq 0
check "into 60 files" test "$(ls "$dir/all" | wc -l)" -eq 60
check "named from 0" test -s "$dir/all/f-00000.png" -a -s "$dir/all/f-00059.png"
"$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 60 -o "$dir/part/f-%05d.png" \
    --size 48x36 --range 20-29
check "a range renders" test $? -eq 0
check "only its frames" test "$(ls "$dir/part" | wc -l)" -eq 10
for k in $(seq 20 29); do
    f=$(printf 'f-%05d.png' "$k")
    check "frame $k of the range is that of the whole run" cmp -s "$dir/all/$f" "$dir/part/$f"
done
# Frames differ from each other: the view moves.
check "the view moves" test "$(md5sum "$dir"/all/*.png | cut -d' ' -f1 | sort -u | wc -l)" -eq 60
# The first frame is the start view at the frame's size, the last one the end view
# (colored as the start).
"$vantrel" --render "$dir/start.png" --center -0.75 0 --width 3 --size 48x36 -o "$dir/first.png"
check "the first frame is the start view" cmp -s "$dir/first.png" "$dir/all/f-00000.png"
"$vantrel" --render "$dir/start.png" --center -0.7453 0.1127 --width 0.0004 --size 48x36 \
    -o "$dir/last.tga"
"$vantrel" --render "$dir/all/f-00059.png" -o "$dir/last-frame.tga"
check "the last frame is the end view" cmp -s "$dir/last.tga" "$dir/last-frame.tga"

# A deep movie, 1e-20 to 1e-30 wide beside the Misiurewicz point i: frames share
# reference orbits, and a range that begins within a run of frames sharing them
# still gives the whole movie's files.
z20=$(printf '0%.0s' $(seq 1 20))
"$vantrel" --render -o "$dir/deepstart.png" --size 40x40 --maxiter 3000 \
    --center "0.${z20}1234" "1.${z20}0567" --width 1e-20
"$vantrel" --render -o "$dir/deepend.png" --size 40x40 --maxiter 3000 \
    --center "0.${z20}1234000005" "1.${z20}0567000003" --width 1e-30
mkdir "$dir/deepall" "$dir/deeppart"
"$vantrel" --movie "$dir/deepstart.png" "$dir/deepend.png" --frames 16 -o "$dir/deepall/f-%02d.png"
check "a deep movie renders" test $? -eq 0
"$vantrel" --movie "$dir/deepstart.png" "$dir/deepend.png" --frames 16 \
    -o "$dir/deeppart/f-%02d.png" --range 5-10
for k in $(seq 5 10); do
    f=$(printf 'f-%02d.png' "$k")
    check "deep frame $k of the range is that of the whole run" \
        cmp -s "$dir/deepall/$f" "$dir/deeppart/$f"
done
check "the deep view moves" \
    test "$(md5sum "$dir"/deepall/*.png | cut -d' ' -f1 | sort -u | wc -l)" -eq 16

# Refusals: status 1 with a message, nothing written.
mkdir "$dir/bad"
for args in "-o $dir/bad/f.png" "-o $dir/bad/f-%s.png" "-o $dir/bad/f-%d-%d.png" \
            "-o $dir/bad/f-%05d.png --range 5-60" "-o $dir/bad/f-%05d.png --range 9-3"; do
    # shellcheck disable=SC2086
    "$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 60 $args 2>"$dir/err"
    check "$args is refused" test $? -eq 1
    check "$args: with a message" test -s "$dir/err"
done
"$vantrel" --movie "$dir/start.png" "$dir/missing.vtl" --frames 3 -o "$dir/bad/f%d.png" 2>"$dir/err"
check "a missing end file is refused" test $? -eq 1
"$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 3 -o "$dir/bad/movie.mp4" \
    --range 0-1 2>"$dir/err"
check "a range of a movie file is refused" test $? -eq 1
check "a range of a movie file: with a message" grep -q -- "--range" "$dir/err"
check "nothing written for a refusal" test -z "$(ls -A "$dir/bad")"

# Movie files, encoded by ffmpeg as the frames are rendered: the frames and their
# size as ffprobe counts them. Odd sizes lose their last column and row.
probe() {
    ffprobe -v error -select_streams v:0 -count_frames \
        -show_entries stream=width,height,nb_read_frames -of csv=p=0 "$1"
}
mkdir "$dir/movies"
"$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 8 -o "$dir/movies/zoom.mp4" --size 64x48
check "an mp4 movie renders" test $? -eq 0
check "8 frames of 64x48" test "$(probe "$dir/movies/zoom.mp4")" = "64,48,8"
"$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 3 -o "$dir/movies/odd.MKV" --size 65x33
check "a Matroska movie of an odd size renders" test $? -eq 0
check "3 frames of 64x32" test "$(probe "$dir/movies/odd.MKV")" = "64,32,3"
check "nothing else is left" test "$(ls -A "$dir/movies" | tr '\n' ' ')" = "odd.MKV zoom.mp4 "

# ffmpeg missing, failing at once (the frames meet a closed pipe) or at the end:
# status 1 with a message, and no file, partial or temporary, left behind.
mkdir "$dir/nothing" "$dir/quits" "$dir/fails"
printf '#!/bin/sh\neval out=\\${$#}\necho partial >"${out#file:}"\nexit 1\n' >"$dir/quits/ffmpeg"
printf '#!/bin/sh\neval out=\\${$#}\n/bin/cat >"${out#file:}"\nexit 3\n' >"$dir/fails/ffmpeg"
chmod +x "$dir/quits/ffmpeg" "$dir/fails/ffmpeg"
for bin in nothing quits fails; do
    mkdir "$dir/out-$bin"
    PATH="$dir/$bin" "$vantrel" --movie "$dir/start.png" "$dir/end.png" --frames 4 \
        -o "$dir/out-$bin/zoom.mp4" --size 64x48 2>"$dir/err"
    check "$bin: status 1" test $? -eq 1
    check "$bin: with a message" test -s "$dir/err"
    check "$bin: no file" test -z "$(ls -A "$dir/out-$bin")"
    if [ $bin = nothing ]; then
        check "a missing ffmpeg: how to install it" grep -q "apt-get install ffmpeg" "$dir/err"
    fi
done

exit $((fails > 0))

#!/bin/bash
# Starts the explorer on a virtual display, waits for its window and its first
# image, presses Esc and expects the program to end with 0. Exit 77: skipped.
vantrel="$1"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb or xdotool"; exit 77; }

# Xvfb picks a display nobody uses and tells us which.
numberfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; [ -n "$app" ] && kill $app 2>/dev/null; rm -f "$numberfile"' EXIT
for i in $(seq 50); do [ -s "$numberfile" ] && break; sleep 0.1; done
[ -s "$numberfile" ] || { echo "Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -1 "$numberfile")"
for i in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$vantrel" &
app=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name "KX Korvantis" | head -1)
[ -n "$window" ] || { echo "the main window did not appear"; exit 1; }

# The first image is done when the pointer has been sent to (100, 100).
for i in $(seq 200); do
    eval "$(xdotool getmouselocation --shell)"
    [ "$X" = 100 ] && [ "$Y" = 100 ] && break
    sleep 0.1
done
[ "$X" = 100 ] && [ "$Y" = 100 ] || { echo "the first image did not finish"; exit 1; }

xdotool windowfocus --sync "$window" key Escape
for i in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then echo "still running after Esc"; exit 1; fi
wait $app
code=$?
app=
[ "$code" = 0 ] || { echo "exit code $code"; exit 1; }
echo "window appeared, drew its first image and ended with 0"

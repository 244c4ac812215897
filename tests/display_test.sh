#!/bin/bash
# The live picture on displays of other sizes, under Xvfb: full screen in the
# desktop's mode with the 1920x1080 picture scaled into the largest 16:9
# rectangle and black bars, exactly doubled at 3840x2160; a resizable
# window; a display that does not exist. Screenshots come from the X server
# (xwd), during the ending, whose three full-width stripes pin the framing.
# Usage: bash tests/display_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" display "$1"
CHECK="$REPO/tests/support/check_screenshot.py"
for tool in xvfb-run xwd xdotool; do
    command -v $tool > /dev/null || { echo "skip: display tests need $tool"; exit 0; }
done

# Inside the X server: runs the piece from 222 s and screenshots it once the
# ending shows (the blue stripe lit in the middle of the screen, or at
# PROBE="x y"). With RESIZE="W H" it first screenshots the window as it
# opened (OUT-before), then resizes it; with TOGGLE=1 it toggles it with F.
# Usage: (under xvfb-run) take_shot OUT ARGS...
cat > "$WORK/take_shot" << 'SCRIPT'
out=$1 bin=$2
shift 2
"$bin" --start 222 --seed 1 "$@" 2> "$out.err" &
pid=$!
# shot_when_lit OUT "X Y": the probe pixel alone is grabbed until it shows a
# stripe's colour; then the whole screen, as OUT.xwd.
shot_when_lit() {
    local colour
    for _ in $(seq 80); do
        sleep 0.25
        colour=$(ffmpeg -v error -f x11grab -draw_mouse 0 -video_size 1x1 -i "$DISPLAY+${2% *},${2#* }" -frames:v 1 \
            -f rawvideo -pix_fmt rgb24 - | od -An -tu1)
        echo $colour | awk '{ hi = $1 > $2 ? $1 : $2; hi = hi > $3 ? hi : $3; lo = $1 < $2 ? $1 : $2; lo = lo < $3 ? lo : $3; exit !(hi > 100 && lo < 50) }' && break
    done
    xwd -root -silent > "$1.xwd"
}
centre="$((${SIZE%x*} / 2)) $((${SIZE#*x} / 2))"
if [ -n "${RESIZE:-}${TOGGLE:-}" ]; then
    window=$(timeout 20 xdotool search --sync --name "^ostrel$" | head -1)
fi
if [ -n "${RESIZE:-}" ]; then
    shot_when_lit "$out-before" "$centre"
    xdotool windowsize "$window" $RESIZE
fi
if [ -n "${TOGGLE:-}" ]; then
    # F to a window, pressed again each second until the window is one (the
    # start seek takes no key but Escape), then F back to full screen.
    for _ in $(seq 30); do
        xdotool key --window "$window" f
        sleep 1
        xdotool getwindowgeometry "$window" | grep -q "Geometry: 1280x720" && break
    done
    xdotool key --window "$window" f
fi
shot_when_lit "$out" "${PROBE:-$centre}"
kill $pid
wait $pid
for xwd in "$out.xwd" ${RESIZE:+"$out-before.xwd"}; do ffmpeg -v error -y -i "$xwd" "${xwd%.xwd}.png"; done
SCRIPT
# shot NAME SIZE ARGS...: the screenshot $WORK/NAME.png on a screen of SIZE.
shot() {
    local name=$1 size=$2
    shift 2
    SIZE=$size xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp" bash "$WORK/take_shot" "$WORK/$name" "$BIN" "$@"
}

for size in ${SIZES:-1280x720 1920x1200 2560x1440 3840x2160}; do
    shot "full-$size" "$size"
    w=${size%x*} h=${size#*x}
    extra=""
    [ "$size" = 3840x2160 ] && extra=--doubled
    python3 "$CHECK" "$WORK/full-$size.png" "$w" "$h" 0 0 "$w" "$h" $extra || fail "full screen at $size"
done

# A window: 1280x720 in the middle of the screen, then resized to 900x700
# (the picture then fills the width, with bars above and below). The probe
# on the blue stripe of the resized picture is black in the first.
RESIZE="900 700" PROBE="770 530" shot resized 1920x1080 --window
python3 "$CHECK" "$WORK/resized-before.png" 1920 1080 320 180 1280 720 || fail "--window"
python3 "$CHECK" "$WORK/resized.png" 1920 1080 320 180 900 700 || fail "resized window"

# F to a window and back to full screen, with no window manager to grant it:
# the window takes the screen and the picture is framed in it. The probe on
# the green stripe left of where the window was waits for the second F.
TOGGLE=1 PROBE="100 519" shot toggled 1920x1080
python3 "$CHECK" "$WORK/toggled.png" 1920 1080 0 0 1920 1080 || fail "F twice"

# A display that does not exist: a message and status 1, before any window.
xvfb-run -a -s "-screen 0 1280x720x24" "$BIN" --display 3 2> "$WORK/display.err"
[ $? = 1 ] && grep -q "^There is no display 3: this machine has 1, numbered from 0." "$WORK/display.err" ||
    fail "--display 3: $(<"$WORK/display.err")"
finish
